// The answer flags of the import commands: what a command line answers and what it sets for the
// engine, and the lines it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Like the CLI's Interaction, the flags live in the program: compiled in here.
#include "cli/cli_flags.cpp"
#include "import/import_engine.h"

namespace orrivan::cli {
namespace {

struct Parsed {
  bool parsed = false;   // the command line was accepted
  bool answered = false;  // TakeAnswers accepted it
  CliAnswers answers;
  ImportOptions options;
};

Parsed Parse(std::vector<std::string> args) {
  CLI::App app;
  AnswerFlags flags;
  AddFilingFlags(&app, flags, "dated");
  AddAnswerFlags(&app, flags, "yes");
  Parsed out;
  std::reverse(args.begin(), args.end());
  try {
    app.parse(args);
  } catch (const CLI::ParseError&) {
    return out;
  }
  out.parsed = true;
  out.answered = TakeAnswers(flags, out.answers);
  SetImportOptions(flags, out.options);
  return out;
}

TEST(CliFlags, AnswersAndOptionsFollowTheCommandLine) {
  const Parsed none = Parse({});
  ASSERT_TRUE(none.answered);
  EXPECT_FALSE(none.answers.yes);
  EXPECT_FALSE(none.answers.date);
  EXPECT_FALSE(none.answers.title);
  EXPECT_FALSE(none.options.classification);
  EXPECT_FALSE(none.options.title);
  EXPECT_TRUE(none.options.openBrowser);

  const Parsed dated = Parse({"--dated", "20070315", "--title", "", "-y", "--no-open"});
  ASSERT_TRUE(dated.answered);
  EXPECT_EQ(dated.answers.date, "20070315");
  EXPECT_EQ(dated.options.classification, 1);
  EXPECT_EQ(dated.answers.title, "");  // an empty title is still an answer
  EXPECT_EQ(dated.options.title, "");
  EXPECT_TRUE(dated.answers.yes);
  EXPECT_TRUE(dated.answers.noOpen);
  EXPECT_FALSE(dated.options.openBrowser);

  const Parsed byDate = Parse({"--by-date"});
  ASSERT_TRUE(byDate.answered);
  EXPECT_EQ(byDate.options.classification, 0);
  EXPECT_FALSE(byDate.answers.date);
}

TEST(CliFlags, RefusedCommandLines) {
  EXPECT_FALSE(Parse({"--by-date", "--dated", "20070315"}).parsed);
  for (const char* bad : {"2007", "20071301", "20070100", "2007031a", "200703150"}) {
    const Parsed p = Parse({"--dated", bad});
    EXPECT_TRUE(p.parsed) << bad;
    EXPECT_FALSE(p.answered) << bad;
  }
}

}  // namespace
}  // namespace orrivan::cli
