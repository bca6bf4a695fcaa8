// The mail program that the day pages' MAIL button names, the print button and the attachment size:
// the mail entries (the four historic ones stay, as album records store their names; then the mail
// programs Linux users have), which of them are installed (an executable of that program on PATH),
// the choice written to "MailName", and ApplyToLibrary, which rebuilds every reachable day with the
// current choices.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "maintenance/edit.h"
#include "maintenance/library_tree.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Entries 0-3 are the historic ones; 4 and 5 are the Linux mail programs.
inline constexpr int kMailEntries = 6;

struct MailProgram {
  const char* name;                      // the "MailName" value
  std::vector<const char*> executables;  // names looked for on PATH; none for entry 0
  const char* iconName;                  // the desktop icon theme's name for it; nullptr for none
};
const std::array<MailProgram, kMailEntries>& MailPrograms();

// The executable of an entry found on PATH (an executable regular file); nothing for entry 0 or a
// program that is not there. Empty PATH components (the current folder) are not searched.
std::optional<std::filesystem::path> MailProgramPath(int index);
// Entries from 1 on whose program is on PATH. Entry 0 names no program and is never "installed".
bool IsMailProgramInstalled(int index);
// Entry 0 always; the others when installed.
bool IsMailEntrySelectable(int index);

// The entry whose name equals "MailName"; 0 when none does (the value is not rewritten).
int SelectedMailEntry();
// Writes the entry's name to "MailName" when it is selectable; false (nothing written) otherwise.
bool ChooseMailProgram(int index);
// "MailName" never set: writes the no-mail-program name and returns true (the page then shows its
// further notice); false when a value was stored.
bool SettleMailName();

// ApplyToLibrary: asks ("再構築"), then for every day in album order whose folder is reachable files
// the folder again in place; a day without pictures is erased, the others get a new record with their
// title and template text and the current "PrintButton" and "MailName", and their day page written
// with the indexes their template text names. List pages, album save and calendar follow.
ApplyOptionsReport ApplyToLibrary(CRKCardAlbumDoc& album, Interaction& ui, const AlbumSaver& save = SaveWorkingAlbum);

}  // namespace orrivan
