#include "gui/title_dialog.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialog_common.h"

namespace orrivan::gui {
namespace {

constexpr int kFieldWidth = 360;

bool IsControl(QChar c) {
  return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

}  // namespace

bool TitleFits(const QString& title, size_t maxBytes) {
  for (QChar c : title)
    if (IsControl(c)) return false;
  return maxBytes == 0 || static_cast<size_t>(title.toUtf8().size()) <= maxBytes;
}

QValidator::State TitleValidator::validate(QString& input, int&) const {
  return TitleFits(input, maxBytes_) ? Acceptable : Invalid;
}

TitleDialog::TitleDialog(QWidget* parent, const TitleQuestion& question)
    : QDialog(parent), maxBytes_(question.maxBytes) {
  setWindowTitle(Q(question.caption.empty() ? Str(StrId::TitleDialogTitle) : question.caption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Q(question.prompt.empty() ? Str(StrId::TitlePrompt) : question.prompt), this));
  layout->addSpacing(6);

  auto* grid = new QGridLayout;
  int row = 0;
  if (!question.source.empty()) {
    const QString label = Q(question.sourceLabel.empty() ? Str(StrId::TitleSourceLabel) : question.sourceLabel);
    const QString path = Q(question.source);
    auto* source = new QLabel(this);
    source->setText(QFontMetrics(source->font()).elidedText(path, Qt::ElideMiddle, kFieldWidth));
    source->setToolTip(path);
    source->setAccessibleName(PlainLabel(label) + path);
    grid->addWidget(new QLabel(label, this), row, 0);
    grid->addWidget(source, row, 1);
    ++row;
  }
  const QString fieldLabel = Q(question.fieldLabel.empty() ? Str(StrId::TitleFieldLabel) : question.fieldLabel);
  auto* fieldCaption = new QLabel(fieldLabel, this);
  field_ = new QLineEdit(this);
  field_->setAccessibleName(PlainLabel(fieldLabel));
  field_->setMinimumWidth(kFieldWidth);
  field_->setValidator(new TitleValidator(maxBytes_, field_));
  fieldCaption->setBuddy(field_);
  grid->addWidget(fieldCaption, row, 0);
  grid->addWidget(field_, row, 1);
  layout->addLayout(grid);
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
  // A suggestion the box would refuse (a stored title from elsewhere) can be shortened, not sent.
  connect(field_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(field_->hasAcceptableInput()); });

  field_->setText(Q(question.suggestion));
  field_->selectAll();
  field_->setFocus();
  ok_->setEnabled(field_->hasAcceptableInput());
}

std::string TitleDialog::Title() const { return U(field_->text()); }

std::optional<std::string> AskTitleDialog(QWidget* parent, const TitleQuestion& question) {
  TitleDialog dialog(parent, question);
  const bool ok = RunDialog(dialog, DialogKind::Title, question.source, dialog.OkButton(),
                            [&dialog](const DialogSeam::Answer& answer) {
                              dialog.Field()->setText(Q(answer.text));
                              if (!dialog.OkButton()->isEnabled()) {
                                DialogSeam::Miss("the title dialog refuses the title \"" + answer.text + "\"");
                                return false;
                              }
                              dialog.OkButton()->click();
                              return true;
                            });
  if (!ok) return std::nullopt;
  return dialog.Title();
}

}  // namespace orrivan::gui
