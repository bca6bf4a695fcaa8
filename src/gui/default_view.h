// The start view: the navigation column alone on its grey panel, with the auto-import state and the
// library count. Its first display after the welcome dialog builds the calendar pages.
#pragma once

#include "gui/form_view.h"
#include "gui/nav_column.h"

namespace orrivan::gui {

class CDefaultView : public FormView {
  Q_OBJECT
 public:
  CDefaultView(ViewContext& context, QWidget* parent);
  void InitialUpdate() override;
  QWidget* DefaultFocus() override;
  NavColumn* Nav() const { return nav_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The calendar's first build, the mail-program hand-off and the library root, once shown.
  void AfterShown();

  NavColumn* nav_;
};

}  // namespace orrivan::gui
