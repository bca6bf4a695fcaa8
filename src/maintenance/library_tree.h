// The tree work that erase, move, backup and the rebuilds share: deleting a day folder (only ever a
// direct child of the root it belongs to, files to the Trash, through the library's folder
// operations), the destination's autorun file and page attributes, and the album save every
// maintenance run ends with.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "import/folder_ops.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Set while an erase, move, backup or edit runs; the library list does not sort meanwhile and the
// auto-import poll waits.
extern std::atomic<int> g_maintenanceBusy;
class MaintenanceBusyGuard {
 public:
  MaintenanceBusyGuard() { g_maintenanceBusy = 1; }
  ~MaintenanceBusyGuard() { g_maintenanceBusy = 0; }
  MaintenanceBusyGuard(const MaintenanceBusyGuard&) = delete;
  MaintenanceBusyGuard& operator=(const MaintenanceBusyGuard&) = delete;
};

// How a maintenance run saves the album. The programs pass the start-up's SaveAlbum; the default
// writes the working album of the album's home (which also refreshes the library copy) and shows
// the standard message on failure.
using AlbumSaver = std::function<bool(CRKCardAlbumDoc&, Interaction&)>;
bool SaveWorkingAlbum(CRKCardAlbumDoc& album, Interaction& ui);

// folder is a real folder (not a link) whose parent is root, both compared canonically.
bool IsDirectChildFolder(const std::filesystem::path& folder, const std::filesystem::path& root);

// Sends every file of a day folder to the Trash (sub-folders first, then the folder's own files) and
// removes the folders. Refuses (false, nothing touched) unless the folder is a direct child of root.
// True when the folder is gone afterwards; a file that cannot be trashed stays, and so does its folder.
bool DeleteDayFolder(const std::filesystem::path& folder, const std::filesystem::path& root);

// "autorun.inf" in the chosen folder as raw bytes: it opens library_1.htm ("DisplayMethod" 0) or
// library_2.htm (otherwise). No trailing line break.
std::string AutorunText(int displayMethod);
bool WriteAutorun(const std::filesystem::path& chosenFolder);

// library_1.htm, library_2.htm and every file below HTML/ of a destination get the normal attribute
// (owner may write); files whose mode cannot be changed are left as they are.
void ResetDestinationAttributes(const std::filesystem::path& chosenFolder);

// The day folder name of a stored folder path.
std::string DayNameOf(const std::string& storedFolder);

}  // namespace orrivan
