// Pictures of the import dialogs and the progress window, for a person to look at: written to
// ORRIVAN_SCREENSHOT_DIR when it is set (run under Xvfb with the CJK fonts), skipped otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <filesystem>

#include "base/strings.h"
#include "gui/folder_dialog.h"
#include "gui/gui_interaction.h"
#include "gui/progress_window.h"
#include "gui/source_dialog.h"
#include "gui/welcome_dialog.h"
#include "seam_fixture.h"

namespace orrivan::gui {
namespace {

class Shots : public test::SeamTest {
 protected:
  void SetUp() override {
    const char* dir = std::getenv("ORRIVAN_SCREENSHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "ORRIVAN_SCREENSHOT_DIR not set";
    dir_ = dir;
    std::filesystem::create_directories(dir_);
    test::SeamTest::SetUp();
  }
  void TearDown() override {
    if (!dir_.empty()) test::SeamTest::TearDown();
  }

  void Save(QWidget* widget, const std::string& name) {
    QApplication::processEvents();
    const QPixmap shot = widget->grab();
    ASSERT_FALSE(shot.isNull()) << name;
    EXPECT_GT(shot.width(), 100) << name;
    const std::string path = (dir_ / (name + ".png")).string();
    EXPECT_TRUE(shot.save(QString::fromStdString(path))) << path;
  }

  // The next dialog shown is saved under name (and may be changed first).
  void ShootNext(const std::string& name, std::function<void(QWidget*)> prepare = nullptr) {
    DialogSeam::SetObserver([this, name, prepare](DialogKind, QWidget* dialog) {
      if (!dialog) return;
      if (prepare) prepare(dialog);
      Save(dialog, name);
    });
  }

  std::filesystem::path dir_;
  GuiInteraction ui_;
};

TEST_F(Shots, ImportDialogs) {
  ShootNext("box_card_found");
  DialogSeam::NextAccept(DialogKind::Box);
  ui_.Confirm(Str(StrId::CardFoundImport), Icon::Question, BoxLook{Str(StrId::ProductName), {"OK", "中止"}});

  ShootNext("box_write_error");
  DialogSeam::NextAccept(DialogKind::Box);
  ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);

  ShootNext("box_erase_question");
  DialogSeam::NextAccept(DialogKind::Box);
  ui_.AskErase("2007年3月15日 旅行\n" + Str(StrId::EraseImageLibraryQuestion), BoxLook{Str(StrId::EraseCaption), {}});

  ShootNext("date_dialog");
  DialogSeam::NextAccept(DialogKind::Date);
  ui_.AskDate(DateQuestion{Str(StrId::DateDialogTitle), "/MEDIA/USER/NIKON D50 CARD WITH A LONG VOLUME NAME/DCIM",
                           Str(StrId::DatePrompt)});

  ShootNext("undated_dialog_round1");
  DialogSeam::NextUndated(UndatedChoice::Kind::FileDate);
  ui_.AskUndated(3, false);

  ShootNext("undated_dialog_round2");
  DialogSeam::NextCancel(DialogKind::Undated);
  ui_.AskUndated(1, true);

  TitleQuestion title;
  title.caption = Str(StrId::TitleDialogTitle);
  title.prompt = Str(StrId::TitlePrompt);
  title.sourceLabel = Str(StrId::TitleSourceLabel);
  title.source = "/MEDIA/CARD/DCIM";
  title.fieldLabel = Str(StrId::TitleFieldLabel);
  title.suggestion = "春の旅行";
  title.maxBytes = 255;
  ShootNext("title_dialog");
  DialogSeam::NextAccept(DialogKind::Title);
  ui_.AskTitle(title);

  ShootNext("source_dialog", [](QWidget* dialog) { static_cast<SourceDialog*>(dialog)->Add(1); });
  DialogSeam::NextSources({0});
  ui_.ChooseSources(Str(StrId::ImportCaption), {{"/MEDIA/CARD/DCIM", "/media/card/DCIM"},
                                                 {"/MEDIA/CARD/OLDCAM", "/media/card/oldcam"},
                                                 {"/RUN/MEDIA/USER/3031-6338/DCIM", "/run/media/user/3031-6338/dcim"}});

  ShootNext("welcome_dialog");
  DialogSeam::NextAccept(DialogKind::Welcome);
  ShowWelcomeDialog(nullptr);

  ShootNext("folder_dialog");
  DialogSeam::NextCancel(DialogKind::Folder);
  ChooseFolder(nullptr, Str(StrId::MovePrompt), "/tmp");
}

TEST_F(Shots, ProgressWindow) {
  auto progress = ui_.OpenProgress(Str(StrId::ImportCaption));
  progress->SetText(Str(StrId::CopyingFiles), "/MEDIA/CARD/DCIM/100NCD50/DSC_0042.JPG");
  progress->SetRange(120);
  progress->SetPosition(42);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* window = qobject_cast<ProgressWindow*>(w); window && window->isVisible()) Save(window, "progress_import");
  auto pages = ui_.OpenProgress(Str(StrId::HtmlCaption));
  pages->SetText(Str(StrId::HtmlText), Str(StrId::PleaseWait));
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* window = qobject_cast<ProgressWindow*>(w); window && window->isVisible() && window->windowTitle() == QString::fromStdString(Str(StrId::HtmlCaption)))
      Save(window, "progress_pages");
}

}  // namespace
}  // namespace orrivan::gui
