// The title dialog: prompt, the source folder (when there is one), and the title box. The box takes
// at most the engine's limit in bytes of UTF-8 (the form the album keeps) and no control
// characters: a title is one line of a page.
#pragma once

#include <QDialog>
#include <QValidator>
#include <optional>
#include <string>

#include "base/interaction.h"

class QLineEdit;
class QPushButton;

namespace orrivan::gui {

class TitleValidator : public QValidator {
  Q_OBJECT
 public:
  TitleValidator(size_t maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) {}
  // An edit that would break the rule is refused as a whole, as a length limit refuses a key.
  State validate(QString& input, int& pos) const override;

 private:
  size_t maxBytes_;
};

// A title the box accepts.
bool TitleFits(const QString& title, size_t maxBytes);

class TitleDialog : public QDialog {
  Q_OBJECT
 public:
  TitleDialog(QWidget* parent, const TitleQuestion& question);
  std::string Title() const;
  QLineEdit* Field() const { return field_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  QLineEdit* field_;
  QPushButton* ok_;
  size_t maxBytes_;
};

// Asks for a title through the seam; empty = cancelled.
std::optional<std::string> AskTitleDialog(QWidget* parent, const TitleQuestion& question);

}  // namespace orrivan::gui
