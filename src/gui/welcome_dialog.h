// The first-run welcome: the version, what is new (the calendar view) and that its data is built
// first. OK goes on, Cancel ends the program (the caller writes the setting).
#pragma once

#include <QDialog>

class QPushButton;
class QWidget;

namespace orrivan::gui {

class WelcomeDialog : public QDialog {
  Q_OBJECT
 public:
  explicit WelcomeDialog(QWidget* parent);
  QPushButton* OkButton() const { return ok_; }

 private:
  QPushButton* ok_;
};

// True for OK.
bool ShowWelcomeDialog(QWidget* parent);

}  // namespace orrivan::gui
