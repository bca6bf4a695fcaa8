#include "cli/cli_interaction.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>

extern char** environ;

namespace orrivan::cli {

std::atomic<bool> g_interrupted{false};

namespace {

void OnInterrupt(int) { g_interrupted = true; }

class TerminalProgress : public Progress {
 public:
  explicit TerminalProgress(std::string caption) : caption_(std::move(caption)), bar_(::isatty(2) == 1) {}
  ~TerminalProgress() override {
    if (bar_ && drawn_) std::fputc('\n', stderr);
  }
  void SetText(const std::string& line1, const std::string&) override {
    line_ = line1;
    Draw();
  }
  void SetRange(int64_t maximum) override {
    maximum_ = maximum;
    Draw();
  }
  void SetPosition(int64_t position) override {
    position_ = position;
    Draw();
  }
  bool Cancelled() const override { return g_interrupted; }

 private:
  void Draw() {
    if (!bar_) return;
    constexpr int kWidth = 30;
    const int filled = maximum_ > 0 ? static_cast<int>(kWidth * std::min(position_, maximum_) / maximum_) : 0;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, '.');
    // The counter is the item number and the total joined by "/ ", as the progress window shows it.
    std::fprintf(stderr, "\r%s [%s] %lld/ %lld ", caption_.c_str(), bar.c_str(), static_cast<long long>(position_),
                 static_cast<long long>(maximum_));
    std::fflush(stderr);
    drawn_ = true;
  }

  std::string caption_;
  std::string line_;
  bool bar_;
  bool drawn_ = false;
  int64_t maximum_ = 0;
  int64_t position_ = 0;
};

const char* IconPrefix(Icon icon) {
  switch (icon) {
    case Icon::Stop:
      return "error: ";
    case Icon::Exclamation:
      return "warning: ";
    default:
      return "";
  }
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

bool IsDateText(const std::string& text) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const int month = std::stoi(text.substr(4, 2)), day = std::stoi(text.substr(6, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::optional<UndatedChoice> ParseUndatedFlag(const std::string& value) {
  UndatedChoice choice;
  if (value == "file-date") {
    choice.kind = UndatedChoice::Kind::FileDate;
  } else if (value == "leave") {
    choice.kind = UndatedChoice::Kind::Leave;
  } else if (IsDateText(value)) {
    choice.kind = UndatedChoice::Kind::GivenDate;
    choice.date = value;
  } else {
    return std::nullopt;
  }
  return choice;
}

CliInteraction::CliInteraction(CliAnswers answers) : answers_(std::move(answers)) {
  answers_.interactive = ::isatty(0) == 1;
}

std::optional<std::string> CliInteraction::ReadLine(const std::string& prompt) {
  if (g_interrupted) return std::nullopt;
  std::fprintf(stderr, "%s", prompt.c_str());
  std::fflush(stderr);
  std::string line;
  if (!std::getline(std::cin, line) || g_interrupted) {
    std::cin.clear();
    std::fputc('\n', stderr);
    return std::nullopt;
  }
  return line;
}

void CliInteraction::NoAnswer(const std::string& what, const char* flag) {
  std::fprintf(stderr, "orrivan-cli: %s\norrivan-cli: no answer (stdin is not a terminal); give %s\n", what.c_str(),
               flag);
}

void CliInteraction::Message(const std::string& text, Icon icon, const BoxLook&) {
  std::fprintf(stderr, "%s%s\n", IconPrefix(icon), text.c_str());
}

bool CliInteraction::Confirm(const std::string& text, Icon, const BoxLook&) {
  if (answers_.yes) return true;
  if (!answers_.interactive) {
    NoAnswer(text, "--yes");
    return false;
  }
  const auto line = ReadLine(text + "\n[OK: y / cancel: n] ");
  return line && (*line == "y" || *line == "Y" || *line == "yes");
}

Answer CliInteraction::Question(const std::string& text, Icon, bool withCancel, const BoxLook& look) {
  if (answers_.yes) return Answer::Yes;
  const Answer none = look.unanswered.value_or(withCancel ? Answer::Cancel : Answer::No);
  if (!answers_.interactive) {
    NoAnswer(text, "--yes");
    return none;
  }
  const auto line = ReadLine(text + (withCancel ? "\n[y / n / c] " : "\n[y / n] "));
  if (!line) return none;
  if (*line == "y" || *line == "Y") return Answer::Yes;
  if (withCancel && (*line == "c" || *line == "C")) return Answer::Cancel;
  return Answer::No;
}

std::optional<std::string> CliInteraction::AskDate(const DateQuestion& question) {
  if (answers_.date) return answers_.date;
  std::string caption = question.caption;
  if (!question.source.empty()) caption += "\n" + question.source;
  caption += "\n" + question.prompt;
  if (!answers_.interactive) {
    NoAnswer(caption, "--dated YYYYMMDD");
    return std::nullopt;
  }
  for (int tries = 0; tries < 3; ++tries) {
    const auto line = ReadLine(caption + "\nYYYYMMDD: ");
    if (!line) return std::nullopt;
    if (IsDateText(*line)) return line;
  }
  return std::nullopt;
}

std::optional<std::string> CliInteraction::AskTitle(const TitleQuestion& question) {
  if (answers_.title) return answers_.title;
  if (!answers_.interactive) return std::nullopt;  // no title: the day keeps none
  std::string caption = question.caption + "\n" + question.prompt;
  if (!question.source.empty()) caption += "\n" + question.sourceLabel + question.source;
  const auto line = ReadLine(caption + "\n[" + question.suggestion + "] ");
  if (!line) return std::nullopt;
  return line->empty() ? question.suggestion : *line;
}

std::vector<size_t> CliInteraction::ChooseSources(const std::string& caption, const std::vector<SourceEntry>& entries) {
  std::vector<size_t> all;
  for (size_t i = 0; i < entries.size(); ++i) all.push_back(i);
  if (answers_.allSources || answers_.yes) return all;
  std::ostringstream text;
  text << caption << "\n";
  for (size_t i = 0; i < entries.size(); ++i) text << "  " << (i + 1) << ") " << entries[i].shown << "\n";
  if (!answers_.interactive) {
    NoAnswer(text.str(), "--yes or --from DIR");
    return {};
  }
  const auto line = ReadLine(text.str() + "numbers in import order (empty = all): ");
  if (!line) return {};
  if (line->find_first_not_of(" \t") == std::string::npos) return all;
  std::vector<size_t> chosen;
  std::istringstream in(*line);
  size_t n = 0;
  while (in >> n)
    if (n >= 1 && n <= entries.size()) chosen.push_back(n - 1);
  return chosen;
}

UndatedChoice CliInteraction::AskUndated(int count, bool givenDateOnly) {
  if (answers_.undated) return *answers_.undated;
  const std::string text = std::to_string(count) + " file(s) carry no shooting date";
  if (!answers_.interactive) {
    NoAnswer(text, "--undated file-date|YYYYMMDD|leave");
    return {};
  }
  const auto line = ReadLine(text + (givenDateOnly ? "\n[YYYYMMDD / leave] " : "\n[file-date / YYYYMMDD / leave] "));
  if (!line) return {};
  auto choice = ParseUndatedFlag(*line);
  if (!choice || (givenDateOnly && choice->kind == UndatedChoice::Kind::FileDate)) return {};
  return *choice;
}

EraseAnswer CliInteraction::AskErase(const std::string& text, const BoxLook&) {
  if (answers_.yes) return EraseAnswer::YesToAll;
  if (!answers_.interactive) {
    NoAnswer(text, "--yes");
    return EraseAnswer::Cancel;
  }
  const auto line = ReadLine(text + "\n[y / n / a(ll) / c(ancel)] ");
  if (!line) return EraseAnswer::Cancel;
  if (*line == "y") return EraseAnswer::Yes;
  if (*line == "n") return EraseAnswer::No;
  if (*line == "a") return EraseAnswer::YesToAll;
  return EraseAnswer::Cancel;
}

std::unique_ptr<Progress> CliInteraction::OpenProgress(const std::string& caption) {
  return std::make_unique<TerminalProgress>(caption);
}

bool CliInteraction::OpenInBrowser(const std::filesystem::path& page) {
  if (answers_.noOpen) return true;
  const std::string file = page.string();
  char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(file.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  // xdg-open hands the page to the browser and ends; its status tells whether that worked.
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace orrivan::cli
