// The main frame as a person meets it: the start view, switching to the import view and back by the
// close box, the window's placement across views and runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "base/strings.h"
#include "gui/default_view.h"
#include "gui/entry_form_view.h"
#include "gui/main_frame.h"
#include "gui_fixture.h"

namespace orrivan {
namespace {

using gui::ViewId;
using settings::Key;

QString Text(StrId id) { return QString::fromStdString(Str(id)); }

class MainFrame : public test::GuiFixture {};

TEST_F(MainFrame, ClosingTheImportViewReturnsToTheStartViewAndASecondCloseEndsTheProgram) {
  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(Shown(), ViewId::Start);
  EXPECT_TRUE(Frame().isVisible());
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  ASSERT_EQ(Shown(), ViewId::Import);
  // The import view's own button is the one that is disabled.
  EXPECT_FALSE(FindButton(&Frame(), Text(StrId::NavImport))->isEnabled());

  EXPECT_FALSE(Frame().close());
  EXPECT_EQ(Shown(), ViewId::Start);
  EXPECT_TRUE(Frame().isVisible());
  // The start view gives the focus to the button of the view the user came from.
  EXPECT_EQ(Frame().focusWidget(), FindButton(&Frame(), Text(StrId::NavImport)));

  EXPECT_TRUE(Frame().close());
  EXPECT_FALSE(Frame().isVisible());
}

TEST_F(MainFrame, EveryIconIsDrawn) {
  ASSERT_TRUE(StartProgram());
  EXPECT_FALSE(Frame().windowIcon().pixmap(32, 32).isNull());
  for (QAbstractButton* b : Frame().findChildren<QAbstractButton*>())
    EXPECT_FALSE(b->icon().pixmap(24, 24).isNull()) << b->text().toStdString();
}

TEST_F(MainFrame, QuitEndsTheProgramFromAFullView) {
  ASSERT_TRUE(StartProgram());
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  Press(FindButton(&Frame(), Text(StrId::NavQuit)));
  EXPECT_FALSE(Frame().isVisible());
}

TEST_F(MainFrame, ViewsNotBuiltKeepTheirButtonsDisabled) {
  ASSERT_TRUE(StartProgram());
  for (StrId nav : {StrId::NavEdit, StrId::NavRemove, StrId::NavCopy, StrId::NavMove, StrId::NavSettings}) {
    QAbstractButton* b = FindButton(&Frame(), Text(nav));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->isEnabled(), static_cast<bool>(gui::FindView(nav == StrId::NavEdit       ? ViewId::Edit
                                                              : nav == StrId::NavRemove   ? ViewId::Remove
                                                              : nav == StrId::NavCopy     ? ViewId::Copy
                                                              : nav == StrId::NavMove     ? ViewId::Move
                                                                                          : ViewId::Settings)))
        << Str(nav);
  }
}

TEST_F(MainFrame, StartViewIsNarrowAndFixedFullViewsAreWideAndSizable) {
  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(Frame().minimumSize(), Frame().maximumSize());
  EXPECT_FALSE(Frame().windowFlags() & Qt::WindowMaximizeButtonHint);
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  EXPECT_TRUE(Frame().windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Frame().minimumSize(), Frame().WideSize());
  EXPECT_GT(Frame().WideSize().width(), Frame().NarrowSize().width());
  // Nothing of the import form is cut: the wide size holds it.
  EXPECT_GE(Frame().width(), Frame().CurrentView()->sizeHint().width());
}

TEST_F(MainFrame, AWindowMaximisedOnAFullViewComesBackMaximised) {
  ASSERT_TRUE(StartProgram());
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  Frame().showMaximized();
  QApplication::processEvents();
  EXPECT_FALSE(Frame().close());  // back to the start view
  EXPECT_FALSE(Frame().isMaximized());
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  EXPECT_TRUE(Frame().isMaximized());
}

TEST_F(MainFrame, PlacementPersistsAndALeftBeyondTheScreenOpensAtTheLeftEdge) {
  settings::SetInt(Key::WinLeft, 5000);
  settings::SetInt(Key::WinTop, -20);
  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(Frame().pos(), QPoint(0, 0));
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  Frame().move(40, 30);
  Frame().resize(Frame().WideSize() + QSize(50, 40));
  QApplication::processEvents();
  const QSize chosen = Frame().size();
  EXPECT_FALSE(Frame().close());
  program_.reset();
  EXPECT_EQ(settings::GetInt(Key::WinLeft, -1), 40);
  EXPECT_EQ(settings::GetInt(Key::WinTop, -1), 30);
  // The full views' size is kept, not the start view's.
  EXPECT_EQ(settings::GetInt(Key::WinWidth, -1), chosen.width());
  EXPECT_EQ(settings::GetInt(Key::WinHeight, -1), chosen.height());

  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(Frame().pos(), QPoint(40, 30));
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  EXPECT_EQ(Frame().size(), chosen);
}

TEST_F(MainFrame, ImportViewRemembersTheConnectionChoice) {
  ASSERT_TRUE(StartProgram());
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  auto* view = qobject_cast<gui::CEntryFormView*>(Frame().CurrentView());
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->CardChoice()->isChecked());
  EXPECT_EQ(Frame().focusWidget(), view->CameraButton());
  view->SerialChoice()->click();
  EXPECT_FALSE(Frame().close());
  EXPECT_EQ(settings::GetInt(Key::UsbSerial), 1);
  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  view = qobject_cast<gui::CEntryFormView*>(Frame().CurrentView());
  EXPECT_TRUE(view->SerialChoice()->isChecked());
}

TEST_F(MainFrame, CounterShowsTheDaysOfTheAlbum) {
  ASSERT_TRUE(StartProgram());
  auto* start = qobject_cast<gui::CDefaultView*>(Frame().CurrentView());
  ASSERT_NE(start, nullptr);
  auto* count = start->findChild<QLabel*>("LibraryCount");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->text(), "0" + Text(StrId::DayCountSuffix));
  auto* state = start->findChild<QLabel*>("AutoImportState");
  EXPECT_EQ(state->text(), Text(StrId::AutoImportOn));  // "AutoTakeIn" defaults to 0
}

TEST_F(MainFrame, PollTimerRunsItsHookEveryFiveSeconds) {
  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(Frame().PollTimer().interval(), 5000);
  EXPECT_TRUE(Frame().PollTimer().isActive());
  int ticks = 0;
  Frame().SetPollHook([&] { ++ticks; });
  Frame().PollTick();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace orrivan

namespace orrivan {
namespace {

class StartView : public test::GuiFixture {};

// After the welcome dialog was accepted ("DisplayMethod" 9) the first display builds the calendar
// once, in the home folder's HTML folder, and leaves the list view chosen.
TEST_F(StartView, PendingCalendarIsBuiltOnceAndLeavesTheListView) {
  settings::SetInt(settings::Key::DisplayMethod, 9);
  ASSERT_TRUE(StartProgram());
  for (int i = 0; i < 20 && settings::GetInt(settings::Key::DisplayMethod) == 9; ++i) QApplication::processEvents();
  EXPECT_EQ(settings::GetInt(settings::Key::DisplayMethod), 0);
  EXPECT_TRUE(std::filesystem::exists(home_ / "HTML" / "calendar_1.htm"));
  EXPECT_TRUE(std::filesystem::exists(home_ / "HTML" / "calendar_2.htm"));
  // Coming back to the start view builds nothing again.
  std::filesystem::remove(home_ / "HTML" / "calendar_1.htm");
  Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavImport))));
  EXPECT_FALSE(Frame().close());
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_FALSE(std::filesystem::exists(home_ / "HTML" / "calendar_1.htm"));
}

// A library root that is missing while the album has no day under it is made again.
TEST_F(StartView, MissingLibraryRootIsMadeWhenNoDayLiesUnderIt) {
  std::filesystem::remove_all(root_);
  ASSERT_TRUE(StartProgram());
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_TRUE(std::filesystem::is_directory(root_));
}

}  // namespace
}  // namespace orrivan
