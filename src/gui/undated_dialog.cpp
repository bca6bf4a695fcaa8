#include "gui/undated_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/strings.h"
#include "gui/date_dialog.h"
#include "gui/dialog_common.h"

namespace orrivan::gui {

UndatedDialog::UndatedDialog(QWidget* parent, bool givenDateOnly) : QDialog(parent) {
  setWindowTitle(Q(StrId::UndatedTitle));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(Q(StrId::UndatedText), this);
  text->setTextFormat(Qt::PlainText);
  layout->addWidget(text);
  layout->addSpacing(8);

  byFileDate_ = new QRadioButton(Q(StrId::UndatedByFileDate), this);
  byGivenDate_ = new QRadioButton(Q(StrId::UndatedByGivenDate), this);
  for (QRadioButton* option : {byFileDate_, byGivenDate_}) {
    option->setAccessibleName(PlainLabel(option->text()));
    auto* row = new QHBoxLayout;
    row->addSpacing(24);
    row->addWidget(option);
    row->addStretch(1);
    layout->addLayout(row);
  }
  byFileDate_->setEnabled(!givenDateOnly);
  (givenDateOnly ? byGivenDate_ : byFileDate_)->setChecked(true);
  layout->addSpacing(8);

  ok_ = MakeButton(Q(StrId::OkButton), this);
  QPushButton* cancel = MakeButton(Q(StrId::CancelButtonHalfWidth), this);
  ok_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  (givenDateOnly ? byGivenDate_ : byFileDate_)->setFocus();
}

UndatedChoice::Kind UndatedDialog::Chosen() const {
  return byFileDate_->isChecked() && byFileDate_->isEnabled() ? UndatedChoice::Kind::FileDate
                                                              : UndatedChoice::Kind::GivenDate;
}

bool UndatedDialog::Choose(UndatedChoice::Kind option) {
  QRadioButton* button = option == UndatedChoice::Kind::FileDate    ? byFileDate_
                         : option == UndatedChoice::Kind::GivenDate ? byGivenDate_
                                                                    : nullptr;
  if (!button || !button->isEnabled()) return false;
  button->setChecked(true);
  return true;
}

UndatedChoice AskUndatedDialog(QWidget* parent, bool givenDateOnly, const std::atomic<bool>* cancelling) {
  // Each round of Cancel in the date dialog comes back here; the bound only guards a test seam that
  // keeps answering the same way.
  for (int round = 0; round < 100; ++round) {
    if (cancelling && *cancelling) return {};
    UndatedDialog dialog(parent, givenDateOnly);
    const bool ok = RunDialog(dialog, DialogKind::Undated, Str(StrId::UndatedText), dialog.OkButton(),
                              [&dialog](const DialogSeam::Answer& answer) {
                                if (!dialog.Choose(answer.undated)) {
                                  DialogSeam::Miss("the undated dialog does not offer that option");
                                  return false;
                                }
                                dialog.OkButton()->click();
                                return true;
                              });
    if (!ok || (cancelling && *cancelling)) return {};
    UndatedChoice choice;
    choice.kind = dialog.Chosen();
    if (choice.kind == UndatedChoice::Kind::FileDate) return choice;
    const std::optional<std::string> date = AskDateDialog(
        parent, DateQuestion{Str(StrId::DateDialogTitle), std::string(), Str(StrId::DatePrompt)});
    if (date) {
      choice.date = *date;
      return choice;
    }
  }
  return {};
}

}  // namespace orrivan::gui
