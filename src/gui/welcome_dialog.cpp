#include "gui/welcome_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialog_common.h"

namespace orrivan::gui {

WelcomeDialog::WelcomeDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(StrId::WelcomeTitle));
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(Q(StrId::WelcomeHeading), this);
  QFont font = heading->font();
  font.setPointSizeF(font.pointSizeF() * 1.4);
  font.setBold(true);
  heading->setFont(font);
  layout->addWidget(heading);
  layout->addSpacing(10);
  auto* body = new QLabel(Q(StrId::WelcomeText), this);
  body->setTextFormat(Qt::PlainText);
  body->setWordWrap(true);
  body->setFixedWidth(420);
  layout->addWidget(body);
  layout->addSpacing(12);

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
  ok_->setFocus();
}

bool ShowWelcomeDialog(QWidget* parent) {
  WelcomeDialog dialog(parent);
  return RunDialog(dialog, DialogKind::Welcome, Str(StrId::WelcomeText), dialog.OkButton(), nullptr);
}

}  // namespace orrivan::gui
