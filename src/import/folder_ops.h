// The operations on whole library trees that the import engine object carries (copy a tree, move the
// library, delete a tree, undo a run) and the placement of one file. Every operation records what it
// created or placed, so that a failed or cancelled run can be undone. Walks use full paths; nothing
// changes the current directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Transfer mode of a placement.
enum TransferMode : int { kTransferNone = 0, kTransferMove = 1, kTransferCopy = 2, kTransferShortcut = 3 };

// One file the run wrote into the library.
struct PlacedFile {
  enum class How {
    Created,        // copied, linked or written in place (previews): undo deletes newPath
    Renamed,        // moved (renamed) for good: undo renames newPath back to oldPath
    CopiedForMove,  // a move not yet committed: the target is a second link (one file system) or a
                    // complete, verified copy (across file systems); the source stays until
                    // CommitMoves, and undo deletes the target only
  };
  std::filesystem::path oldPath;  // empty for Created
  std::filesystem::path newPath;
  How how = How::Created;
};

// What one run did, in the order it happened.
struct RunRecords {
  std::vector<std::filesystem::path> createdFolders;
  std::vector<PlacedFile> placedFiles;
  std::vector<std::pair<std::string, std::string>> movedPictures;  // old record path, new record path
  std::vector<std::string> movedDays;                              // old day folder paths
  std::vector<std::string> newPictures;  // stored paths of the picture records added in this run
  std::vector<std::string> newDays;      // stored folder paths of the day records added in this run
  bool cancelled = false;

  void AddCreatedFolder(const std::filesystem::path& folder) { createdFolders.push_back(folder); }
  void AddPlaced(const std::filesystem::path& path) { placedFiles.push_back({{}, path, PlacedFile::How::Created}); }
};

// Name of the shortcut a mode-3 placement writes: the target + ".lnk".
std::filesystem::path ShortcutPath(const std::filesystem::path& target);

// The freedesktop Trash. Creates the data folder first (Qt would otherwise put the trash into the
// current folder). False leaves the file where it is: a failed trash is never a permanent delete.
// A symbolic link is trashed as itself, by its own location, never through its target.
bool MoveToTrash(const std::filesystem::path& path);
// The link at path into the trash of its own file system; false leaves it where it is.
bool TrashLinkItself(const std::filesystem::path& path);

// Gives the owner write bits back (the "normal" attribute); never follows a symbolic link.
void ClearAttributes(const std::filesystem::path& path);

// The steps of the tree walks below: files and symbolic links directly in a folder, and below it
// (links are not entered). Other kinds of entry (pipes, sockets, devices) are never placed.
int64_t CountFolderFiles(const std::filesystem::path& folder);
int64_t CountTreeFiles(const std::filesystem::path& folder);

class CFolderOps {
 public:
  CFolderOps() = default;
  virtual ~CFolderOps() = default;
  CFolderOps(const CFolderOps&) = delete;
  CFolderOps& operator=(const CFolderOps&) = delete;

  // Places one file. Never replaces an existing target: a taken target is a failure. A move within
  // one file system adds the target as a second link (a rename where links are not supported);
  // across file systems the file is copied, synced and verified. Either way the source stays until
  // CommitMoves. A copy keeps the source's modification time and read-only state. Mode 3 writes a
  // symbolic link ShortcutPath(target) -> the absolute source.
  bool PlaceFile(const std::filesystem::path& source, const std::filesystem::path& target, int mode);

  // Removes the sources of moves; call only after the album has been saved. Returns false when a
  // source could not be removed (it then stays: a file in two places); stayed, when given, gets
  // each such source.
  bool CommitMoves(std::vector<std::filesystem::path>* stayed = nullptr);

  // Copies (or moves, or links) every file of source into target; byteCounter grows by each size.
  // A symbolic link (a shortcut) is placed as the link it is, never as the file it names. Each file
  // steps the progress window; a cancel seen there sets the cancel flag and ends the walk with 0.
  int CopyFiles(const std::filesystem::path& source, const std::filesystem::path& target,
                int64_t& byteCounter, int mode, Progress* progress);
  // The same for every subfolder, recursively, creating target folders.
  int CopySubfolders(const std::filesystem::path& source, const std::filesystem::path& target,
                     int64_t& byteCounter, int mode, Progress* progress);
  // A whole tree: target (created when missing), the files of source, then its subfolders.
  int CopyTree(const std::filesystem::path& source, const std::filesystem::path& target,
               int64_t& byteCounter, int mode, Progress* progress);

  // The walks step the progress window on from this position, so that the walks of several runs
  // (one object per library) share one window.
  void SetProgressPosition(int64_t position) { walkPosition_ = position; }
  int64_t ProgressPosition() const { return walkPosition_; }
  // A copy replaces a file (never a folder) of its name at the target: a backup made again into the
  // same folder. Off by default: a placement never replaces.
  void SetReplaceCopies(bool replace) { replaceCopies_ = replace; }

  // Creates a folder and records it; true when it exists afterwards.
  bool CreateFolder(const std::filesystem::path& folder);
  // The folder and every missing folder above it, each recorded.
  bool CreateFolderPath(const std::filesystem::path& folder);

  // Places every day folder of oldRoot under newRoot and changes the picture records' paths; the
  // caller changes the day records (recording them in movedDays) and saves.
  int MoveLibrary(const std::filesystem::path& oldRoot, const std::filesystem::path& newRoot,
                  int64_t& byteCounter, int mode, CRKCardAlbumDoc& album, Progress* progress);
  // Puts a library move back: files, folders, picture paths, and the day records listed.
  void UndoLibraryMove(const std::vector<std::string>& newDayFolders, int mode, CRKCardAlbumDoc& album);

  // Sends every file of the folder to the Trash (after clearing attributes). Symbolic links are
  // trashed as links, never followed.
  int DeleteFiles(const std::filesystem::path& folder);
  // Deletes every subfolder's files and subfolders, then removes the subfolder.
  int DeleteSubfolders(const std::filesystem::path& folder);
  // Removes the folders of a tree that hold nothing (what a stopped move emptied), the folder itself
  // last; a folder that still holds a file stays, and so do the folders above it.
  void RemoveEmptyFolders(const std::filesystem::path& folder);

  // Undoes a failed or cancelled run: picture records (with the days' totals unless keepTotals),
  // day records, placed files, created folders newest first.
  void UndoRun(int runKind, CRKCardAlbumDoc& album, bool keepTotals);

  RunRecords& Records() { return records_; }
  const RunRecords& Records() const { return records_; }
  bool Cancelled() const { return records_.cancelled; }

 protected:
  // Deletes the source of a committed move; tests put a card that refuses in here.
  virtual bool RemoveMovedSource(const std::filesystem::path& source);
  void UndoPlacements();
  void RemoveCreatedFolders();

  RunRecords records_;

 private:
  // One file of a walk: counted and placed (a link as a link, an earlier copy replaced when asked).
  bool PlaceWalked(const std::filesystem::path& file, const std::filesystem::path& target, int64_t& byteCounter,
                   int mode);
  bool PlaceLink(const std::filesystem::path& source, const std::filesystem::path& target, int mode);
  // One step of the progress window; false when the user cancelled.
  bool Step(Progress* progress);

  int64_t walkPosition_ = 0;
  bool replaceCopies_ = false;
};

}  // namespace orrivan
