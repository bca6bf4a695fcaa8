// The date dialog of an import: the source at the top (when there is one), year, month and day
// lists and the prompt. The day list only ever holds the days of the chosen month, so an impossible
// date cannot be picked.
#pragma once

#include <QDate>
#include <QDialog>
#include <optional>
#include <string>

#include "base/interaction.h"

class QComboBox;
class QPushButton;

namespace orrivan::gui {

class DateDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kFirstYear = 1980;  // the shooting-date reader's earliest year
  static constexpr int kLastYear = 2099;

  DateDialog(QWidget* parent, const DateQuestion& question, QDate initial = QDate::currentDate());
  // The chosen date as YYYYMMDD.
  std::string Chosen() const;
  // Selects the date in the lists; false when the lists cannot show it (the lists stay as they were).
  bool Select(const std::string& yyyymmdd);

  QComboBox* Year() const { return year_; }
  QComboBox* Month() const { return month_; }
  QComboBox* Day() const { return day_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void FillDays();

  QComboBox* year_;
  QComboBox* month_;
  QComboBox* day_;
  QPushButton* ok_;
};

// Asks for a date through the seam; empty = cancelled.
std::optional<std::string> AskDateDialog(QWidget* parent, const DateQuestion& question);

}  // namespace orrivan::gui
