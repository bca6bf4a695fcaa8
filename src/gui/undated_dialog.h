// The undated-files dialog of an import: how to file pictures that carry no shooting date. In the
// second round (filing by file date left some behind) only "a date the user gives" is offered.
#pragma once

#include <QDialog>
#include <atomic>

#include "base/interaction.h"

class QPushButton;
class QRadioButton;

namespace orrivan::gui {

class UndatedDialog : public QDialog {
  Q_OBJECT
 public:
  UndatedDialog(QWidget* parent, bool givenDateOnly);
  // FileDate or GivenDate: the option chosen.
  UndatedChoice::Kind Chosen() const;
  // Chooses the option; false when it is not offered.
  bool Choose(UndatedChoice::Kind option);

  QRadioButton* ByFileDate() const { return byFileDate_; }
  QRadioButton* ByGivenDate() const { return byGivenDate_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  QRadioButton* byFileDate_;
  QRadioButton* byGivenDate_;
  QPushButton* ok_;
};

// The whole question: the dialog, and for "a date the user gives" the date dialog (its Cancel goes
// back to the choice). Cancel of the choice = leave the files on the card.
UndatedChoice AskUndatedDialog(QWidget* parent, bool givenDateOnly, const std::atomic<bool>* cancelling = nullptr);

}  // namespace orrivan::gui
