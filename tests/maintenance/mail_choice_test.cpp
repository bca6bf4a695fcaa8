// The mail program choice: which entries count as installed, what "MailName" gets, and
// ApplyToLibrary carrying the current choices into every reachable day.
#include "maintenance/mail_choice.h"

#include <sys/stat.h>

#include "base/settings.h"
#include "base/strings.h"
#include "maintenance/maintenance_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class MailChoice : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    bin_ = dir_ / "bin";
    fs::create_directories(bin_);
    ::setenv("PATH", bin_.c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", oldPath_.c_str(), 1);
    MaintenanceFixture::TearDown();
  }
  void Install(const std::string& name, mode_t mode = 0755) {
    test::WriteFile(bin_ / name, "#!/bin/sh\n");
    ::chmod((bin_ / name).c_str(), mode);
  }
  std::string MailName() const { return settings::GetString(settings::Key::MailName); }

  std::string oldPath_;
  fs::path bin_;
};

TEST_F(MailChoice, WithNoProgramOnPathOnlyTheFirstEntryCanBeChosen) {
  Install("outlook", 0644);  // not executable: not installed
  ASSERT_TRUE(ChooseMailProgram(0));
  for (int i = 1; i < kMailEntries; ++i) {
    EXPECT_FALSE(IsMailProgramInstalled(i)) << i;
    EXPECT_FALSE(ChooseMailProgram(i)) << i;
  }
  EXPECT_EQ(MailName(), "ﾒｰﾗｰの設定しない");
  EXPECT_FALSE(IsMailProgramInstalled(0));
  EXPECT_TRUE(IsMailEntrySelectable(0));
}

TEST_F(MailChoice, AProgramOnPathCanBeChosenAndIsWrittenAtOnce) {
  Install("outlook");
  EXPECT_TRUE(IsMailProgramInstalled(2));
  EXPECT_EQ(MailProgramPath(2), bin_ / "outlook");
  EXPECT_FALSE(IsMailProgramInstalled(1));
  ASSERT_TRUE(ChooseMailProgram(2));
  EXPECT_EQ(MailName(), "Outlook");
  EXPECT_EQ(SelectedMailEntry(), 2);
  EXPECT_FALSE(ChooseMailProgram(3));
  EXPECT_EQ(MailName(), "Outlook");
}

TEST_F(MailChoice, AnUnknownNameShowsTheFirstEntryWithoutBeingRewritten) {
  settings::SetString(settings::Key::MailName, "Sylpheed");
  EXPECT_EQ(SelectedMailEntry(), 0);
  EXPECT_FALSE(SettleMailName());
  EXPECT_EQ(MailName(), "Sylpheed");
}

TEST_F(MailChoice, LinuxMailProgramsFollowTheFourKeptEntries) {
  ASSERT_EQ(kMailEntries, 6);
  EXPECT_STREQ(MailPrograms()[3].name, "Eudora");
  EXPECT_STREQ(MailPrograms()[4].name, "Thunderbird");
  EXPECT_STREQ(MailPrograms()[5].name, "Evolution");
  EXPECT_FALSE(ChooseMailProgram(4));
  Install("thunderbird");
  EXPECT_TRUE(IsMailProgramInstalled(4));
  EXPECT_FALSE(IsMailProgramInstalled(5));
  ASSERT_TRUE(ChooseMailProgram(4));
  EXPECT_EQ(MailName(), "Thunderbird");
  EXPECT_EQ(SelectedMailEntry(), 4);
  EXPECT_FALSE(ChooseMailProgram(5));
  EXPECT_FALSE(ChooseMailProgram(kMailEntries));
}

TEST_F(MailChoice, ANeverSetNameIsSettledOnce) {
  EXPECT_TRUE(SettleMailName());
  EXPECT_EQ(settings::ReadString("Settings", "MailName", "error"), "ﾒｰﾗｰの設定しない");
  EXPECT_FALSE(SettleMailName());
}

TEST_F(MailChoice, ApplyToLibraryCarriesTheCurrentChoicesIntoEveryDay) {
  Shot("ABCD0001.JPG", "20070315", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 10, 2);
  ImportCard();
  const std::string templateBefore = album_->Days().begin()->templateName;
  Install("eudora");
  ASSERT_TRUE(ChooseMailProgram(3));
  settings::SetInt(settings::Key::PrintButton, 1);
  settings::SetString(settings::Key::TemplateBackCol, "changed");  // not applied: days keep theirs

  FakeInteraction ui;
  ui.confirms = {true};
  const auto report = ApplyToLibrary(*album_, ui);

  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Confirm),
            std::vector<std::string>{"ﾗｲﾌﾞﾗﾘにｵﾌﾟｼｮﾝを追加します\n" + Str(StrId::RebuildQuestion) +
                                     "\n注意：ﾃﾝﾌﾟﾚｰﾄのタイプ２/タイプ４にはMAIL/PRINTﾎﾞﾀﾝはつきません"});
  EXPECT_EQ(report.rebuiltNames, (std::vector<std::string>{"20070315", "20070316"}));
  EXPECT_TRUE(report.saved);
  CRKCardAlbumDoc saved(home_);
  saved.SetGenerationRotation(false);
  ASSERT_TRUE(saved.OnOpenDocument(layout::WorkingAlbumPath()));
  ASSERT_EQ(saved.DayCount(), 2u);
  for (const CAlbumData& day : saved.Days()) {
    EXPECT_EQ(day.mailName, "Eudora");
    EXPECT_EQ(day.printButton, 1);
    EXPECT_EQ(day.templateName, templateBefore);
    EXPECT_EQ(day.pictureCount, 1);
  }
  ExpectNoBrokenLinks(home_);
}

TEST_F(MailChoice, CancelAtTheConfirmationLeavesTheLibrary) {
  Shot("ABCD0001.JPG", "20070315");
  ImportCard();
  const std::string before = test::ReadFile(layout::WorkingAlbumPath());
  FakeInteraction ui;
  ui.confirms = {false};
  EXPECT_EQ(ApplyToLibrary(*album_, ui).result, MaintenanceResult::Cancelled);
  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), before);
}

}  // namespace
}  // namespace orrivan
