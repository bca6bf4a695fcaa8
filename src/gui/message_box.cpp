#include "gui/message_box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/dialog_common.h"

namespace orrivan::gui {
namespace {

QIcon IconFor(Icon icon, const QStyle* style) {
  switch (icon) {
    case Icon::Stop: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case Icon::Exclamation: return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case Icon::Information: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case Icon::Question: return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case Icon::None: break;
  }
  return {};
}

}  // namespace

MessageBoxDialog::MessageBoxDialog(QWidget* parent, const std::string& caption, const std::string& text, Icon icon,
                                   const std::vector<std::string>& buttons, int escapeIndex)
    : QDialog(parent), escapeIndex_(escapeIndex) {
  setWindowTitle(caption.empty() ? Q(StrId::ProductName) : Q(caption));
  setAccessibleDescription(Q(text));

  auto* body = new QHBoxLayout;
  const QIcon qicon = IconFor(icon, style());
  if (!qicon.isNull()) {
    auto* iconLabel = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(qicon.pixmap(side, side));
    iconLabel->setAlignment(Qt::AlignTop);
    body->addWidget(iconLabel);
    body->addSpacing(8);
  }
  auto* textLabel = new QLabel(Q(text), this);
  textLabel->setTextFormat(Qt::PlainText);
  textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  textLabel->setMinimumWidth(220);
  body->addWidget(textLabel, 1);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (size_t i = 0; i < buttons.size(); ++i) {
    QPushButton* button = MakeButton(Q(buttons[i]), this);
    button->setMinimumWidth(88);
    buttons_.push_back(button);
    row->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, i] {
      clicked_ = static_cast<int>(i);
      accept();
    });
  }
  row->addStretch(1);
  if (!buttons_.empty()) {
    buttons_.front()->setDefault(true);
    buttons_.front()->setFocus();
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addSpacing(12);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MessageBoxDialog::reject() {
  if (escapeIndex_ < 0 || escapeIndex_ >= static_cast<int>(buttons_.size())) return;
  clicked_ = escapeIndex_;
  QDialog::reject();
}

int ShowBox(QWidget* parent, const std::string& caption, const std::string& text, Icon icon,
            const std::vector<std::string>& buttons, int escapeIndex) {
  MessageBoxDialog box(parent, caption, text, icon, buttons, escapeIndex);
  QAbstractButton* first = box.Buttons().empty() ? nullptr : box.Buttons().front();
  RunDialog(box, DialogKind::Box, text, first, [&box](const DialogSeam::Answer& answer) {
    const auto& all = box.Buttons();
    for (size_t i = 0; i < all.size(); ++i) {
      const bool byIndex = answer.label.empty() && answer.button == static_cast<int>(i);
      const bool byLabel = !answer.label.empty() && (U(all[i]->text()) == answer.label ||
                                                     U(PlainLabel(all[i]->text())) == answer.label);
      if (byIndex || byLabel) {
        all[i]->click();
        return true;
      }
    }
    return false;
  });
  return box.Clicked();
}

}  // namespace orrivan::gui
