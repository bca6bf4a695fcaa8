// orrivan-cli import: a card import from the mounted volumes or from named folders, every question
// answered by a flag, the terminal, or (neither) a message and Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "app/album_session.h"
#include "app/import_run.h"
#include "base/strings.h"
#include "cli/cli_flags.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "import/folder_ops.h"

namespace orrivan::cli {

namespace {

struct ImportFlags {
  std::vector<std::string> from;
  bool move = false;
  bool copy = false;
  std::string undated;
  AnswerFlags answers;
};

int RunImport(const ImportFlags& flags) {
  CliAnswers answers;
  answers.allSources = !flags.from.empty();
  if (!TakeAnswers(flags.answers, answers)) return kExitUsage;
  if (!flags.undated.empty()) {
    answers.undated = ParseUndatedFlag(flags.undated);
    if (!answers.undated) {
      std::fprintf(stderr, "orrivan-cli: --undated wants file-date, YYYYMMDD or leave\n");
      return kExitUsage;
    }
  }

  ImportOptions options;
  if (flags.move) options.transferMode = kTransferMove;
  if (flags.copy) options.transferMode = kTransferCopy;
  SetImportOptions(flags.answers, options);

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
      std::fprintf(stderr, "orrivan-cli: no card found (mount it, or name its folder with --from)\n");
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

}  // namespace

void AddImportCommands(CLI::App& app) {
  auto flags = std::make_shared<ImportFlags>();
  CLI::App* sub = app.add_subcommand("import", "Import the pictures of a card into the library");
  sub->add_option("--from", flags->from, "Card roots or DCIM folders, in import order (default: scan volumes)")
      ->check(CLI::ExistingDirectory);
  auto* move = sub->add_flag("--move", flags->move, "Move the files off the card");
  auto* copy = sub->add_flag("--copy", flags->copy, "Copy the files (the card keeps them)");
  move->excludes(copy);
  AddFilingFlags(sub, flags->answers, "File each source into one folder of this date (YYYYMMDD)");
  sub->add_option("--undated", flags->undated, "Pictures without a shooting date: file-date, YYYYMMDD or leave");
  AddAnswerFlags(sub, flags->answers, "Answer the confirmation with OK and take every folder found");
  sub->callback([flags] {
    const int code = RunImport(*flags);
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
