// The template selection dialog: the templates of every plug-in (sorted by title), the selected
// one's description, its plug-in's colour patterns and the sample picture of the selected colour.
// It only draws TemplateChoiceModel; the caller writes the choice on OK.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace orrivan {
class TemplateChoiceModel;
}

namespace orrivan::gui {

class CTemplateDialog : public QDialog {
  Q_OBJECT
 public:
  CTemplateDialog(QWidget* parent, TemplateChoiceModel& model);

  QListWidget* Templates() const { return templates_; }
  QListWidget* Colors() const { return colors_; }
  QPlainTextEdit* Summary() const { return summary_; }
  QLabel* Sample() const { return sample_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void ShowTemplate();
  void ShowColors();
  void ShowSample();

  TemplateChoiceModel& model_;
  QListWidget* templates_;
  QListWidget* colors_;
  QPlainTextEdit* summary_;
  QLabel* sample_;
  QPushButton* ok_;
};

// Shows the dialog (through the dialog seam); true for OK. The model then holds the choice.
bool RunTemplateDialog(QWidget* parent, TemplateChoiceModel& model);

}  // namespace orrivan::gui
