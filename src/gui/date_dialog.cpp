#include "gui/date_dialog.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialog_common.h"

namespace orrivan::gui {
namespace {

// Long paths are cut in the middle; the whole path stays in the tool tip and the accessible name.
constexpr int kSourceWidth = 380;

QComboBox* MakeList(const QString& name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setAccessibleName(name);
  list->setMaxVisibleItems(12);
  return list;
}

}  // namespace

DateDialog::DateDialog(QWidget* parent, const DateQuestion& question, QDate initial) : QDialog(parent) {
  setWindowTitle(Q(question.caption.empty() ? Str(StrId::DateDialogTitle) : question.caption));
  auto* layout = new QVBoxLayout(this);

  if (!question.source.empty()) {
    auto* source = new QLabel(this);
    const QString path = Q(question.source);
    source->setText(QFontMetrics(source->font()).elidedText(path, Qt::ElideMiddle, kSourceWidth));
    source->setToolTip(path);
    source->setAccessibleName(path);
    source->setMinimumWidth(kSourceWidth);
    layout->addWidget(source);
    layout->addSpacing(6);
  }

  const QString prompt = Q(question.prompt.empty() ? Str(StrId::DatePrompt) : question.prompt);
  auto* promptLabel = new QLabel(prompt, this);
  layout->addWidget(promptLabel);

  year_ = MakeList(Q(StrId::DateYearLabel), this);
  month_ = MakeList(Q(StrId::DateMonthLabel), this);
  day_ = MakeList(Q(StrId::DateDayLabel), this);
  for (int y = kFirstYear; y <= kLastYear; ++y) year_->addItem(QString::number(y), y);
  for (int m = 1; m <= 12; ++m) month_->addItem(QString::number(m), m);

  auto* lists = new QHBoxLayout;
  lists->addStretch(1);
  const std::pair<QComboBox*, StrId> parts[] = {
      {year_, StrId::DateYearLabel}, {month_, StrId::DateMonthLabel}, {day_, StrId::DateDayLabel}};
  for (const auto& [list, unit] : parts) {
    lists->addWidget(list);
    auto* unitLabel = new QLabel(Q(unit), this);
    unitLabel->setBuddy(list);
    lists->addWidget(unitLabel);
    lists->addSpacing(6);
  }
  lists->addStretch(1);
  layout->addLayout(lists);
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

  if (!initial.isValid() || initial.year() < kFirstYear || initial.year() > kLastYear)
    initial = QDate(kFirstYear, 1, 1);
  year_->setCurrentIndex(initial.year() - kFirstYear);
  month_->setCurrentIndex(initial.month() - 1);
  FillDays();
  day_->setCurrentIndex(initial.day() - 1);
  connect(year_, &QComboBox::currentIndexChanged, this, &DateDialog::FillDays);
  connect(month_, &QComboBox::currentIndexChanged, this, &DateDialog::FillDays);
  year_->setFocus();
}

void DateDialog::FillDays() {
  const int days = QDate(year_->currentData().toInt(), month_->currentData().toInt(), 1).daysInMonth();
  const int keep = std::max(0, day_->currentIndex());
  if (day_->count() == days) return;
  const QSignalBlocker block(day_);
  day_->clear();
  for (int d = 1; d <= days; ++d) day_->addItem(QString::number(d), d);
  // 31 March to February becomes the last day of February, as a user would expect.
  day_->setCurrentIndex(std::min(keep, days - 1));
}

std::string DateDialog::Chosen() const {
  const QDate date(year_->currentData().toInt(), month_->currentData().toInt(), day_->currentData().toInt());
  return U(date.toString(QStringLiteral("yyyyMMdd")));
}

bool DateDialog::Select(const std::string& yyyymmdd) {
  const QDate date = QDate::fromString(Q(yyyymmdd), QStringLiteral("yyyyMMdd"));
  if (yyyymmdd.size() != 8 || !date.isValid()) return false;
  const int year = year_->findData(date.year());
  if (year < 0) return false;
  year_->setCurrentIndex(year);
  month_->setCurrentIndex(month_->findData(date.month()));
  day_->setCurrentIndex(day_->findData(date.day()));
  return Chosen() == yyyymmdd;
}

std::optional<std::string> AskDateDialog(QWidget* parent, const DateQuestion& question) {
  DateDialog dialog(parent, question);
  const bool ok = RunDialog(dialog, DialogKind::Date, question.source + "\n" + question.prompt, dialog.OkButton(),
                            [&dialog](const DialogSeam::Answer& answer) {
                              if (!dialog.Select(answer.text)) {
                                DialogSeam::Miss("the date dialog cannot show the date " + answer.text);
                                return false;
                              }
                              dialog.OkButton()->click();
                              return true;
                            });
  if (!ok) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace orrivan::gui
