// A USB camera source for tests: the cameras it lists, each opened as libgphoto2's directory-browse
// camera on a folder of the test's, or failing with the libgphoto2 code a real camera would give.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "import/usb_import.h"
#include "ptp/usb_camera.h"

namespace orrivan::test {

class FakeUsbCameras final : public UsbCameraSource {
 public:
  struct Camera {
    usb::DetectedCamera detected;
    std::filesystem::path folder;  // presented as the camera's storage
    int failWith = 0;              // a GP_ERROR_... code the opening gives instead
  };

  usb::UsbStatus List(std::vector<usb::DetectedCamera>& out) override {
    out.clear();
    for (const Camera& c : cameras) out.push_back(c.detected);
    return {};
  }

  std::unique_ptr<usb::CUsbCamera> Open(const usb::DetectedCamera& which, usb::UsbStatus& status) override {
    ++opens;
    for (const Camera& c : cameras) {
      if (c.detected.port != which.port) continue;
      if (c.failWith != 0) {
        status = usb::StatusOfCode(c.failWith, which.model + " (" + which.port + ")");
        return nullptr;
      }
      return usb::CUsbCamera::Open("Directory Browse", "disk:" + c.folder.string(), status);
    }
    status = {usb::UsbError::NoCamera, which.port + ": not attached"};
    return nullptr;
  }

  std::vector<Camera> cameras;
  int opens = 0;
};

}  // namespace orrivan::test
