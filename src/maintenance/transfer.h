// Moving libraries out of the library into a folder of the user's choice, and copying them there as
// a backup. Either way the destination becomes a self-contained album: "autorun.inf", the two frame
// pages, "HTML" with the calendar and list pages of just those libraries, and "Image Library" with
// one folder per library, its pictures, previews and day page.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "maintenance/erase.h"
#include "maintenance/library_tree.h"

namespace orrivan {

class CRKCardAlbumDoc;

struct TransferReport {
  MaintenanceResult result = MaintenanceResult::NothingToDo;
  std::vector<std::string> doneNames;     // moved or copied, in list order
  std::vector<std::string> skippedNames;  // already in the destination's library folder
  std::string stoppedAt;                  // the library whose transfer failed or was cancelled
  bool saved = false;                     // the main album was saved (move)
};

// True when chosenFolder/"Image Library" is the library root, contains it or lies inside it
// (canonical paths). Such a destination is refused before anything moves.
bool DestinationOverlapsLibrary(const std::filesystem::path& chosenFolder, const std::filesystem::path& libraryRoot);
// A destination whose HTML folder or frame pages are those of the home folder (the home itself, or
// links to its pages), compared by file identity.
bool DestinationHoldsMainPages(const std::filesystem::path& chosenFolder, const std::filesystem::path& home);

// Moves the selected libraries (stored folder paths, list order) into chosenFolder. Files move with
// rename, or across file systems by a verified copy whose source goes only after the album is saved.
// While a library's day page and the destination pages are written its record points at the
// destination. When every library moved, their records leave the album, the album is saved, the old
// folders are deleted and the main pages are written without them. A run that stops part-way puts
// the library it was moving back, keeps the libraries moved so far at the destination with their
// records pointing there, and saves the album as it then stands.
TransferReport MoveLibraries(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                             const std::filesystem::path& chosenFolder, const AlbumSaver& save = SaveWorkingAlbum);

// Copies the selected libraries into chosenFolder (an earlier copy of a library there is replaced
// file by file). The main album, its folders and its pages are not changed.
TransferReport BackupLibraries(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                               const std::filesystem::path& chosenFolder);

}  // namespace orrivan
