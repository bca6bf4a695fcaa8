// The import of a USB camera's pictures: its picture folders are downloaded into a receive folder
// under the home shaped like a card (DCIM/<folder>/<file>), which the card engine then files by its
// own rules with its own progress, questions and roll-back. The receive folder goes at the end of
// every run. Move deletes on the camera only after the album was saved, and only files whose
// library copy holds the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "import/import_engine.h"
#include "ptp/usb_camera.h"

namespace orrivan {

class CRKCardAlbumDoc;

class CUsbImport {
 public:
  CUsbImport(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options = {});
  ~CUsbImport();

  ImportResult Run(usb::CUsbCamera& camera);

  // Runs between the listing and the first download (tests change the camera there).
  void SetAfterListing(std::function<void()> hook) { afterListing_ = std::move(hook); }

  int64_t Downloaded() const { return downloaded_; }
  int LeftOnCamera() const { return leftOnCamera_; }
  int RefusedNames() const { return refused_; }
  int64_t DeletedOnCamera() const { return deleted_; }
  // Files kept on the camera in a move because their library copy could not be verified.
  int64_t KeptOnCamera() const { return kept_; }
  // Files not downloaded because the library already holds them.
  int64_t AlreadyThere() const { return alreadyThere_; }

 private:
  bool MakeReceiveFolder();
  void RemoveReceiveFolder();
  std::vector<bool> AlreadyInLibrary(usb::CUsbCamera& camera, const std::vector<usb::UsbFile>& files);
  void DeleteVerified(usb::CUsbCamera& camera, const std::vector<usb::UsbFile>& files,
                      const std::vector<std::filesystem::path>& received, const std::filesystem::path& libraryRoot);

  CRKCardAlbumDoc& album_;
  Interaction& ui_;
  ImportOptions options_;
  std::filesystem::path receiveFolder_;
  int64_t downloaded_ = 0;
  int leftOnCamera_ = 0;
  int refused_ = 0;
  int64_t deleted_ = 0;
  int64_t kept_ = 0;
  int64_t alreadyThere_ = 0;
  std::function<void()> afterListing_;
};

// The camera a user names by model or port among the detected ones; nullptr (after the message) when
// none or several match.
struct UsbCameraChoice {
  std::string model, port;
};
bool ChooseUsbCamera(const std::vector<usb::DetectedCamera>& cameras, const std::string& named, UsbCameraChoice& choice,
                     std::string& message);

}  // namespace orrivan
