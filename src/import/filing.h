// The filing steps the card import and the serial import share: where the library is, which day
// folder a file goes to, what a taken name is and which name a file gets instead, and the close of a
// run (titles, pages, save, browser). Each step takes the album and the dialogs it needs; the engines
// keep their own run state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

// ---- the library and its days ----

// The library root to file into: the configured root, created when missing, else the library folder
// of the home. Nothing (after a Stop message) when the album has days under a root that is missing
// (a disk that is not mounted) or no folder can be made.
std::optional<std::filesystem::path> SettleImportLibraryRoot(const CRKCardAlbumDoc& album, Interaction& ui);

// YYYYMMDD_NN with the first free NN after the highest one the album knows for the date; empty
// when every number up to 99 is taken.
std::string MakeDatedFolderName(const CRKCardAlbumDoc& album, const std::filesystem::path& libraryRoot,
                                const std::string& date);

// The template column text a day filed now gets: "TemplateType,TemplateBackCol".
std::string CurrentTemplateString();

// The stored folder path of the album day named `day` (last component, any case); empty when none.
std::string FindDayFolder(const CRKCardAlbumDoc& album, const std::string& day);

// Adds the record of a new day for folder with the current settings; returns its stored path.
std::string AddNewDayRecord(CRKCardAlbumDoc& album, const std::filesystem::path& folder, bool shortcutDay);

// A day about to take one file: its count grows by the file and it takes the current template (the
// one it had before the run is kept in templatesBefore). False when the album has no such day.
bool OpenDayForFile(CRKCardAlbumDoc& album, const std::string& dayFolder,
                    std::map<std::string, std::string>& templatesBefore);
// After the placement: a file that was not placed (a duplicate) is taken off the count again, and a
// day no file reached in this run gets its template back; a placed file marks the day as touched.
void CloseDayForFile(CRKCardAlbumDoc& album, const std::string& dayFolder, bool placed,
                     std::map<std::string, std::string>& templatesBefore, std::vector<std::string>& touchedDays);

// Adds bytes to the total of the day record at dayFolder (when there is one).
void AddToDayTotal(CRKCardAlbumDoc& album, const std::string& dayFolder, int64_t bytes);

// ---- names ----

// The real name of `name` inside folder, matched in any case; nothing when it is not there.
using ExistingNameLookup =
    std::function<std::optional<std::string>(const std::filesystem::path& folder, const std::string& name)>;
// The key two files are compared by; empty when the file is missing.
using CollisionKey = std::string (*)(const std::filesystem::path& file);

// Reads the folder for each lookup (no cache).
std::optional<std::string> ExistingNameInFolder(const std::filesystem::path& folder, const std::string& name);

// The name with "_" + suffix before its extension; suffix 0 is the name itself.
std::string SuffixedName(const std::string& name, int suffix);

// A name counts as taken when it exists, or when its still-image / memo twin does (so that a memo is
// never shown with a picture it does not belong to). All in any case.
bool NameTaken(const ExistingNameLookup& existing, const std::filesystem::path& folder, const std::string& name);

// Outcome of the collision check for one file.
struct NameCollision {
  bool duplicate = false;  // the file is already in the library under suffix `suffix`
  int suffix = 0;          // 0 = the planned name itself, k >= 1 = SuffixedName(planned, k)
};
// The key check against the planned target and its suffixed names: the first name whose file has
// the source's key is a duplicate, else the first free one is taken. nullopt when no free name was
// found within the bound. The card and the serial imports compare by different keys.
std::optional<NameCollision> ResolveNameCollision(const std::filesystem::path& source,
                                                  const std::filesystem::path& target, CollisionKey key,
                                                  const ExistingNameLookup& existing);

// ---- the close of a run ----

// The longest title the title dialog accepts, in bytes (a title is cut into 20-byte pieces for the
// list pages and edited there in place, so it stays short).
inline constexpr size_t kMaxTitleBytes = 255;
// The title question for a source (empty: the question of an existing library), pre-filled.
TitleQuestion TitleQuestionFor(const std::string& source, const std::string& suggestion = {});
// Sets the title of the day at folder; an empty title changes nothing.
void SetDayTitle(CRKCardAlbumDoc& album, const std::string& folder, const std::string& title);

// Saves the album; false ends the run rolled back.
using AlbumSave = std::function<bool(CRKCardAlbumDoc&, Interaction&)>;
// The day pages of days, the album save (save, or the working album of the home with a message on
// failure when save is empty), then the library pages.
bool WriteImportPagesAndSave(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& days,
                       const AlbumSave& save);

// Opens the library page the settings name, unless openBrowser is false or "ShowLibrary" says not to.
void OpenLibraryAfterImport(Interaction& ui, bool openBrowser);

}  // namespace orrivan
