// orrivan-cli erase, move, backup, retitle, apply-options, mail and template: the maintenance views
// without a window. DAY is a day folder name as `orrivan-cli list` shows it (or its whole folder
// path when two roots hold the same name). Questions are answered by --yes / --all-of-kind or on the
// terminal; Ctrl-C is the cancel button.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "html/plugin_choice.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "maintenance/edit.h"
#include "maintenance/erase.h"
#include "maintenance/library_list.h"
#include "maintenance/mail_choice.h"
#include "maintenance/transfer.h"

namespace orrivan::cli {

namespace {

namespace fs = std::filesystem;

// The per-library erase question: --all-of-kind answers "全て消去(&A)", --yes "はい(&Y)" for each.
class MaintenanceInteraction : public CliInteraction {
 public:
  MaintenanceInteraction(CliAnswers answers, bool allOfKind) : CliInteraction(std::move(answers)), allOfKind_(allOfKind) {}
  EraseAnswer AskErase(const std::string& text, const BoxLook& look) override {
    if (allOfKind_) return EraseAnswer::YesToAll;
    if (Answers().yes) return EraseAnswer::Yes;
    return CliInteraction::AskErase(text, look);
  }

 private:
  bool allOfKind_;
};

struct Flags {
  bool yes = false;
  bool allOfKind = false;
};

int ExitOf(MaintenanceResult result) {
  switch (result) {
    case MaintenanceResult::Done:
    case MaintenanceResult::NothingToDo:
      return kExitDone;
    case MaintenanceResult::Cancelled:
      return kExitCancelled;
    case MaintenanceResult::Refused:
    case MaintenanceResult::Failed:
      return kExitFailed;
  }
  return kExitFailed;
}

// Runs body in a session of the album with this command's answers.
int WithAlbum(const Flags& flags, const std::function<int(CRKCardAlbumDoc&, MaintenanceInteraction&)>& body) {
  InstallInterruptHandler();
  CliAnswers answers;
  answers.yes = flags.yes;
  MaintenanceInteraction ui(answers, flags.allOfKind);
  return WithAlbumSession(ui, [&](AlbumSession& session) { return body(session.Album(), ui); });
}

// The stored folder paths of the named days, in the order given; nothing (after a message) when a
// name matches no library or more than one.
std::optional<std::vector<std::string>> ResolveDays(const CRKCardAlbumDoc& album, const std::vector<std::string>& days) {
  CLibraryList list;
  list.Load(album);
  std::vector<std::string> folders;
  for (const std::string& day : days) {
    const std::optional<size_t> row = list.FindRow(day);
    if (!row) {
      std::fprintf(stderr, "orrivan-cli: no single library named %s (see orrivan-cli list)\n", day.c_str());
      return std::nullopt;
    }
    folders.push_back(list.Rows()[*row].folderPath);
  }
  return folders;
}

std::vector<std::string> AllDays(const CRKCardAlbumDoc& album) {
  std::vector<std::string> folders;
  for (const CAlbumData& day : album.Days()) folders.push_back(day.folderPath);
  return folders;
}

void PrintCounter(const CRKCardAlbumDoc& album) {
  CLibraryList list;
  list.Load(album);
  std::printf("%s\n", list.CounterText().c_str());
}

void PrintNames(const char* what, const std::vector<std::string>& names) {
  for (const std::string& name : names) std::printf("%s\t%s\n", what, name.c_str());
}

// The picture records of a day named by file name or by path inside the day folder.
std::optional<std::vector<std::string>> ResolveImages(const CRKCardAlbumDoc& album, const std::string& folder,
                                                      const std::vector<std::string>& names) {
  std::vector<std::string> paths;
  const std::string prefix = NormaliseStoredPath(folder) + "/";
  for (const std::string& name : names) {
    std::vector<std::string> matches;
    for (const CPhotoData& picture : album.Pictures()) {
      const std::string path = NormaliseStoredPath(picture.filePath);
      if (!StartsWithIgnoreCase(path, prefix)) continue;
      const std::string inside = path.substr(prefix.size());
      if (EqualsIgnoreCase(inside, name) || EqualsIgnoreCase(layout::LastComponent(path), name))
        matches.push_back(picture.filePath);
    }
    if (matches.size() != 1) {
      std::fprintf(stderr, "orrivan-cli: %s names %s picture of this library\n", name.c_str(),
                   matches.empty() ? "no" : "more than one");
      return std::nullopt;
    }
    paths.push_back(matches.front());
  }
  return paths;
}

int RunErase(const std::vector<std::string>& days, const std::vector<std::string>& images, const Flags& flags) {
  return WithAlbum(flags, [&](CRKCardAlbumDoc& album, MaintenanceInteraction& ui) {
    const auto folders = ResolveDays(album, days);
    if (!folders) return kExitUsage;
    if (!images.empty()) {
      if (folders->size() != 1) {
        std::fprintf(stderr, "orrivan-cli: --images erases pictures of one library; name one DAY\n");
        return kExitUsage;
      }
      const auto marked = ResolveImages(album, folders->front(), images);
      if (!marked) return kExitUsage;
      const EraseImagesReport report = EraseImages(album, ui, folders->front(), *marked, SaveAlbum);
      PrintNames("trashed", report.erasedFiles);
      PrintNames("kept", report.keptImages);
      if (report.dayErased) std::printf("erased\t%s\n", layout::LastComponent(folders->front()).c_str());
      PrintCounter(album);
      return ExitOf(report.result);
    }
    const EraseLibrariesReport report = EraseLibraries(album, ui, *folders, SaveAlbum);
    PrintNames("erased", report.erasedNames);
    for (const std::string& folder : report.foldersStayed)
      std::fprintf(stderr, "orrivan-cli: %s could not be removed from disk\n", folder.c_str());
    if (report.result != MaintenanceResult::Cancelled) PrintCounter(album);
    return ExitOf(report.result);
  });
}

int RunTransfer(bool move, const std::vector<std::string>& days, const std::string& to, const Flags& flags) {
  return WithAlbum(flags, [&](CRKCardAlbumDoc& album, MaintenanceInteraction& ui) {
    const auto folders = ResolveDays(album, days);
    if (!folders) return kExitUsage;
    const fs::path chosen = fs::absolute(to);
    const TransferReport report = move ? MoveLibraries(album, ui, *folders, chosen, SaveAlbum)
                                       : BackupLibraries(album, ui, *folders, chosen);
    PrintNames(move ? "moved" : "copied", report.doneNames);
    PrintNames("skipped", report.skippedNames);
    if (!report.stoppedAt.empty()) std::fprintf(stderr, "orrivan-cli: stopped at %s\n", report.stoppedAt.c_str());
    if (move && report.result != MaintenanceResult::Refused) PrintCounter(album);
    return ExitOf(report.result);
  });
}

int RunRetitle(const std::string& day, const std::string& text, const Flags& flags) {
  return WithAlbum(flags, [&](CRKCardAlbumDoc& album, MaintenanceInteraction& ui) {
    const auto folders = ResolveDays(album, {day});
    if (!folders) return kExitUsage;
    const EditTitleReport report = EditTitle(album, ui, folders->front(), text, SaveAlbum);
    if (report.result == MaintenanceResult::Done && !report.pagesOk)
      std::fprintf(stderr, "orrivan-cli: some pages could not be written\n");
    return ExitOf(report.result);
  });
}

void PrintApplyReport(const ApplyOptionsReport& report) {
  PrintNames("rebuilt", report.rebuiltNames);
  PrintNames("erased", report.erasedNames);
  PrintNames("unreachable", report.unreachableNames);
}

int RunApplyOptions(const std::vector<std::string>& days, bool all, const Flags& flags) {
  return WithAlbum(flags, [&](CRKCardAlbumDoc& album, MaintenanceInteraction& ui) {
    std::vector<std::string> folders;
    if (all) {
      folders = AllDays(album);
    } else {
      const auto named = ResolveDays(album, days);
      if (!named) return kExitUsage;
      folders = *named;
    }
    const ApplyOptionsReport report = ApplyOptions(album, ui, folders, SaveAlbum);
    PrintApplyReport(report);
    if (report.result != MaintenanceResult::Cancelled) PrintCounter(album);
    return ExitOf(report.result);
  });
}

int RunMail(const std::optional<std::string>& set, bool apply, const Flags& flags) {
  if (SettleMailName()) std::printf("MailName was never set; it is now %s\n", kNoMailProgram);
  if (set) {
    int index = -1;
    for (int i = 0; i < kMailEntries; ++i)
      if (*set == MailPrograms()[static_cast<size_t>(i)].name || *set == std::to_string(i)) index = i;
    if (index < 0) {
      std::fprintf(stderr, "orrivan-cli: no mail entry %s\n", set->c_str());
      return kExitUsage;
    }
    if (!ChooseMailProgram(index)) {
      std::fprintf(stderr, "orrivan-cli: %s is not installed (no executable on PATH); MailName stays\n",
                   MailPrograms()[static_cast<size_t>(index)].name);
      return kExitFailed;
    }
  }
  const int selected = SelectedMailEntry();
  for (int i = 0; i < kMailEntries; ++i) {
    const auto path = MailProgramPath(i);
    std::printf("%c %d\t%s\t%s\n", i == selected ? '*' : ' ', i, MailPrograms()[static_cast<size_t>(i)].name,
                i == 0 ? "" : path ? path->c_str() : "(not installed)");
  }
  std::printf("MailName=%s\n", settings::GetString(settings::Key::MailName).c_str());
  if (!apply) return kExitDone;
  return WithAlbum(flags, [&](CRKCardAlbumDoc& album, MaintenanceInteraction& ui) {
    const ApplyOptionsReport report = ApplyToLibrary(album, ui, SaveAlbum);
    PrintApplyReport(report);
    if (report.result != MaintenanceResult::Cancelled) PrintCounter(album);
    return ExitOf(report.result);
  });
}

int RunTemplate(const std::optional<std::string>& title, const std::optional<std::string>& colour) {
  TemplateChoiceModel model;
  if (title) {
    int entry = -1;
    for (size_t i = 0; i < model.Templates().size(); ++i)
      if (model.Templates()[i].title == *title) entry = static_cast<int>(i);
    if (entry < 0) {
      std::fprintf(stderr, "orrivan-cli: no template %s\n", title->c_str());
      return kExitUsage;
    }
    model.SelectTemplate(entry);
    if (colour) {
      int index = -1;
      for (size_t i = 0; i < model.Colors().size(); ++i)
        if (model.Colors()[i] == *colour) index = static_cast<int>(i);
      if (index < 0) {
        std::fprintf(stderr, "orrivan-cli: template %s has no colour pattern %s\n", title->c_str(), colour->c_str());
        return kExitUsage;
      }
      model.SelectColor(index);
    }
    std::string shown;
    if (!model.Accept(&shown)) return kExitFailed;
    std::printf("%s\n", shown.c_str());
    return kExitDone;
  }
  if (colour) {
    std::fprintf(stderr, "orrivan-cli: --colour needs --set TITLE\n");
    return kExitUsage;
  }
  for (size_t i = 0; i < model.Templates().size(); ++i)
    std::printf("%c %s\n", static_cast<int>(i) == model.SelectedTemplate() ? '*' : ' ', model.Templates()[i].title.c_str());
  for (size_t i = 0; i < model.Colors().size(); ++i)
    std::printf("  %c %s\n", static_cast<int>(i) == model.SelectedColor() ? '*' : ' ', model.Colors()[i].c_str());
  std::printf("TemplateType=%s\nTemplateBackCol=%s\n", settings::GetString(settings::Key::TemplateType).c_str(),
              settings::GetString(settings::Key::TemplateBackCol).c_str());
  return kExitDone;
}

void Finish(int code) {
  if (code != kExitDone) Exit(code);
}

void AddQuestionFlags(CLI::App* sub, const std::shared_ptr<Flags>& flags, bool allOfKind) {
  sub->add_flag("--yes,-y", flags->yes, "Answer every question with OK / はい(&Y)");
  if (allOfKind) sub->add_flag("--all-of-kind", flags->allOfKind, "Answer the per-library question with 全て消去(&A)");
}

}  // namespace

void AddMaintenanceCommands(CLI::App& app) {
  {
    auto days = std::make_shared<std::vector<std::string>>();
    auto images = std::make_shared<std::vector<std::string>>();
    auto flags = std::make_shared<Flags>();
    CLI::App* sub = app.add_subcommand("erase", "Erase libraries (to the Trash), or pictures of one library");
    sub->add_option("DAY", *days, "Day folder names as orrivan-cli list shows them")->required();
    sub->add_option("--images", *images, "Pictures of the one DAY to erase (file names)");
    AddQuestionFlags(sub, flags, true);
    sub->callback([=] { Finish(RunErase(*days, *images, *flags)); });
  }
  for (const bool move : {true, false}) {
    auto days = std::make_shared<std::vector<std::string>>();
    auto to = std::make_shared<std::string>();
    auto flags = std::make_shared<Flags>();
    CLI::App* sub = app.add_subcommand(move ? "move" : "backup",
                                       move ? "Move libraries out into a self-contained album folder"
                                            : "Copy libraries into a self-contained album folder");
    sub->add_option("DAY", *days, "Day folder names as orrivan-cli list shows them")->required();
    sub->add_option("--to", *to, "The folder that receives the album")->required();
    AddQuestionFlags(sub, flags, false);
    sub->callback([=] { Finish(RunTransfer(move, *days, *to, *flags)); });
  }
  {
    auto day = std::make_shared<std::string>();
    auto text = std::make_shared<std::string>();
    auto flags = std::make_shared<Flags>();
    CLI::App* sub = app.add_subcommand("retitle", "Change the title of a library");
    sub->add_option("DAY", *day, "Day folder name")->required();
    sub->add_option("TEXT", *text, "The new title (may be empty)")->required();
    AddQuestionFlags(sub, flags, false);
    sub->callback([=] { Finish(RunRetitle(*day, *text, *flags)); });
  }
  {
    auto days = std::make_shared<std::vector<std::string>>();
    auto all = std::make_shared<bool>(false);
    auto flags = std::make_shared<Flags>();
    CLI::App* sub = app.add_subcommand("apply-options", "Rebuild libraries with the current template and page options");
    sub->add_option("DAY", *days, "Day folder names");
    sub->add_flag("--all", *all, "Every library");
    AddQuestionFlags(sub, flags, false);
    sub->callback([=] {
      if (days->empty() == !*all) {
        std::fprintf(stderr, "orrivan-cli: name libraries or give --all\n");
        Exit(kExitUsage);
      }
      Finish(RunApplyOptions(*days, *all, *flags));
    });
  }
  {
    auto set = std::make_shared<std::string>();
    auto apply = std::make_shared<bool>(false);
    auto flags = std::make_shared<Flags>();
    CLI::App* sub = app.add_subcommand("mail", "Show or choose the mail program of the day pages");
    CLI::Option* setOption = sub->add_option("--set", *set, "Entry name or number (0-3) to choose");
    sub->add_flag("--apply", *apply, "Apply PrintButton, TempSize and MailName to every library");
    AddQuestionFlags(sub, flags, false);
    sub->callback([=] {
      Finish(RunMail(setOption->count() ? std::optional<std::string>(*set) : std::nullopt, *apply, *flags));
    });
  }
  {
    auto title = std::make_shared<std::string>();
    auto colour = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand("template", "Show or choose the template of new day pages");
    CLI::Option* setOption = sub->add_option("--set", *title, "Template title to choose");
    CLI::Option* colourOption = sub->add_option("--colour", *colour, "Colour pattern of that template");
    sub->callback([=] {
      Finish(RunTemplate(setOption->count() ? std::optional<std::string>(*title) : std::nullopt,
                         colourOption->count() ? std::optional<std::string>(*colour) : std::nullopt));
    });
  }
}

}  // namespace orrivan::cli
