// orrivan-cli import: a card import from the mounted volumes or from named folders, every question
// answered by a flag, the terminal, or (neither) a message and Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "app/import_run.h"
#include "base/strings.h"
#include "cli/cli_interaction.h"
#include "cli/commands.h"
#include "import/folder_ops.h"

namespace orrivan::cli {

namespace {

struct ImportFlags {
  std::vector<std::string> from;
  bool move = false;
  bool copy = false;
  bool byDate = false;
  std::string dated;
  std::string undated;
  std::string title;
  bool titleGiven = false;
  bool yes = false;
  bool noOpen = false;
};

int RunImport(const ImportFlags& flags) {
  CliAnswers answers;
  answers.yes = flags.yes;
  answers.allSources = !flags.from.empty();
  answers.noOpen = flags.noOpen;
  if (!flags.dated.empty()) {
    if (!IsDateText(flags.dated)) {
      std::fprintf(stderr, "orrivan-cli: --dated wants YYYYMMDD, not %s\n", flags.dated.c_str());
      return kExitUsage;
    }
    answers.date = flags.dated;
  }
  if (!flags.undated.empty()) {
    answers.undated = ParseUndatedFlag(flags.undated);
    if (!answers.undated) {
      std::fprintf(stderr, "orrivan-cli: --undated wants file-date, YYYYMMDD or leave\n");
      return kExitUsage;
    }
  }
  if (flags.titleGiven) answers.title = flags.title;

  ImportOptions options;
  if (flags.move) options.transferMode = kTransferMove;
  if (flags.copy) options.transferMode = kTransferCopy;
  if (flags.byDate) options.classification = 0;
  if (!flags.dated.empty()) options.classification = 1;
  if (flags.titleGiven) options.title = flags.title;
  options.openBrowser = !flags.noOpen;

  std::vector<std::filesystem::path> given(flags.from.begin(), flags.from.end());
  InstallInterruptHandler();
  CliInteraction ui(answers);
  size_t days = 0;
  switch (RunCardImport(ui, given, options, &days)) {
    case ImportRunResult::Done:
      std::printf("%zu%s\n", days, Str(StrId::DayCountSuffix).c_str());
      return kExitDone;
    case ImportRunResult::NothingToDo:
      return kExitDone;
    case ImportRunResult::NoDrive:
      std::fprintf(stderr, "orrivan-cli: no card found (mount it, or name its folder with --from)\n");
      return kExitFailed;
    case ImportRunResult::NothingFound:
      return kExitFailed;
    case ImportRunResult::Cancelled:
      std::fprintf(stderr, "orrivan-cli: import cancelled; nothing was changed\n");
      return kExitCancelled;
    case ImportRunResult::Busy:
      std::fprintf(stderr, "orrivan-cli: another Orrivan is writing this home folder\n");
      return kExitFailed;
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
  auto* move = sub->add_flag("--move", flags->move, "Move the files off the card");
  auto* copy = sub->add_flag("--copy", flags->copy, "Copy the files (the card keeps them)");
  move->excludes(copy);
  auto* byDate = sub->add_flag("--by-date", flags->byDate, "File each picture under its shooting day");
  auto* dated = sub->add_option("--dated", flags->dated, "File each source into one folder of this date (YYYYMMDD)");
  byDate->excludes(dated);
  sub->add_option("--undated", flags->undated, "Pictures without a shooting date: file-date, YYYYMMDD or leave");
  sub->add_option("--title", flags->title, "Title of the days this import makes")
      ->each([flags](const std::string&) { flags->titleGiven = true; });
  sub->add_flag("--yes,-y", flags->yes, "Answer the confirmation with OK and take every folder found");
  sub->add_flag("--no-open", flags->noOpen, "Do not open the library in the browser afterwards");
  sub->callback([flags] {
    const int code = RunImport(*flags);
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
