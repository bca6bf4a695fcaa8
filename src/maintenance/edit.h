// Editing libraries that exist: the title of one library, and the page options (template, colour,
// print and mail buttons, attachment size) applied to selected libraries by filing each folder
// again in place and writing its day page with the current options.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "import/filing.h"
#include "maintenance/erase.h"
#include "maintenance/library_tree.h"

namespace orrivan {

class CRKCardAlbumDoc;

// A title the title dialog accepts: at most kMaxTitleBytes bytes, no line break or other control
// character.
bool IsAcceptableTitle(const std::string& title);

struct EditTitleReport {
  MaintenanceResult result = MaintenanceResult::NothingToDo;
  bool saved = false;
  bool pagesOk = false;
};

// Sets the title of one library (stored folder path). Without a title the title dialog asks,
// prefilled with the current one; Cancel changes nothing. The album is saved and the pages showing
// the title are written again, also when the text did not change.
EditTitleReport EditTitle(CRKCardAlbumDoc& album, Interaction& ui, const std::string& dayFolder,
                          std::optional<std::string> title, const AlbumSaver& save = SaveWorkingAlbum);

// A day folder can be rebuilt: it exists, and when it lies under one of the removable-volume roots
// (/media, /run/media, /mnt) the volume holding it is mounted there, not just an empty mount point.
bool IsLibraryReachable(const std::filesystem::path& folder);
// Replaces the removable-volume roots (tests); an empty list restores them.
void SetRemovableRootsForTesting(std::vector<std::filesystem::path> roots);

struct ApplyOptionsReport {
  MaintenanceResult result = MaintenanceResult::NothingToDo;
  std::vector<std::string> rebuiltNames;
  std::vector<std::string> erasedNames;      // nothing left to file: the day went
  std::vector<std::string> unreachableNames; // skipped: records and pages stay as they were
  bool saved = false;
};

class CAlbumData;
struct DayOptions;
struct TemplateIndexes;

// One day of an options run: skipped when unreachable, else filed again in place with `options` and
// given its day page through `plugin`; the outcome lands in `report`.
void ApplyOptionsToDay(CRKCardAlbumDoc& album, const CAlbumData& old, const DayOptions& options,
                       const TemplateIndexes& indexes, const std::string& plugin,
                       const std::filesystem::path& root, ApplyOptionsReport& report);
// The end of an options run: when any day changed, save and regenerate the main pages.
void FinishApplyOptions(CRKCardAlbumDoc& album, Interaction& ui, const AlbumSaver& save, ApplyOptionsReport& report);

// Applies the current page options to the selected libraries (stored folder paths, list order):
// asks first ("再構築"), then files each reachable folder again in place; a library without pictures
// is erased, the others get a new record with their old title and the current template text, print
// button and mail program, and a day page written with the current template.
ApplyOptionsReport ApplyOptions(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                                const AlbumSaver& save = SaveWorkingAlbum);

}  // namespace orrivan
