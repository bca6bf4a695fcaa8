// Cameras and phones on a USB cable that do not mount as a disk. Everything that speaks to
// libgphoto2 lives behind this header; its codes come out as UsbError values with a message.
// libgphoto2 is not safe to use from two threads at once: every call here takes one lock.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orrivan::usb {

enum class UsbError {
  None,
  NoCamera,    // nothing answers on that port (unplugged, or no such model)
  Busy,        // the camera answers busy, or another program holds it open
  Io,          // the link broke off or the camera reported an error
  BadFile,     // a size that does not fit (0, 4 GiB or more, or a download that differs)
  Local,       // the download could not be written here
};

struct UsbStatus {
  UsbError error = UsbError::None;
  std::string message;  // for the user; empty when error is None
  explicit operator bool() const { return error == UsbError::None; }
};

struct DetectedCamera {
  std::string model;
  std::string port;  // "usb:001,004"
};

// The USB cameras attached now. Volumes holding DCIM ("disk:" ports) are cards and are never listed;
// only the USB port driver is loaded, so no mounted volume is touched.
UsbStatus DetectCameras(std::vector<DetectedCamera>& cameras);

// One picture file on the camera, from the file info: nothing has been downloaded.
struct UsbFile {
  std::string folder;       // the camera's path of the folder holding it ("/store_00010001/DCIM/100ABCDE")
  std::string name;         // as the camera names it
  std::string cardFolder;   // the DCIM subfolder ("100ABCDE", "Camera")
  int storage = 0;          // index of the storage (DCIM root) it was found on
  std::uint64_t size = 0;
  std::time_t modified = 0;  // 0 when the camera gave none
};

struct UsbListing {
  std::vector<UsbFile> files;   // in storage, folder and name order
  int leftOnCamera = 0;         // files of other kinds in the picture folders (MP4, MOV, HEIC, raw)
  int refusedNames = 0;         // names that could leave their folder or hide control bytes
  int unusableSizes = 0;        // picture files the camera gives a size of 0 or 4 GiB or more for
};

class CUsbCamera {
 public:
  ~CUsbCamera();
  CUsbCamera(const CUsbCamera&) = delete;
  CUsbCamera& operator=(const CUsbCamera&) = delete;

  // Opens the camera of that model on that port (for a folder presented as a camera: model
  // "Directory Browse", port "disk:/path").
  static std::unique_ptr<CUsbCamera> Open(const std::string& model, const std::string& port, UsbStatus& status);

  const std::string& Model() const { return model_; }
  const std::string& Port() const { return port_; }

  // Walks every storage for DCIM's picture folders (three digits 100-999 first, and "Camera") and
  // their JPG, AVI and WAV files in any case. A file whose size cannot be checked after the
  // download (0, or 4 GiB and more: what a 32-bit size field says when it overflows) is counted,
  // not listed.
  UsbStatus List(UsbListing& listing);

  // Downloads one file to `target` through a temporary file beside it, renamed only once its size
  // equals the size the listing reported; the file time is set to the camera's.
  UsbStatus Download(const UsbFile& file, const std::filesystem::path& target);

  // The first `bytes` of a file (the Exif block of a picture) without downloading the rest; an
  // empty result when the camera cannot read part of a file.
  UsbStatus ReadHead(const UsbFile& file, std::size_t bytes, std::string& head);

  UsbStatus Delete(const UsbFile& file);

 private:
  struct Handle;
  explicit CUsbCamera(std::unique_ptr<Handle> handle, std::string model, std::string port);
  std::unique_ptr<Handle> handle_;
  std::string model_;
  std::string port_;
};

// What a libgphoto2 result code (GP_ERROR_...) means for the user, `what` naming the camera or file.
UsbStatus StatusOfCode(int code, const std::string& what);

// A DCIM subfolder a card import would take: a name starting with three digits 100-999, or a phone's
// "Camera".
bool IsUsbPictureFolder(const std::string& name);
// JPG, AVI, WAV in any case.
bool IsUsbPictureFile(const std::string& name);

}  // namespace orrivan::usb
