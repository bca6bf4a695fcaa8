// The import engine: files every still image, movie and voice memo of the chosen source folders into
// day folders of the library, has each previewed and recorded, and finishes with pages, the album
// save and the browser. One object per run; it records everything it did so that a failed or
// cancelled run leaves library, album and card as they were.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "base/strings.h"
#include "import/filing.h"
#include "import/folder_ops.h"
#include "import/import_prefetch.h"

namespace orrivan {

class CRKCardAlbumDoc;

// What the command line (or another driver) decides instead of the settings.
struct ImportOptions {
  std::optional<int> transferMode;    // kTransferMove / kTransferCopy; default "CopyImage"
  std::optional<int> classification;  // 0 by date, 1 into a dated folder; default "Classitication"
  std::optional<std::string> title;   // wins over "InputTitle": the title of every day the run made
  bool openBrowser = true;            // false: never open the library afterwards
  StrId progressCaption = StrId::ImportCaption;  // the automatic import shows its own
  // The progress line while files are placed; default by the transfer mode (a driver that moves
  // files it received itself still says what the user chose).
  std::optional<StrId> placingText;
  // Threads that read, turn and preview ahead of the walk; 1 runs the whole import on one thread.
  // Default: ORRIVAN_IMPORT_THREADS, else one per core. Either way the result is the same.
  std::optional<int> threads;
};

enum class ImportResult {
  Done,           // files were filed, pages written, album saved
  NothingToDo,    // nothing to import (or every source dropped, or nothing filed); nothing changed
  Cancelled,      // the user cancelled; rolled back
  Failed,         // a placement or the save failed; rolled back, message shown
};

class CImportEngine : public CFolderOps {
 public:
  CImportEngine(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options = {});

  // The whole run over the sources, in their order.
  ImportResult Run(const std::vector<std::filesystem::path>& sources);

  // Number of files a source holds as the import walks it; `items` grows by the progress items (each
  // JPG and AVI, and each WAV without a JPG beside it). withPreviews counts a same-named file in the
  // folder's PREVIEW subfolder as one more file.
  int CountItems(const std::filesystem::path& source, int64_t* items, int withPreviews);

  // YYYYMMDD_NN with the first free NN after the highest one the album knows for the date; empty
  // when every number up to 99 is taken.
  std::string MakeDatedFolderName(const std::string& date) const;

  // Outcome of the collision check for one file.
  using Collision = NameCollision;
  // The key check (FileKey) against the planned target and its suffixed names. nullopt when no free
  // name was found within the bound.
  std::optional<Collision> ResolveNameCollision(const std::filesystem::path& source,
                                                const std::filesystem::path& target);

  // The comparison key of a file: its shooting date (JPG), else its modification time; a time
  // outside the trusted range is replaced by the size in decimal. Empty when the file is missing.
  static std::string FileKey(const std::filesystem::path& file);

  const std::filesystem::path& LibraryRoot() const { return libraryRoot_; }
  int64_t ItemsDone() const { return position_; }

 protected:
  // The entries of a source folder in name order ignoring case; ok is false when it could not be
  // listed whole. Tests put a failing card in here.
  virtual std::vector<std::filesystem::directory_entry> ListFolder(const std::filesystem::path& folder,
                                                                   bool& ok) const;

  // Per-folder walk state.
  struct Folder {
    std::filesystem::path path;
    // Lower-case names of the memos in this folder that have a JPG beside them.
    std::map<std::string, bool> memos;
  };
  static std::map<std::string, bool> MemosWithImages(const std::vector<std::filesystem::path>& files);
  // A shortcut's collision check: a link of the name that already points at the source, or a
  // library file with the source's key, is the picture itself; any other taken name moves on.
  std::optional<Collision> ResolveShortcutCollision(const std::filesystem::path& source,
                                                    const std::filesystem::path& targetFolder,
                                                    const std::string& name);

  bool IsDcfSource(const std::filesystem::path& source) const;
  // Both set listingFailed_ when the folder cannot be listed.
  std::vector<std::filesystem::path> TakenSubfolders(const std::filesystem::path& source, bool dcf, bool skipHtml);
  std::vector<std::filesystem::path> TakenFiles(const std::filesystem::path& folder, bool dcf);

  bool ImportByDate(const std::filesystem::path& source);
  bool ImportIntoDatedFolder(const std::filesystem::path& source, const std::filesystem::path& datedFolder);
  bool ImportFolderByDate(const std::filesystem::path& folder);
  // Files one file into the day (creating the day when the album has none).
  bool FileIntoDay(const std::filesystem::path& source, const std::string& day, Folder* folder);
  // Places one file into a folder under the day record at dayPosition (shared by both modes).
  bool FileIntoFolder(const std::filesystem::path& source, const std::filesystem::path& targetFolder,
                      const std::string& dayFolder, Folder* folder, bool& placed);
  bool ImportUndatedFiles();
  void Advance(const std::filesystem::path& source);
  bool CheckCancel();

  // The still images and movies of the walk, in the walk's order, handed to the workers.
  // Each folder with whether the DCF naming rule picks its files.
  using WalkFolder = std::pair<std::filesystem::path, bool>;
  void StartPrefetch(const std::vector<WalkFolder>& folders);
  std::vector<WalkFolder> WalkFolders(const std::vector<std::filesystem::path>& sources, bool skipHtml);

  void RollBack();
  void CleanupMovedFolders();
  void ApplyTitles();

  std::string CreateDay(const std::filesystem::path& folder);

  // Case-insensitive existence inside a library folder; the real name when found.
  std::optional<std::string> ExistingName(const std::filesystem::path& folder, const std::string& name);
  ExistingNameLookup CachedLookup();
  void NotePlacedName(const std::filesystem::path& folder, const std::string& name);

  CRKCardAlbumDoc& album_;
  Interaction& ui_;
  ImportOptions options_;
  int mode_ = kTransferCopy;
  int classification_ = 0;
  bool dcf_ = false;
  std::filesystem::path libraryRoot_;
  std::string snapshot_;  // the album as it was, for the roll-back
  std::unique_ptr<Progress> progress_;
  int64_t position_ = 0;
  int64_t total_ = 0;

  std::vector<std::string> newDays_;      // stored folder paths of days made in this run
  std::vector<std::string> touchedDays_;  // stored folder paths of days that got a file
  std::map<std::string, std::string> dayTemplatesBefore_;  // day -> template before this run
  std::vector<std::filesystem::path> undated_;
  std::vector<std::filesystem::path> takenFolders_;  // every import subfolder walked (cleanup)
  // Source JPG (lower-case path) -> day and suffix it was filed under in this run, for its memo.
  struct TwinFiling {
    std::string day;
    int suffix = 0;
    bool deferred = false;  // waiting among the undated files
  };
  std::map<std::string, TwinFiling> twins_;
  std::map<std::string, std::map<std::string, std::string>> folderNames_;  // folder -> lower -> real
  std::map<std::string, int> dayFiles_;
  struct DatedSource {
    std::filesystem::path source;
    std::string dayFolder;  // stored
  };
  std::vector<DatedSource> datedSources_;
  int64_t placedCount_ = 0;
  bool listingFailed_ = false;  // a source folder could not be listed: the run fails
  bool undatedLeft_ = false;    // the undated files were left on the card
  std::unique_ptr<CImportPrefetch> prefetch_;
};

}  // namespace orrivan
