#include "maintenance/mail_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "base/settings.h"
#include "base/strings.h"
#include "html/plugin_host.h"
#include "library/album_document.h"
#include "library/album_records.h"
#include "library/layout.h"
#include "maintenance/maintenance_pages.h"
#include "maintenance/refile.h"

namespace orrivan {

namespace fs = std::filesystem;

const std::array<MailProgram, kMailEntries>& MailPrograms() {
  static const std::array<MailProgram, kMailEntries> programs = {{
      {kNoMailProgram, {}, nullptr},
      {"Outlook Express", {"msimn", "msimn.exe"}, nullptr},
      {"Outlook", {"outlook", "OUTLOOK.EXE"}, nullptr},
      {"Eudora", {"eudora", "EUDORA.EXE"}, nullptr},
      // No Linux system has the three above, so without these nobody could have a MAIL button. The
      // day pages' button is a mailto: link, which the browser hands to the desktop's mail program.
      {"Thunderbird", {"thunderbird"}, "thunderbird"},
      {"Evolution", {"evolution"}, "evolution"},
  }};
  return programs;
}

std::optional<fs::path> MailProgramPath(int index) {
  if (index < 1 || index >= kMailEntries) return std::nullopt;
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::istringstream folders{std::string(path)};
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    for (const char* name : MailPrograms()[static_cast<size_t>(index)].executables) {
      const fs::path candidate = fs::path(folder) / name;
      struct stat st {};
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
  }
  return std::nullopt;
}

bool IsMailProgramInstalled(int index) { return MailProgramPath(index).has_value(); }

bool IsMailEntrySelectable(int index) { return index == 0 || IsMailProgramInstalled(index); }

int SelectedMailEntry() {
  const std::string name = settings::GetString(settings::Key::MailName);
  for (int i = 0; i < kMailEntries; ++i)
    if (name == MailPrograms()[static_cast<size_t>(i)].name) return i;
  return 0;
}

bool ChooseMailProgram(int index) {
  if (index < 0 || index >= kMailEntries || !IsMailEntrySelectable(index)) return false;
  return settings::SetString(settings::Key::MailName, MailPrograms()[static_cast<size_t>(index)].name);
}

bool SettleMailName() {
  const settings::Entry& entry = settings::EntryOf(settings::Key::MailName);
  if (settings::ReadString(entry.section, entry.name, "error") != "error") return false;
  settings::SetString(settings::Key::MailName, kNoMailProgram);
  return true;
}

ApplyOptionsReport ApplyToLibrary(CRKCardAlbumDoc& album, Interaction& ui, const AlbumSaver& save) {
  ApplyOptionsReport report;
  MaintenanceBusyGuard busy;
  if (!ui.Confirm(Str(StrId::ApplyOptionsText) + "\n" + Str(StrId::RebuildQuestion) + "\n" + Str(StrId::ApplyOptionsNote),
                  Icon::Question, BoxLook{Str(StrId::RebuildConfirmCaption), {}})) {
    report.result = MaintenanceResult::Cancelled;
    return report;
  }
  std::unique_ptr<Progress> progress = ui.OpenProgress(Str(StrId::RebuildCaption));
  if (progress) progress->SetText(Str(StrId::RebuildText), Str(StrId::PleaseWait));
  const std::string plugin = settings::GetString(settings::Key::DllPath);
  const int printButton = settings::GetInt(settings::Key::PrintButton);
  const std::string mailName = settings::GetString(settings::Key::MailName);
  const fs::path root = layout::LibraryRoot();

  // The days as they were: the loop takes records out and puts new ones in.
  std::vector<CAlbumData> days;
  for (const CAlbumData& day : album.Days()) days.push_back(day);
  if (progress) progress->SetRange(static_cast<int64_t>(days.size()));
  int64_t done = 0;
  for (const CAlbumData& old : days) {
    ApplyOptionsToDay(album, old, DayOptions{old.templateName, printButton, mailName},
                      DeriveTemplateIndexes(old.templateName), plugin, root, report);
    if (progress) progress->SetPosition(++done);
  }
  FinishApplyOptions(album, ui, save, report);
  return report;
}

}  // namespace orrivan
