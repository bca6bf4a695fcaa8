// orrivan-cli import: a card import from the mounted volumes or from named folders; auto-import: the
// automatic import of the volume a marker names. Every question is answered by a flag, the terminal,
// or (neither) a message and Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "app/album_session.h"
#include "app/auto_import.h"
#include "app/import_run.h"
#include "base/strings.h"
#include "cli/cli_flags.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "import/folder_ops.h"
#include "import/other_import.h"

namespace orrivan::cli {

namespace {

struct ImportFlags {
  std::vector<std::string> from;
  std::string camera;  // import only: a USB camera's model or port
  bool move = false;
  bool copy = false;
  std::string undated;
  AnswerFlags answers;
};

// The answers the flags give; false (after the message) for a flag that is no answer.
bool AnswersOf(const ImportFlags& flags, CliAnswers& answers) {
  answers.allSources = !flags.from.empty();
  if (!TakeAnswers(flags.answers, answers)) return false;
  if (!flags.undated.empty()) {
    answers.undated = ParseUndatedFlag(flags.undated);
    if (!answers.undated) {
      std::fprintf(stderr, "orrivan-cli: --undated wants file-date, YYYYMMDD or leave\n");
      return false;
    }
  }
  return true;
}

ImportOptions OptionsOf(const ImportFlags& flags) {
  ImportOptions options;
  if (flags.move) options.transferMode = kTransferMove;
  if (flags.copy) options.transferMode = kTransferCopy;
  SetImportOptions(flags.answers, options);
  return options;
}

// The flags both commands share: --move/--copy, the filing flags, --undated and the answers.
void AddImportFlags(CLI::App* sub, ImportFlags& flags) {
  auto* move = sub->add_flag("--move", flags.move, "Move the files off the card");
  auto* copy = sub->add_flag("--copy", flags.copy, "Copy the files (the card keeps them)");
  move->excludes(copy);
  AddFilingFlags(sub, flags.answers, "File each source into one folder of this date (YYYYMMDD)");
  sub->add_option("--undated", flags.undated, "Pictures without a shooting date: file-date, YYYYMMDD or leave");
  AddAnswerFlags(sub, flags.answers, "Answer the confirmation with OK and take every folder found");
}

int RunImport(const ImportFlags& flags) {
  CliAnswers answers;
  if (!AnswersOf(flags, answers)) return kExitUsage;

  ImportOptions options = OptionsOf(flags);
  if (!flags.camera.empty()) return RunCameraImport(flags.camera, options, answers);
  std::vector<std::filesystem::path> given(flags.from.begin(), flags.from.end());
  InstallInterruptHandler();
  CliInteraction ui(answers);
  size_t days = 0;
  AlbumSession session(true);
  switch (RunCardImport(session, ui, given, options, &days)) {
    case ImportRunResult::Done:
      std::printf("%zu%s\n", days, Str(StrId::DayCountSuffix).c_str());
      return kExitDone;
    case ImportRunResult::NothingToDo:
      return kExitDone;
    case ImportRunResult::NoDrive:
      std::fprintf(stderr, "orrivan-cli: no card or USB camera found (mount the card, or name its folder with --from)\n");
      return kExitFailed;
    case ImportRunResult::NothingFound:
      return kExitFailed;
    case ImportRunResult::Cancelled:
      std::fprintf(stderr, "orrivan-cli: import cancelled; nothing was changed\n");
      return kExitCancelled;
    case ImportRunResult::Busy:
      ReportBusy();
      return kExitFailed;
    case ImportRunResult::Failed:
      return kExitFailed;
  }
  return kExitFailed;
}

int RunAutoImport(const ImportFlags& flags, const std::string& markerGiven) {
  CliAnswers answers;
  if (!AnswersOf(flags, answers)) return kExitUsage;
  const std::filesystem::path marker = markerGiven.empty() ? AutoImportMarker() : std::filesystem::path(markerGiven);
  InstallInterruptHandler();
  CliInteraction ui(answers);
  AlbumSession session(true);
  switch (AutoImport(session, ui, marker, OptionsOf(flags))) {
    case AutoImportResult::Done:
      std::printf("%zu%s\n", session.Album().DayCount(), Str(StrId::DayCountSuffix).c_str());
      return kExitDone;
    case AutoImportResult::NothingToDo:
      return kExitDone;
    case AutoImportResult::Off:
      std::fprintf(stderr, "orrivan-cli: auto-import is switched off (CameraImage/AutoTakeIn = 1); the marker stays\n");
      return kExitFailed;
    case AutoImportResult::Busy:
      ReportBusy();
      return kExitFailed;
    case AutoImportResult::NoMarker:
      std::fprintf(stderr, "orrivan-cli: no marker to read at %s\n", marker.c_str());
      return kExitFailed;
    case AutoImportResult::BadMarker:
      std::fprintf(stderr, "orrivan-cli: the marker names no mounted folder; it was removed\n");
      return kExitFailed;
    case AutoImportResult::NothingFound:
      std::fprintf(stderr, "orrivan-cli: no pictures on the volume the marker names; it was removed\n");
      return kExitFailed;
    case AutoImportResult::Cancelled:
      std::fprintf(stderr, "orrivan-cli: auto-import cancelled; nothing was changed\n");
      return kExitCancelled;
    case AutoImportResult::Failed:
      return kExitFailed;
  }
  return kExitFailed;
}

// import-folders: the import's flags and --shortcut, and the folders themselves.
struct FoldersFlags {
  ImportFlags import;
  std::vector<std::string> folders;
  bool shortcut = false;
};

int RunImportFolders(const FoldersFlags& flags) {
  CliAnswers answers;
  if (!AnswersOf(flags.import, answers)) return kExitUsage;
  if (flags.shortcut && (flags.import.move || flags.import.copy)) {
    std::fprintf(stderr, "orrivan-cli: --shortcut excludes --move and --copy\n");
    return kExitUsage;
  }
  if (flags.folders.size() > kMaxOtherFolders) {
    std::fprintf(stderr, "orrivan-cli: at most %zu folders in one import\n", kMaxOtherFolders);
    return kExitUsage;
  }
  ImportOptions options = OptionsOf(flags.import);
  options.transferMode = flags.import.move ? kTransferMove : flags.shortcut ? kTransferShortcut : kTransferCopy;

  const std::vector<std::filesystem::path> folders(flags.folders.begin(), flags.folders.end());
  InstallInterruptHandler();
  CliInteraction ui(answers);
  size_t days = 0;
  AlbumSession session(true);
  switch (RunOtherImport(session, ui, folders, options, &days)) {
    case ImportRunResult::Done:
      std::printf("%zu%s\n", days, Str(StrId::DayCountSuffix).c_str());
      return kExitDone;
    case ImportRunResult::NothingToDo:
      return kExitDone;
    case ImportRunResult::Cancelled:
      std::fprintf(stderr, "orrivan-cli: import cancelled; nothing was changed\n");
      return kExitCancelled;
    case ImportRunResult::Busy:
      ReportBusy();
      return kExitFailed;
    case ImportRunResult::NoDrive:
    case ImportRunResult::NothingFound:
    case ImportRunResult::Failed:
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace

void AddImportCommands(CLI::App& app) {
  auto flags = std::make_shared<ImportFlags>();
  CLI::App* sub = app.add_subcommand("import", "Import the pictures of a card into the library");
  sub->add_option("--from", flags->from, "Card roots or DCIM folders, in import order (default: scan volumes)")
      ->check(CLI::ExistingDirectory);
  sub->add_option("--camera", flags->camera, "A USB camera (model or port, see cameras) instead of a card")
      ->excludes("--from");
  AddImportFlags(sub, *flags);
  sub->callback([flags] {
    const int code = RunImport(*flags);
    if (code != kExitDone) Exit(code);
  });

  auto autoFlags = std::make_shared<ImportFlags>();
  auto marker = std::make_shared<std::string>();
  CLI::App* automatic =
      app.add_subcommand("auto-import", "Import the card the watcher's marker names (the home folder's Orrivan.tmp)");
  automatic->add_option("MARKER", *marker, "The marker file (default: Orrivan.tmp in the home folder)");
  AddImportFlags(automatic, *autoFlags);
  automatic->callback([autoFlags, marker] {
    const int code = RunAutoImport(*autoFlags, *marker);
    if (code != kExitDone) Exit(code);
  });

  auto folderFlags = std::make_shared<FoldersFlags>();
  CLI::App* folders = app.add_subcommand("import-folders", "Import the pictures directly in up to ten folders");
  folders->add_option("FOLDERS", folderFlags->folders, "Folders, in import order")->required();
  AddImportFlags(folders, folderFlags->import);
  folders->add_flag("--shortcut", folderFlags->shortcut, "Link to the originals instead of copying them");
  folders->callback([folderFlags] {
    const int code = RunImportFolders(*folderFlags);
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
