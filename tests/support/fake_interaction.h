// A scripted Interaction for tests: answers come from queues filled by the test, everything asked is
// recorded. Running out of script fails the test and answers Cancel / No.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"

namespace orrivan::test {

class FakeInteraction : public Interaction {
 public:
  enum class Kind { Message, Confirm, Question, AskDate, AskTitle, ChooseSources, AskUndated, AskErase,
                    OpenProgress, OpenInBrowser };

  // One thing the engine asked or told.
  struct Record {
    Kind kind;
    std::string text;  // message / question text, or the caption
    Icon icon = Icon::None;
    BoxLook look;      // caption and button labels as asked
  };

  // What one progress window saw.
  struct ProgressLog {
    std::string caption;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<int64_t> ranges;
    std::vector<int64_t> positions;
    bool closed = false;
  };

  // The script.
  std::deque<bool> confirms;
  std::deque<Answer> questions;
  std::deque<std::optional<std::string>> dates;
  std::deque<std::optional<std::string>> titles;
  std::deque<std::vector<size_t>> sourceSelections;
  std::deque<UndatedChoice> undatedChoices;
  std::deque<EraseAnswer> eraseAnswers;
  std::deque<bool> browserResults;     // empty: OpenInBrowser succeeds without complaint
  // Progress windows report Cancelled() after this many SetPosition calls (summed over all windows);
  // negative = never.
  int64_t cancelAfter = -1;

  // The record.
  std::vector<Record> records;
  std::vector<ProgressLog> progress;  // one per OpenProgress, in order
  std::vector<std::filesystem::path> openedPages;
  std::vector<std::vector<SourceEntry>> offeredSources;
  std::vector<std::vector<std::string>> eraseButtons;
  std::vector<int> undatedCounts;
  std::vector<bool> undatedGivenDateOnly;
  std::vector<DateQuestion> dateQuestions;
  std::vector<TitleQuestion> titleQuestions;
  std::vector<std::string> titleSuggestions;
  int64_t positionCalls = 0;

  // Texts of all records of one kind, in order.
  std::vector<std::string> Texts(Kind kind) const;
  // Records of one kind.
  size_t Count(Kind kind) const;

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

  bool CancelledNow() const { return cancelAfter >= 0 && positionCalls >= cancelAfter; }
};

}  // namespace orrivan::test
