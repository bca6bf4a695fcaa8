// The column of navigation buttons that every form view carries on its left (and that is the whole of
// the start view): the library in the browser, the six views, the photo editor, help and quit, with
// the auto-import state and the library count beneath. The button of the view shown is disabled, and
// so is the button of a view that is not built.
#pragma once

#include <QLabel>
#include <QToolButton>
#include <QWidget>
#include <map>

#include "base/strings.h"
#include "gui/form_view.h"

namespace orrivan::gui {

class NavColumn : public QWidget {
  Q_OBJECT
 public:
  // The buttons, by the control numbers the forms have always used.
  enum class Button : int {
    Library = 1009, Edit = 1010, Import = 1011, Remove = 1012, Copy = 1013, Move = 1014,
    Settings = 1015, Help = 1016, Quit = 1017, Editor = 1050,
  };

  NavColumn(ViewContext& context, ViewId shown, QWidget* parent);

  QToolButton* ButtonOf(Button button) const;
  // "ﾗｲﾌﾞﾗﾘ数：" N件, read from the album now.
  void RefreshCount();
  // The button that leads to a view (the start view's focus goes to the one the user came from).
  static Button ButtonForView(ViewId id);

 private:
  void AddButton(Button button, const char* icon, StrId caption);
  void Press(Button button);

  ViewContext& context_;
  ViewId shown_;
  std::map<Button, QToolButton*> buttons_;
  QLabel* autoState_ = nullptr;
  QLabel* count_ = nullptr;
};

}  // namespace orrivan::gui
