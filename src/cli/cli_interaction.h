// The command line's answer to the engine's questions: a flag answers first; else the terminal asks
// when stdin is one; else a clear message and Cancel. Progress is a bar on stderr when that is a
// terminal, and Ctrl-C is the cancel button.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "base/interaction.h"

namespace orrivan::cli {

// Set by SIGINT; progress windows report it as cancel.
extern std::atomic<bool> g_interrupted;
// Installs the SIGINT handler (no SA_RESTART, so a prompt waiting on the terminal wakes up).
void InstallInterruptHandler();

struct CliAnswers {
  bool yes = false;                    // --yes: confirmations are OK, every found folder is taken
  bool allSources = false;             // folders named on the command line: take them in that order
  std::optional<std::string> date;     // --dated YYYYMMDD: the date dialog's answer
  std::optional<UndatedChoice> undated;  // --undated
  std::optional<std::string> title;    // --title
  bool noOpen = false;                 // --no-open
  bool interactive = false;            // stdin is a terminal (set by the constructor; tests override)
};

class CliInteraction : public Interaction {
 public:
  explicit CliInteraction(CliAnswers answers);

  void Message(const std::string& text, Icon icon, const BoxLook& look = {}) override;
  bool Confirm(const std::string& text, Icon icon, const BoxLook& look = {}) override;
  Answer Question(const std::string& text, Icon icon, bool withCancel, const BoxLook& look = {}) override;
  std::optional<std::string> AskDate(const DateQuestion& question) override;
  std::optional<std::string> AskTitle(const TitleQuestion& question) override;
  std::vector<size_t> ChooseSources(const std::string& caption, const std::vector<SourceEntry>& entries) override;
  UndatedChoice AskUndated(int count, bool givenDateOnly) override;
  EraseAnswer AskErase(const std::string& text, const BoxLook& look) override;
  std::unique_ptr<Progress> OpenProgress(const std::string& caption) override;
  bool OpenInBrowser(const std::filesystem::path& page) override;

  CliAnswers& Answers() { return answers_; }

 private:
  // One line from the terminal; nothing on end of input or Ctrl-C.
  std::optional<std::string> ReadLine(const std::string& prompt);
  void NoAnswer(const std::string& what, const char* flag);

  CliAnswers answers_;
};

// "--undated file-date|YYYYMMDD|leave"; nothing for anything else.
std::optional<UndatedChoice> ParseUndatedFlag(const std::string& value);
// Eight digits forming a calendar date.
bool IsDateText(const std::string& text);

}  // namespace orrivan::cli
