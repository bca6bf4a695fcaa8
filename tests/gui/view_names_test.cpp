// Every control of every view in the view table carries its caption as text or accessible name, so a
// screen reader (and a test from outside) finds it by name. Views join this test by their table row.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/form_view.h"
#include "gui/main_frame.h"
#include "gui_fixture.h"
#include "widget_walk.h"

namespace orrivan {
namespace {

using gui::ViewId;

class ViewNames : public test::GuiFixture {};

TEST_F(ViewNames, EveryControlOfEveryViewHasAName) {
  ASSERT_TRUE(StartProgram());
  int views = 0;
  for (ViewId id : {ViewId::Start, ViewId::Import, ViewId::Edit, ViewId::Remove, ViewId::Copy, ViewId::Move,
                    ViewId::Settings}) {
    if (!gui::FindView(id)) continue;
    ++views;
    Frame().SwitchView(id, true);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    ASSERT_EQ(Frame().CurrentViewId(), id);
    const std::vector<std::string> unnamed = test::UnnamedControls(&Frame());
    EXPECT_TRUE(unnamed.empty()) << "view " << static_cast<int>(id) << ": " << unnamed.size()
                                 << " unnamed, first: " << (unnamed.empty() ? "" : unnamed.front());
  }
  EXPECT_GE(views, 2);
}

}  // namespace
}  // namespace orrivan
