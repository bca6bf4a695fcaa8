// The scripted Interaction of the tests.
#include "support/fake_interaction.h"

#include <gtest/gtest.h>

namespace orrivan::test {
namespace {

const char* KindName(FakeInteraction::Kind kind) {
  switch (kind) {
    case FakeInteraction::Kind::Message: return "Message";
    case FakeInteraction::Kind::Confirm: return "Confirm";
    case FakeInteraction::Kind::Question: return "Question";
    case FakeInteraction::Kind::AskDate: return "AskDate";
    case FakeInteraction::Kind::AskTitle: return "AskTitle";
    case FakeInteraction::Kind::ChooseSources: return "ChooseSources";
    case FakeInteraction::Kind::AskUndated: return "AskUndated";
    case FakeInteraction::Kind::AskErase: return "AskErase";
    case FakeInteraction::Kind::OpenProgress: return "OpenProgress";
    case FakeInteraction::Kind::OpenInBrowser: return "OpenInBrowser";
  }
  return "?";
}

// Takes the next scripted answer, or fails the test and gives the refusing answer.
template <typename T>
T Next(std::deque<T>& queue, T refusal, FakeInteraction::Kind kind, const std::string& text) {
  if (queue.empty()) {
    ADD_FAILURE() << "FakeInteraction: no scripted answer for " << KindName(kind) << " \"" << text << "\"";
    return refusal;
  }
  T answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

class FakeProgress : public Progress {
 public:
  FakeProgress(FakeInteraction& owner, size_t index) : owner_(owner), index_(index) {}
  ~FakeProgress() override { Log().closed = true; }

  void SetText(const std::string& line1, const std::string& line2) override {
    Log().texts.emplace_back(line1, line2);
  }
  void SetRange(int64_t maximum) override { Log().ranges.push_back(maximum); }
  void SetPosition(int64_t position) override {
    Log().positions.push_back(position);
    ++owner_.positionCalls;
  }
  bool Cancelled() const override { return owner_.CancelledNow(); }

 private:
  FakeInteraction::ProgressLog& Log() { return owner_.progress[index_]; }

  FakeInteraction& owner_;
  size_t index_;
};

}  // namespace

std::vector<std::string> FakeInteraction::Texts(Kind kind) const {
  std::vector<std::string> out;
  for (const Record& r : records) {
    if (r.kind == kind) out.push_back(r.text);
  }
  return out;
}

size_t FakeInteraction::Count(Kind kind) const {
  size_t n = 0;
  for (const Record& r : records) n += r.kind == kind;
  return n;
}

void FakeInteraction::Message(const std::string& text, Icon icon, const BoxLook& look) {
  records.push_back({Kind::Message, text, icon, look});
}

bool FakeInteraction::Confirm(const std::string& text, Icon icon, const BoxLook& look) {
  records.push_back({Kind::Confirm, text, icon, look});
  return Next(confirms, false, Kind::Confirm, text);
}

Answer FakeInteraction::Question(const std::string& text, Icon icon, bool withCancel, const BoxLook& look) {
  records.push_back({Kind::Question, text, icon, look});
  return Next(questions, withCancel ? Answer::Cancel : Answer::No, Kind::Question, text);
}

std::optional<std::string> FakeInteraction::AskDate(const DateQuestion& question) {
  // The record's text is the dialog's lines top to bottom, so tests can look for any of them.
  std::string text = question.caption;
  if (!question.source.empty()) text += "\n" + question.source;
  text += "\n" + question.prompt;
  records.push_back({Kind::AskDate, text, Icon::None, {question.caption, {}}});
  dateQuestions.push_back(question);
  return Next(dates, std::optional<std::string>{}, Kind::AskDate, text);
}

std::optional<std::string> FakeInteraction::AskTitle(const TitleQuestion& question) {
  std::string text = question.caption + "\n" + question.prompt;
  if (!question.source.empty()) text += "\n" + question.sourceLabel + question.source;
  records.push_back({Kind::AskTitle, text, Icon::None, {question.caption, {}}});
  titleSuggestions.push_back(question.suggestion);
  titleQuestions.push_back(question);
  return Next(titles, std::optional<std::string>{}, Kind::AskTitle, text);
}

std::vector<size_t> FakeInteraction::ChooseSources(const std::string& caption,
                                                   const std::vector<SourceEntry>& entries) {
  records.push_back({Kind::ChooseSources, caption, Icon::None});
  offeredSources.push_back(entries);
  return Next(sourceSelections, std::vector<size_t>{}, Kind::ChooseSources, caption);
}

UndatedChoice FakeInteraction::AskUndated(int count, bool givenDateOnly) {
  records.push_back({Kind::AskUndated, std::to_string(count), Icon::None});
  undatedCounts.push_back(count);
  undatedGivenDateOnly.push_back(givenDateOnly);
  return Next(undatedChoices, UndatedChoice{}, Kind::AskUndated, std::to_string(count));
}

EraseAnswer FakeInteraction::AskErase(const std::string& text, const BoxLook& look) {
  records.push_back({Kind::AskErase, text, Icon::Question, look});
  eraseButtons.push_back(look.buttons);
  return Next(eraseAnswers, EraseAnswer::Cancel, Kind::AskErase, text);
}

std::unique_ptr<Progress> FakeInteraction::OpenProgress(const std::string& caption) {
  records.push_back({Kind::OpenProgress, caption, Icon::None});
  progress.push_back(ProgressLog{caption, {}, {}, {}, false});
  return std::make_unique<FakeProgress>(*this, progress.size() - 1);
}

bool FakeInteraction::OpenInBrowser(const std::filesystem::path& page) {
  records.push_back({Kind::OpenInBrowser, page.string(), Icon::None});
  openedPages.push_back(page);
  if (browserResults.empty()) return true;
  bool ok = browserResults.front();
  browserResults.pop_front();
  return ok;
}

}  // namespace orrivan::test
