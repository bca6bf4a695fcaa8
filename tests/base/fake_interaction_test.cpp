#include "support/fake_interaction.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace orrivan::test {
namespace {

using Kind = FakeInteraction::Kind;

TEST(FakeInteraction, AnswersFromTheScriptInOrderAndRecordsTheQuestions) {
  FakeInteraction fake;
  fake.confirms = {true, false};
  fake.questions = {Answer::Yes};
  fake.dates = {std::string("20070315"), std::nullopt};
  fake.titles = {std::string("旅行")};
  fake.sourceSelections = {{1, 0}};
  fake.undatedChoices = {UndatedChoice{UndatedChoice::Kind::GivenDate, "20070101"}};
  fake.eraseAnswers = {EraseAnswer::YesToAll};

  Interaction& ui = fake;
  EXPECT_TRUE(ui.Confirm("first", Icon::Question));
  EXPECT_FALSE(ui.Confirm("second", Icon::Exclamation));
  EXPECT_EQ(ui.Question("q", Icon::Question, true), Answer::Yes);
  EXPECT_EQ(ui.AskDate({"date", "", ""}), "20070315");
  EXPECT_EQ(ui.AskDate({"date again", "", ""}), std::nullopt);
  EXPECT_EQ(ui.AskTitle({"title", "", "", "", "", "suggested", 0}), "旅行");
  std::vector<SourceEntry> entries{{"/MEDIA/A/DCIM/100X", "/media/a/DCIM/100x"}, {"/B", "/b"}};
  EXPECT_EQ(ui.ChooseSources("sources", entries), (std::vector<size_t>{1, 0}));
  UndatedChoice undated = ui.AskUndated(3, false);
  EXPECT_EQ(undated.kind, UndatedChoice::Kind::GivenDate);
  EXPECT_EQ(undated.date, "20070101");
  EXPECT_EQ(ui.AskErase("erase?", {"消去", {"はい(&Y)", "いいえ(&N)"}}), EraseAnswer::YesToAll);
  ui.Message("done", Icon::Information);

  ASSERT_EQ(fake.records.size(), 10u);
  EXPECT_EQ(fake.records[1].text, "second");
  EXPECT_EQ(fake.records[1].icon, Icon::Exclamation);
  EXPECT_EQ(fake.records[9].kind, Kind::Message);
  EXPECT_EQ(fake.Texts(Kind::Confirm), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(fake.Count(Kind::AskDate), 2u);
  EXPECT_EQ(fake.titleSuggestions, (std::vector<std::string>{"suggested"}));
  ASSERT_EQ(fake.offeredSources.size(), 1u);
  EXPECT_EQ(fake.offeredSources[0][1].path, "/b");
  EXPECT_EQ(fake.undatedCounts, (std::vector<int>{3}));
  EXPECT_EQ(fake.eraseButtons[0].size(), 2u);
}

TEST(FakeInteraction, RunningOutOfScriptFailsAndRefuses) {
  FakeInteraction fake;
  bool confirmed = true;
  EXPECT_NONFATAL_FAILURE(confirmed = fake.Confirm("unexpected", Icon::Stop), "no scripted answer for Confirm");
  EXPECT_FALSE(confirmed);
  Answer a = Answer::Yes;
  EXPECT_NONFATAL_FAILURE(a = fake.Question("q", Icon::Question, true), "Question");
  EXPECT_EQ(a, Answer::Cancel);
  EXPECT_NONFATAL_FAILURE(a = fake.Question("q", Icon::Question, false), "Question");
  EXPECT_EQ(a, Answer::No);
  EraseAnswer e = EraseAnswer::Yes;
  EXPECT_NONFATAL_FAILURE(e = fake.AskErase("x", {}), "AskErase");
  EXPECT_EQ(e, EraseAnswer::Cancel);
  UndatedChoice u{UndatedChoice::Kind::FileDate, ""};
  EXPECT_NONFATAL_FAILURE(u = fake.AskUndated(1, false), "AskUndated");
  EXPECT_EQ(u.kind, UndatedChoice::Kind::Cancel);
}

TEST(FakeInteraction, ProgressCancelsAfterTheScriptedNumberOfSteps) {
  FakeInteraction fake;
  fake.cancelAfter = 3;
  {
    auto p = fake.OpenProgress("ｶﾒﾗ内画像の取込");
    p->SetText("取り込むﾌｧｲﾙをｺﾋﾟｰしています...", "");
    p->SetRange(5);
    p->SetPosition(1);
    p->SetPosition(2);
    EXPECT_FALSE(p->Cancelled());
    p->SetPosition(3);
    EXPECT_TRUE(p->Cancelled());
    EXPECT_FALSE(fake.progress[0].closed);
  }
  ASSERT_EQ(fake.progress.size(), 1u);
  const auto& log = fake.progress[0];
  EXPECT_TRUE(log.closed);
  EXPECT_EQ(log.caption, "ｶﾒﾗ内画像の取込");
  EXPECT_EQ(log.texts[0].first, "取り込むﾌｧｲﾙをｺﾋﾟｰしています...");
  EXPECT_EQ(log.ranges, (std::vector<int64_t>{5}));
  EXPECT_EQ(log.positions, (std::vector<int64_t>{1, 2, 3}));

  FakeInteraction never;
  auto p = never.OpenProgress("x");
  for (int i = 0; i < 100; ++i) p->SetPosition(i);
  EXPECT_FALSE(p->Cancelled());
}

TEST(FakeInteraction, BrowserOpensAreRecordedAndCanFail) {
  FakeInteraction fake;
  fake.browserResults = {false};
  EXPECT_FALSE(fake.OpenInBrowser("/h/library_2.htm"));
  EXPECT_TRUE(fake.OpenInBrowser("/h/library_1.htm"));
  EXPECT_EQ(fake.openedPages, (std::vector<std::filesystem::path>{"/h/library_2.htm", "/h/library_1.htm"}));
}

}  // namespace
}  // namespace orrivan::test
