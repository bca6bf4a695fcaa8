// The import of a serial camera's pictures: the camera link fetches them folder by folder into a
// receive folder under the home, and each received file is filed into the library by the card
// import's rules, except that a movie's day comes from its name and the collision key is the
// shooting date or the size. A link failure rolls the run back like a failed card import.
//
// The link is always passed in by reference and never kept: a worker thread may own it while it
// connects and lists the folders (ConnectAndListFolders), then hand it back to the thread that runs
// the import.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "camera/camera_link.h"
#include "import/filing.h"
#include "import/folder_ops.h"
#include "import/import_engine.h"

namespace orrivan {

class CRKCardAlbumDoc;

// The day a received file is filed under, and the time its record carries.
struct SerialDay {
  std::string day;    // YYYYMMDD
  std::string stamp;  // YYYYMMDDhhmmss: the shooting date, else the day at 01:00:00
  bool shootingDate = false;  // a still image whose shooting date was read
};

// The day of a movie from the MMDD its name starts with, seen on `today` (local time): this year's
// date when it is not after tomorrow, else last year's; 12/31 is always this year's, and 02/29 of a
// year without one is last year's when that year had one. A name that is no date gives today.
std::string MovieNameDay(const std::string& name, const std::tm& today);

// SerialFileDay: the day of a received file (`name` is its camera name). A still image takes its
// shooting date and its modification time is set to it; without one the day is today. A movie
// (AVI) takes MovieNameDay, and its modification time is set to that day at 01:00:00.
SerialDay SerialFileDay(const std::filesystem::path& received, const std::string& name, std::time_t now);

// The collision key of a received or filed file: a still image's shooting date, else its size in
// bytes as a decimal; a movie's size. Empty when the file is missing.
std::string SerialCollisionKey(const std::filesystem::path& file);

// The worker part of the one-folder import: Connect, CheckBattery, GoToRoot, ChangeFolder("DCIM"),
// CheckBattery, ListFolders. beforeStep runs before each step (the dialog's wait cursor). On failure
// the camera connection is ended; the caller shows the code (ShowLinkError) on its own thread.
// Afterwards the link's folder list holds the picture folders and the camera stands in DCIM.
LinkResult ConnectAndListFolders(CCameraLink& link, const std::function<void()>& beforeStep = {});

// The entry the folder-selection dialog selects first: the folder the link remembers, else the
// first. Nothing for an empty folder list.
std::optional<size_t> PreselectedFolder(const CCameraLink& link);

struct SerialImportOptions {
  std::optional<int> classification;  // 0 by date, 1 into a dated folder; default "Classitication"
  std::optional<std::string> title;   // wins over "InputTitle": the title of every day the run made
  bool openBrowser = true;            // false: never open the library afterwards
  // Saves the album after the day pages (the program's own save, which also refreshes the library
  // copy). Empty: the working album of the home folder is written. False ends the run rolled back.
  AlbumSave save;
  // The clock of SerialFileDay (tests); empty: the system clock.
  std::function<std::time_t()> now;
};

class CSerialImport : public CFolderOps {
 public:
  CSerialImport(CRKCardAlbumDoc& album, Interaction& ui, SerialImportOptions options = {});
  ~CSerialImport() override;

  // Every picture folder of the camera: asks the date (dated-folder mode), connects, lists every
  // folder's files, fetches and files them.
  ImportResult RunAllFolders(CCameraLink& link);
  // One folder of a camera that ConnectAndListFolders has connected (standing in DCIM): asks the
  // date (dated-folder mode; Cancel ends the connection), lists the folder's files, fetches and
  // files them.
  ImportResult RunChosenFolder(CCameraLink& link, const std::string& folder);

  const std::filesystem::path& LibraryRoot() const { return libraryRoot_; }
  // Files filed into the library in this run (duplicates not counted).
  int64_t PlacedCount() const { return placedCount_; }

 private:
  struct CameraFolder {
    std::string name;
    std::vector<std::string> files;
  };

  bool Prepare();
  bool AskDatedFolder();
  ImportResult Transfer(CCameraLink& link, const std::vector<CameraFolder>& folders, bool goUpAfterEach);
  ImportResult LinkFailed(CCameraLink& link, LinkResult code);
  bool EnsureReceiveFolder();
  void RemoveReceiveFolder();

  // Files one received file; false ends the run as a placement failure.
  bool FileReceived(const std::filesystem::path& received, const std::string& cameraFolder);
  bool FileIntoFolder(const std::filesystem::path& received, const std::filesystem::path& targetFolder,
                      const std::string& dayFolder, const SerialDay& day, bool& placed);
  bool TurnUpright(const std::filesystem::path& received);

  std::string CreateDay(const std::filesystem::path& folder);

  ImportResult Finish();
  void RollBack();
  void ApplyTitles();

  CRKCardAlbumDoc& album_;
  Interaction& ui_;
  SerialImportOptions options_;
  int classification_ = 0;
  std::filesystem::path libraryRoot_;
  std::filesystem::path receiveFolder_;  // made under the home for this run, removed at its end
  std::string snapshot_;                 // the album as it was, for the roll-back
  std::string datedFolder_;              // stored path of the dated folder (dated-folder mode)
  std::string titleSource_;              // shown in the title question
  std::unique_ptr<Progress> progress_;
  std::vector<std::string> newDays_;
  std::vector<std::string> touchedDays_;
  std::map<std::string, std::string> dayTemplatesBefore_;
  int64_t placedCount_ = 0;
};

}  // namespace orrivan
