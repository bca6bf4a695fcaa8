// Erasing whole libraries (day folders with their records) and single images inside one library.
// Every question goes through the Interaction; deleted files go to the Trash, never for good.
#pragma once

#include <string>
#include <vector>

#include "base/interaction.h"
#include "maintenance/library_tree.h"

namespace orrivan {

class CRKCardAlbumDoc;

enum class MaintenanceResult {
  Done,        // the run went through (some libraries may have been skipped by the user)
  Cancelled,   // the first confirmation was cancelled, or the user stopped the run
  Refused,     // the request cannot be carried out (a destination overlapping the library, ...)
  Failed,      // a step failed part-way; what was done so far is saved
  NothingToDo, // nothing was selected or found
};

struct EraseLibrariesReport {
  MaintenanceResult result = MaintenanceResult::NothingToDo;
  std::vector<std::string> erasedNames;    // day folder names whose records went
  std::vector<std::string> keptFolders;    // answered "いいえ(&N)" or left by a cancelled pass
  std::vector<std::string> foldersStayed;  // erased from the album, but the folder is still on disk
  bool saved = false;
};

// The erase of the selected libraries (stored folder paths, list order): one confirmation, then two
// passes, first the libraries of the first one's kind, then the others, each with its own question
// per library ("はい(&Y)", "いいえ(&N)", "全て消去(&A)", "ｷｬﾝｾﾙ"; Cancel ends only that pass). Only day
// folders that are direct children of the library root are deleted from disk. Then the album is
// saved and the pages are written without the erased days.
EraseLibrariesReport EraseLibraries(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                                    const AlbumSaver& save = SaveWorkingAlbum);

struct EraseImagesReport {
  MaintenanceResult result = MaintenanceResult::NothingToDo;
  std::vector<std::string> erasedFiles;  // every file sent to the Trash
  std::vector<std::string> keptImages;   // marked, but kept (read-only and the user cancelled)
  bool dayErased = false;                // no picture was left: the day went as well
  bool saved = false;
};

// The erase of marked images (stored picture paths) of one library (stored folder path): the image,
// its preview (unless another picture that stays shares it), its voice memo twin and the shortcut
// files that stand for them go to the Trash; a read-only image is asked for first. The library is
// then filed again in place, and its day page, list rows and calendar are written again.
EraseImagesReport EraseImages(CRKCardAlbumDoc& album, Interaction& ui, const std::string& dayFolder,
                              const std::vector<std::string>& marked, const AlbumSaver& save = SaveWorkingAlbum);

// The question text for one library: its display date, a space, its title, then the question of its
// kind.
std::string EraseLibraryQuestion(const std::string& dayName, const std::string& title, bool shortcutLibrary);
// The four buttons of that question, in order.
std::vector<std::string> EraseLibraryButtons();

}  // namespace orrivan
