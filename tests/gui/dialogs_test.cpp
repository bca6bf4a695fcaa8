// The import dialogs and boxes through the seam: their texts, the system's labels, the answers they
// give, and what they refuse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QToolButton>
#include <filesystem>

#include "base/strings.h"
#include "gui/date_dialog.h"
#include "gui/dialog_common.h"
#include "gui/folder_dialog.h"
#include "gui/gui_interaction.h"
#include "gui/progress_window.h"
#include "gui/source_dialog.h"
#include "gui/title_dialog.h"
#include "gui/undated_dialog.h"
#include "gui/welcome_dialog.h"
#include "seam_fixture.h"
#include "support/temp_dir.h"
#include "widget_walk.h"

namespace orrivan::gui {
namespace {

using test::HasLabel;
using Kind = UndatedChoice::Kind;

class Dialogs : public test::SeamTest {
 protected:
  GuiInteraction ui_;
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(PlainLabel, DropsMnemonicsForScreenReaders) {
  EXPECT_EQ(PlainLabel(QStringLiteral("ﾌｫﾙﾀﾞ一覧(&L)")), QStringLiteral("ﾌｫﾙﾀﾞ一覧"));
  EXPECT_EQ(PlainLabel(QStringLiteral("追加(&A)>>")), QStringLiteral("追加>>"));
  EXPECT_EQ(PlainLabel(QStringLiteral("&Open")), QStringLiteral("Open"));
  EXPECT_EQ(PlainLabel(QStringLiteral("Tom && Jerry")), QStringLiteral("Tom & Jerry"));
  EXPECT_EQ(PlainLabel(QStringLiteral("ｷｬﾝｾﾙ")), QStringLiteral("ｷｬﾝｾﾙ"));
}

TEST_F(Dialogs, BoxesShowTheCaptionAndTheSystemLabelsInOrder) {
  DialogSeam::NextButton(1);
  EXPECT_FALSE(ui_.Confirm("text one", Icon::Question));
  DialogSeam::NextButton("いいえ(&N)");
  EXPECT_EQ(ui_.Question("text two", Icon::Exclamation, true, BoxLook{"消去", {}}), Answer::No);
  DialogSeam::NextButton("中止");  // the plain form of a label works too
  EXPECT_FALSE(ui_.Confirm("text three", Icon::Question, BoxLook{Str(StrId::ProductName), {"OK", "中止"}}));
  DialogSeam::NextAccept(DialogKind::Box);  // the first button
  EXPECT_TRUE(ui_.Confirm("text four", Icon::Question));
  DialogSeam::NextAccept(DialogKind::Box);
  ui_.Message("text five", Icon::Stop, BoxLook{"ｺﾋﾟｰ", {}});

  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].caption, "Orrivan");
  EXPECT_EQ(shown[0].text, "text one");
  EXPECT_EQ(shown[0].buttons, (std::vector<std::string>{"OK", "ｷｬﾝｾﾙ"}));
  EXPECT_EQ(shown[1].caption, "消去");
  EXPECT_EQ(shown[1].buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)", "ｷｬﾝｾﾙ"}));
  EXPECT_EQ(shown[2].buttons, (std::vector<std::string>{"OK", "中止"}));
  EXPECT_EQ(shown[4].caption, "ｺﾋﾟｰ");
  EXPECT_EQ(shown[4].buttons, (std::vector<std::string>{"OK"}));
}

TEST_F(Dialogs, CancelPressesTheBoxCancelButtonButAYesNoQuestionMustBeAnswered) {
  DialogSeam::NextCancel(DialogKind::Box);
  EXPECT_EQ(ui_.Question("q", Icon::Question, true), Answer::Cancel);
  DialogSeam::NextCancel(DialogKind::Box);
  EXPECT_FALSE(ui_.Confirm("c", Icon::Question));
  // Escape does nothing on a Yes / No box: the seam sees it refuse, and the answer that changes
  // nothing comes back.
  DialogSeam::NextCancel(DialogKind::Box);
  EXPECT_EQ(ui_.Question("q2", Icon::Question, false), Answer::No);
  expectedMisses_ = 1;
}

TEST_F(Dialogs, EraseQuestionHasFourButtonsEachWithItsAnswer) {
  const BoxLook look{Str(StrId::EraseCaption),
                     {Str(StrId::YesButton), Str(StrId::NoButton), Str(StrId::EraseAllButton),
                      Str(StrId::CancelButtonHalfWidth)}};
  const EraseAnswer expected[] = {EraseAnswer::Yes, EraseAnswer::No, EraseAnswer::YesToAll, EraseAnswer::Cancel};
  for (int i = 0; i < 4; ++i) {
    DialogSeam::NextButton(i);
    EXPECT_EQ(ui_.AskErase(Str(StrId::EraseImageLibraryQuestion), look), expected[i]) << i;
  }
  DialogSeam::NextCancel(DialogKind::Box);
  EXPECT_EQ(ui_.AskErase("x", look), EraseAnswer::Cancel);
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].caption, "消去");
  EXPECT_EQ(shown[0].buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)", "全て消去(&A)", "ｷｬﾝｾﾙ"}));
}

TEST_F(Dialogs, NothingQueuedIsAMissAnsweredAsCancel) {
  EXPECT_FALSE(ui_.Confirm(Str(StrId::CardFoundImport), Icon::Question));
  EXPECT_EQ(ui_.AskDate(DateQuestion{"取込み年月日確認", "E:/DCIM", "p"}), std::nullopt);
  EXPECT_FALSE(OpenPageInBrowser("/tmp/library_2.htm"));
  const auto misses = DialogSeam::Misses();
  ASSERT_EQ(misses.size(), 3u);
  EXPECT_NE(misses[0].find(Str(StrId::CardFoundImport)), std::string::npos) << misses[0];
  EXPECT_NE(misses[2].find("library_2.htm"), std::string::npos) << misses[2];
  expectedMisses_ = 3;
}

TEST_F(Dialogs, DateDialogShowsTheSourceAndGivesTheChosenDate) {
  const DateQuestion question{Str(StrId::DateDialogTitle), "/MEDIA/CARD/DCIM", Str(StrId::DatePrompt)};
  DialogSeam::SetObserver([](DialogKind kind, QWidget* dialog) {
    ASSERT_EQ(kind, DialogKind::Date);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("取込み年月日確認"));
    EXPECT_TRUE(HasLabel(dialog, "/MEDIA/CARD/DCIM"));
    EXPECT_TRUE(HasLabel(dialog, "分類する年月日を指定してください"));
  });
  DialogSeam::NextDate("20240229");
  EXPECT_EQ(ui_.AskDate(question), "20240229");
  DialogSeam::NextCancel(DialogKind::Date);
  EXPECT_EQ(ui_.AskDate(question), std::nullopt);
}

TEST_F(Dialogs, DateDialogCannotChooseADayTheMonthDoesNotHave) {
  DateDialog dialog(nullptr, DateQuestion{}, QDate(2024, 1, 31));
  EXPECT_EQ(dialog.Chosen(), "20240131");
  dialog.Month()->setCurrentIndex(1);  // February of a leap year: the 31st becomes the 29th
  EXPECT_EQ(dialog.Day()->count(), 29);
  EXPECT_EQ(dialog.Chosen(), "20240229");
  dialog.Year()->setCurrentIndex(dialog.Year()->findData(2023));
  EXPECT_EQ(dialog.Day()->count(), 28);
  EXPECT_EQ(dialog.Chosen(), "20230228");
  dialog.Month()->setCurrentIndex(3);  // April
  EXPECT_EQ(dialog.Day()->count(), 30);
  EXPECT_FALSE(dialog.Select("20230229"));
  EXPECT_FALSE(dialog.Select("19791231"));  // before the first year of the list
  EXPECT_FALSE(dialog.Select("2023041"));
  EXPECT_TRUE(dialog.Select("20001231"));
  EXPECT_EQ(dialog.Chosen(), "20001231");

  DialogSeam::NextDate("20230229");
  EXPECT_EQ(ui_.AskDate(DateQuestion{}), std::nullopt);
  expectedMisses_ = 1;
}

TEST_F(Dialogs, UndatedFirstRoundOffersBothOptions) {
  DialogSeam::SetObserver([](DialogKind kind, QWidget* dialog) {
    if (kind != DialogKind::Undated) return;
    auto* undated = static_cast<UndatedDialog*>(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("取込みエラー"));
    EXPECT_TRUE(HasLabel(dialog, Str(StrId::UndatedText)));
    EXPECT_EQ(undated->ByFileDate()->text(), QStringLiteral("ファイルの日付情報で分類"));
    EXPECT_EQ(undated->ByGivenDate()->text(), QStringLiteral("年月日を指定して分類"));
    EXPECT_TRUE(undated->ByFileDate()->isEnabled());
    EXPECT_TRUE(undated->ByFileDate()->isChecked());
  });
  DialogSeam::NextUndated(Kind::FileDate);
  EXPECT_EQ(ui_.AskUndated(3, false).kind, Kind::FileDate);

  // The second option asks the date with the date dialog (no source at its top).
  DialogSeam::NextUndated(Kind::GivenDate);
  DialogSeam::NextDate("20070315");
  const UndatedChoice given = ui_.AskUndated(3, false);
  EXPECT_EQ(given.kind, Kind::GivenDate);
  EXPECT_EQ(given.date, "20070315");

  DialogSeam::NextCancel(DialogKind::Undated);
  EXPECT_EQ(ui_.AskUndated(3, false).kind, Kind::Cancel);
}

TEST_F(Dialogs, UndatedSecondRoundOffersOnlyTheGivenDate) {
  bool seen = false;
  DialogSeam::SetObserver([&seen](DialogKind kind, QWidget* dialog) {
    if (kind != DialogKind::Undated) return;
    auto* undated = static_cast<UndatedDialog*>(dialog);
    EXPECT_FALSE(undated->ByFileDate()->isEnabled());
    EXPECT_TRUE(undated->ByGivenDate()->isEnabled());
    EXPECT_TRUE(undated->ByGivenDate()->isChecked());
    seen = true;
  });
  DialogSeam::NextAccept(DialogKind::Undated);
  DialogSeam::NextDate("20070316");
  const UndatedChoice choice = ui_.AskUndated(1, true);
  EXPECT_TRUE(seen);
  EXPECT_EQ(choice.kind, Kind::GivenDate);
  EXPECT_EQ(choice.date, "20070316");

  // Filing by file date cannot be chosen any more.
  DialogSeam::NextUndated(Kind::FileDate);
  EXPECT_EQ(ui_.AskUndated(1, true).kind, Kind::Cancel);
  expectedMisses_ = 1;
}

TEST_F(Dialogs, CancelInTheDateDialogGoesBackToTheChoice) {
  DialogSeam::NextUndated(Kind::GivenDate);
  DialogSeam::NextCancel(DialogKind::Date);
  DialogSeam::NextUndated(Kind::FileDate);
  EXPECT_EQ(ui_.AskUndated(2, false).kind, Kind::FileDate);
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].kind, DialogKind::Undated);
  EXPECT_EQ(shown[1].kind, DialogKind::Date);
  EXPECT_EQ(shown[2].kind, DialogKind::Undated);
}

TitleQuestion ImportTitleQuestion() {
  TitleQuestion q;
  q.caption = Str(StrId::TitleDialogTitle);
  q.prompt = Str(StrId::TitlePrompt);
  q.sourceLabel = Str(StrId::TitleSourceLabel);
  q.source = "/MEDIA/CARD/DCIM";
  q.fieldLabel = Str(StrId::TitleFieldLabel);
  q.suggestion = "旅行";
  q.maxBytes = 255;
  return q;
}

TEST_F(Dialogs, TitleDialogShowsTheSourceAndTakesATitle) {
  DialogSeam::SetObserver([](DialogKind, QWidget* dialog) {
    auto* title = static_cast<TitleDialog*>(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ﾀｲﾄﾙの入力"));
    EXPECT_TRUE(HasLabel(dialog, "ライブラリのタイトルを入れてください"));
    EXPECT_TRUE(HasLabel(dialog, "取込対象フォルダ："));
    EXPECT_TRUE(HasLabel(dialog, "/MEDIA/CARD/DCIM"));
    EXPECT_TRUE(HasLabel(dialog, "タイトル"));
    EXPECT_EQ(title->Field()->text(), QStringLiteral("旅行"));
    EXPECT_EQ(title->Field()->accessibleName(), QStringLiteral("タイトル"));
  });
  DialogSeam::NextTitle("夏休み & 海");
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), "夏休み & 海");
  DialogSeam::NextAccept(DialogKind::Title);  // the suggestion as it stands
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), "旅行");
  DialogSeam::NextCancel(DialogKind::Title);
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), std::nullopt);
}

TEST_F(Dialogs, TitleDialogWithoutSourceShowsNoSourceLine) {
  TitleQuestion q = ImportTitleQuestion();
  q.source.clear();
  q.sourceLabel.clear();
  DialogSeam::SetObserver([](DialogKind, QWidget* dialog) { EXPECT_FALSE(HasLabel(dialog, "取込対象フォルダ：")); });
  DialogSeam::NextTitle("");
  EXPECT_EQ(ui_.AskTitle(q), "");
}

TEST_F(Dialogs, TitleDialogKeepsToTheLimitInUtf8BytesAndRefusesControlCharacters) {
  const std::string fits = Repeat("あ", 85);  // 255 bytes
  DialogSeam::NextTitle(fits);
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), fits);
  DialogSeam::NextTitle(fits + "a");
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), std::nullopt);
  DialogSeam::NextTitle("two\nlines");
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), std::nullopt);
  DialogSeam::NextTitle("tab\there");
  EXPECT_EQ(ui_.AskTitle(ImportTitleQuestion()), std::nullopt);
  expectedMisses_ = 3;

  // Typing stops at the limit: a key that would pass it is refused, not the text cut.
  TitleQuestion q = ImportTitleQuestion();
  q.suggestion = Repeat("あ", 84);  // 252 bytes; one more あ would be 255, a second one 258
  DialogSeam::SetObserver([](DialogKind, QWidget* dialog) {
    auto* title = static_cast<TitleDialog*>(dialog);
    title->Field()->end(false);
    for (int i = 0; i < 2; ++i) {
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
      QApplication::sendEvent(title->Field(), &key);
    }
  });
  DialogSeam::NextAccept(DialogKind::Title);
  EXPECT_EQ(ui_.AskTitle(q), Repeat("あ", 85));
}

TEST(TitleFits, CountsUtf8BytesAndRefusesControls) {
  EXPECT_TRUE(TitleFits(QStringLiteral("abc"), 3));
  EXPECT_FALSE(TitleFits(QStringLiteral("abcd"), 3));
  EXPECT_FALSE(TitleFits(QStringLiteral("ああ"), 5));  // 6 bytes
  EXPECT_TRUE(TitleFits(QString::fromUtf8("\xF0\x9F\x98\x80"), 4));  // one emoji, a surrogate pair
  EXPECT_FALSE(TitleFits(QStringLiteral("a\x7f"), 0));
  EXPECT_FALSE(TitleFits(QString(QChar::LineSeparator), 0));
  EXPECT_TRUE(TitleFits(QString(5000, u'x'), 0));  // 0: no limit
}

std::vector<SourceEntry> ThreeSources() {
  return {{"/MEDIA/A/DCIM", "/media/a/DCIM"}, {"/MEDIA/B/DCIM", "/media/b/dcim"}, {"/MEDIA/C/OLD", "/media/c/old"}};
}

TEST_F(Dialogs, SourceSelectionKeepsTheOrderTheUserBuilds) {
  DialogSeam::SetObserver([](DialogKind, QWidget* dialog) {
    auto* sources = static_cast<SourceDialog*>(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ｶﾒﾗ内画像の取込"));
    EXPECT_TRUE(HasLabel(dialog, "DCF対応画像ﾌｫﾙﾀﾞ/画像ﾌｫﾙﾀﾞがみつかりました"));
    EXPECT_TRUE(HasLabel(dialog, "取り込むﾌｫﾙﾀﾞをﾌｫﾙﾀﾞ一覧に追加してください"));
    EXPECT_TRUE(HasLabel(dialog, "見つかったﾌｫﾙﾀﾞ一覧(&F)"));
    EXPECT_TRUE(HasLabel(dialog, "ﾌｫﾙﾀﾞ一覧(&L)"));
    EXPECT_EQ(sources->AddButton()->text(), QStringLiteral("追加(&A)>>"));
    EXPECT_EQ(sources->RemoveButton()->text(), QStringLiteral("<<削除(&D)"));
    EXPECT_EQ(sources->ImportButton()->text(), QStringLiteral("取り込み(&G)"));
    ASSERT_EQ(sources->Found()->count(), 3);
    EXPECT_EQ(sources->Found()->item(1)->text(), QStringLiteral("/MEDIA/B/DCIM"));
    EXPECT_EQ(sources->Chosen()->count(), 0);
    EXPECT_FALSE(sources->ImportButton()->isEnabled());  // nothing to import yet
  });
  DialogSeam::NextSources({2, 0});
  EXPECT_EQ(ui_.ChooseSources(Str(StrId::ImportCaption), ThreeSources()), (std::vector<size_t>{2, 0}));
  DialogSeam::NextCancel(DialogKind::Sources);
  EXPECT_TRUE(ui_.ChooseSources(Str(StrId::ImportCaption), ThreeSources()).empty());
  // An empty import list cannot be imported.
  DialogSeam::NextSources({});
  EXPECT_TRUE(ui_.ChooseSources(Str(StrId::ImportCaption), ThreeSources()).empty());
  expectedMisses_ = 1;
}

TEST(SourceDialog, RemovingPutsAnEntryBackInItsPlace) {
  SourceDialog dialog(nullptr, Str(StrId::ImportCaption), ThreeSources());
  ASSERT_TRUE(dialog.Add(1));
  ASSERT_TRUE(dialog.Add(0));
  ASSERT_TRUE(dialog.Add(2));
  EXPECT_EQ(dialog.Order(), (std::vector<size_t>{1, 0, 2}));
  EXPECT_EQ(dialog.Found()->count(), 0);
  EXPECT_FALSE(dialog.AddButton()->isEnabled());
  EXPECT_TRUE(dialog.ImportButton()->isEnabled());
  EXPECT_FALSE(dialog.Add(1));  // already in the import list

  dialog.Chosen()->setCurrentRow(1);  // entry 0
  dialog.RemoveButton()->click();
  EXPECT_EQ(dialog.Order(), (std::vector<size_t>{1, 2}));
  dialog.Chosen()->setCurrentRow(0);  // entry 1
  dialog.RemoveButton()->click();
  ASSERT_EQ(dialog.Found()->count(), 2);
  EXPECT_EQ(dialog.Found()->item(0)->text(), QStringLiteral("/MEDIA/A/DCIM"));
  EXPECT_EQ(dialog.Found()->item(1)->text(), QStringLiteral("/MEDIA/B/DCIM"));
  EXPECT_EQ(dialog.Order(), (std::vector<size_t>{2}));
}

TEST_F(Dialogs, WelcomeDialogAnnouncesTheCalendarView) {
  DialogSeam::SetObserver([](DialogKind kind, QWidget* dialog) {
    EXPECT_EQ(kind, DialogKind::Welcome);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Orrivan 2.39"));
    EXPECT_TRUE(HasLabel(dialog, "Orrivan 2.39 へようこそ"));
    EXPECT_NE(Str(StrId::WelcomeText).find("カレンダー"), std::string::npos);
    EXPECT_TRUE(HasLabel(dialog, Str(StrId::WelcomeText)));
  });
  DialogSeam::NextAccept(DialogKind::Welcome);
  EXPECT_TRUE(ShowWelcomeDialog(nullptr));
  DialogSeam::NextCancel(DialogKind::Welcome);
  EXPECT_FALSE(ShowWelcomeDialog(nullptr));
}

TEST_F(Dialogs, FolderChooserGivesAnExistingFolderOnly) {
  test::TempDir dir;
  DialogSeam::NextFolder(dir.path());
  EXPECT_EQ(ChooseFolder(nullptr, Str(StrId::MovePrompt)), dir.path());
  DialogSeam::NextFolder(dir.path() / "missing");
  EXPECT_EQ(ChooseFolder(nullptr, Str(StrId::MovePrompt)), std::nullopt);
  DialogSeam::NextCancel(DialogKind::Folder);
  EXPECT_EQ(ChooseFolder(nullptr, Str(StrId::CopyPrompt), dir.path()), std::nullopt);
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].caption, Str(StrId::MovePrompt));
  expectedMisses_ = 1;
}

TEST_F(Dialogs, BrowserGoesThroughTheSeam) {
  DialogSeam::NextBrowser(false);
  EXPECT_FALSE(ui_.OpenInBrowser("/home/x/library_1.htm"));
  DialogSeam::NextBrowser(true);
  EXPECT_TRUE(ui_.OpenInBrowser("/home/x/library_2.htm"));
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "/home/x/library_2.htm");
}

// Every control of every dialog has a name a screen reader can say.
TEST_F(Dialogs, EveryControlOfEveryDialogIsNamed) {
  int walked = 0;
  DialogSeam::SetObserver([&walked](DialogKind kind, QWidget* dialog) {
    if (!dialog) return;  // the browser has no window
    ++walked;
    std::string all;
    for (const auto& name : test::UnnamedControls(dialog)) all += name + "\n";
    EXPECT_TRUE(all.empty()) << DialogKindName(kind) << ":\n" << all;
  });
  test::TempDir dir;
  DialogSeam::NextAccept(DialogKind::Box);
  ui_.AskErase("erase?", BoxLook{"消去", {}});
  DialogSeam::NextDate("20240101");
  ui_.AskDate(DateQuestion{"d", "/SRC", "p"});
  DialogSeam::NextUndated(Kind::FileDate);
  ui_.AskUndated(1, false);
  DialogSeam::NextAccept(DialogKind::Title);
  ui_.AskTitle(ImportTitleQuestion());
  DialogSeam::NextSources({0});
  ui_.ChooseSources("s", ThreeSources());
  DialogSeam::NextAccept(DialogKind::Welcome);
  ShowWelcomeDialog(nullptr);
  DialogSeam::NextFolder(dir.path());
  ChooseFolder(nullptr, "f");
  EXPECT_EQ(walked, 7);

  auto progress = ui_.OpenProgress(Str(StrId::ImportCaption));
  for (QWidget* window : QApplication::topLevelWidgets())
    if (qobject_cast<ProgressWindow*>(window))
      EXPECT_TRUE(test::UnnamedControls(window).empty()) << ::testing::PrintToString(test::UnnamedControls(window));
}

TEST(WidgetWalk, FindsControlsWithoutAName) {
  QWidget root;
  root.setWindowTitle(QStringLiteral("walk"));
  new QPushButton(QStringLiteral("OK"), &root);
  auto* iconOnly = new QToolButton(&root);
  iconOnly->setObjectName(QStringLiteral("iconOnly"));
  auto* namedIcon = new QToolButton(&root);
  namedIcon->setAccessibleName(QStringLiteral("設定"));
  auto* edit = new QLineEdit(&root);
  edit->setObjectName(QStringLiteral("edit"));
  auto* combo = new QComboBox(&root);
  combo->addItem(QStringLiteral("2024"));  // the current text is not a caption
  combo->setObjectName(QStringLiteral("combo"));
  auto* list = new QListWidget(&root);
  list->setAccessibleName(QStringLiteral("一覧"));
  auto* tabs = new QTabBar(&root);
  tabs->addTab(QStringLiteral("一般"));
  tabs->addTab(QString());
  const auto unnamed = test::UnnamedControls(&root);
  ASSERT_EQ(unnamed.size(), 4u) << ::testing::PrintToString(unnamed);
  EXPECT_NE(unnamed[0].find("iconOnly"), std::string::npos);
  EXPECT_NE(unnamed[1].find("edit"), std::string::npos);
  EXPECT_NE(unnamed[2].find("combo"), std::string::npos);
  EXPECT_NE(unnamed[3].find("tab 1"), std::string::npos);
}

}  // namespace
}  // namespace orrivan::gui

namespace orrivan::gui {
namespace {

// A dialog is owned by the main window while it can be seen; a minimised or hidden window would
// take the dialog out of sight with it.
TEST_F(Dialogs, DialogsAreOwnedByTheWindowOnlyWhileItCanBeSeen) {
  QWidget window;
  ui_.SetParentWindow(&window);
  std::vector<QWidget*> owners;
  DialogSeam::SetObserver([&owners](DialogKind, QWidget* dialog) { owners.push_back(dialog->parentWidget()); });
  for (int i = 0; i < 3; ++i) DialogSeam::NextAccept(DialogKind::Box);
  ui_.Message("hidden", Icon::Information);
  window.show();
  ui_.Message("shown", Icon::Information);
  window.showMinimized();
  ui_.Message("minimised", Icon::Information);
  ASSERT_EQ(owners.size(), 3u);
  EXPECT_EQ(owners[0], nullptr);
  EXPECT_EQ(owners[1], &window);
  EXPECT_EQ(owners[2], nullptr);
}

}  // namespace
}  // namespace orrivan::gui
