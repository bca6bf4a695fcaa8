// The program's message box: icon, text and a row of buttons with the system's own labels, in the
// order given (a system box keeps its button order on every desktop).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "base/interaction.h"

class QPushButton;

namespace orrivan::gui {

class MessageBoxDialog : public QDialog {
  Q_OBJECT
 public:
  // escapeIndex: the button that Escape and the close button stand for; -1 = they do nothing (a
  // Yes / No question must be answered).
  MessageBoxDialog(QWidget* parent, const std::string& caption, const std::string& text, Icon icon,
                   const std::vector<std::string>& buttons, int escapeIndex);
  // The button pressed, or -1 when none was (the box was ended from outside).
  int Clicked() const { return clicked_; }
  const std::vector<QPushButton*>& Buttons() const { return buttons_; }

 public slots:
  void reject() override;

 private:
  std::vector<QPushButton*> buttons_;
  int escapeIndex_;
  int clicked_ = -1;
};

// Shows the box (through the dialog seam) and returns the index of the button pressed, -1 for
// none. An empty caption is the product name.
int ShowBox(QWidget* parent, const std::string& caption, const std::string& text, Icon icon,
            const std::vector<std::string>& buttons, int escapeIndex);

}  // namespace orrivan::gui
