// The import of a USB camera's pictures: its picture folders are downloaded into a receive folder
// under the home shaped like a card (DCIM/<folder>/<file>), which the card engine then files by its
// own rules with its own progress, questions and roll-back. The receive folder goes at the end of
// every run. Move deletes on the camera only after the album was saved, and only files whose
// library copy holds the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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
  int UnusableSizes() const { return unusableSizes_; }
  int64_t DeletedOnCamera() const { return deleted_; }
  // Files kept on the camera in a move because their library copy could not be verified.
  int64_t KeptOnCamera() const { return kept_; }
  // Files not downloaded because the library already holds them.
  int64_t AlreadyThere() const { return alreadyThere_; }

 private:
  bool MakeReceiveFolder();
  // A second name for each received file outside the tree the engine files (received is changed to
  // them); false when the file system has none, and nothing changed.
  bool KeepReceivedNames(std::vector<std::filesystem::path>& received);
  // What stayed on the camera and why, told (after `text`, when given) once a run got to its end.
  void TellWhatStayed(std::string text);
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
  int unusableSizes_ = 0;
  int64_t deleted_ = 0;
  int64_t kept_ = 0;
  int64_t alreadyThere_ = 0;
  std::function<void()> afterListing_;
};

// Where detection and the import drivers find USB cameras and open them: libgphoto2's USB cameras,
// unless a test put a source of its own in place.
class UsbCameraSource {
 public:
  virtual ~UsbCameraSource() = default;
  virtual usb::UsbStatus List(std::vector<usb::DetectedCamera>& cameras) = 0;
  virtual std::unique_ptr<usb::CUsbCamera> Open(const usb::DetectedCamera& camera, usb::UsbStatus& status) = 0;
};
UsbCameraSource& CurrentUsbCameraSource();

// Puts a source in place for its lifetime (tests; set before any import starts).
class ScopedUsbCameraSource {
 public:
  explicit ScopedUsbCameraSource(UsbCameraSource& source);
  ~ScopedUsbCameraSource();
  ScopedUsbCameraSource(const ScopedUsbCameraSource&) = delete;
  ScopedUsbCameraSource& operator=(const ScopedUsbCameraSource&) = delete;

 private:
  UsbCameraSource* previous_;
};

// A camera as the source selection lists it: "<model> (USB)".
std::string UsbCameraShown(const usb::DetectedCamera& camera);

// The box text of a camera that failed: what it means for the user, then the adapter's detail.
std::string UsbFailureText(const usb::UsbStatus& status);

// The camera a user names by model or port among the detected ones; nullptr (after the message) when
// none or several match.
struct UsbCameraChoice {
  std::string model, port;
};
bool ChooseUsbCamera(const std::vector<usb::DetectedCamera>& cameras, const std::string& named, UsbCameraChoice& choice,
                     std::string& message);

}  // namespace orrivan
