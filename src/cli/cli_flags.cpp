#include "cli/cli_flags.h"

#include <cstdio>

namespace orrivan::cli {

void AddFilingFlags(CLI::App* sub, AnswerFlags& flags, const std::string& datedHelp) {
  auto* byDate = sub->add_flag("--by-date", flags.byDate, "File each picture under its shooting day");
  auto* dated = sub->add_option("--dated", flags.dated, datedHelp);
  byDate->excludes(dated);
}

void AddAnswerFlags(CLI::App* sub, AnswerFlags& flags, const std::string& yesHelp) {
  AnswerFlags* given = &flags;
  sub->add_option("--title", flags.title, "Title of the days this import makes")
      ->each([given](const std::string&) { given->titleGiven = true; });
  sub->add_flag("--yes,-y", flags.yes, yesHelp);
  sub->add_flag("--no-open", flags.noOpen, "Do not open the library in the browser afterwards");
}

bool TakeAnswers(const AnswerFlags& flags, CliAnswers& answers) {
  answers.yes = flags.yes;
  answers.noOpen = flags.noOpen;
  if (!flags.dated.empty()) {
    if (!IsDateText(flags.dated)) {
      std::fprintf(stderr, "orrivan-cli: --dated wants YYYYMMDD, not %s\n", flags.dated.c_str());
      return false;
    }
    answers.date = flags.dated;
  }
  if (flags.titleGiven) answers.title = flags.title;
  return true;
}

}  // namespace orrivan::cli
