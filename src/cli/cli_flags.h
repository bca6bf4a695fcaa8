// The flags the import commands share: how pictures are filed (--by-date | --dated), the title,
// --yes and --no-open, with what they answer and what they set for the engine.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/cli_interaction.h"

namespace orrivan::cli {

struct AnswerFlags {
  bool byDate = false;
  std::string dated;
  std::string title;
  bool titleGiven = false;  // --title "" is a title too
  bool yes = false;
  bool noOpen = false;
};

// --by-date and --dated, which exclude each other. `flags` must outlive the parse.
void AddFilingFlags(CLI::App* sub, AnswerFlags& flags, const std::string& datedHelp);
// --title, --yes/-y and --no-open.
void AddAnswerFlags(CLI::App* sub, AnswerFlags& flags, const std::string& yesHelp);

// Puts the flags' answers into `answers`; false (after the message) when --dated is no date.
bool TakeAnswers(const AnswerFlags& flags, CliAnswers& answers);

// Sets what the flags choose in an engine's options (ImportOptions, SerialImportOptions).
template <class Options>
void SetImportOptions(const AnswerFlags& flags, Options& options) {
  if (flags.byDate) options.classification = 0;
  if (!flags.dated.empty()) options.classification = 1;
  if (flags.titleGiven) options.title = flags.title;
  options.openBrowser = !flags.noOpen;
}

}  // namespace orrivan::cli
