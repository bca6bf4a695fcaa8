#include "gui/template_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "gui/dialog_common.h"
#include "html/plugin_choice.h"
#include "html/sample_bitmap.h"

namespace orrivan::gui {

namespace {

// The sample's frame: the bundled plug-in's samples are 120 x 80; a larger one is scaled down.
constexpr int kSampleWidth = 160;
constexpr int kSampleHeight = 110;

}  // namespace

CTemplateDialog::CTemplateDialog(QWidget* parent, TemplateChoiceModel& model) : QDialog(parent), model_(model) {
  setObjectName("TemplateDialog");
  setWindowTitle(Q(StrId::TemplateDialogTitle));
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(12);

  auto* templateLabel = new QLabel(Q(StrId::TemplateListLabel), this);
  templates_ = new QListWidget(this);
  templates_->setObjectName("TemplateList");
  templates_->setAccessibleName(PlainLabel(templateLabel->text()));
  templateLabel->setBuddy(templates_);
  for (const PluginTemplate& t : model_.Templates()) templates_->addItem(Q(t.title));
  templates_->setMinimumWidth(180);

  auto* colorLabel = new QLabel(Q(StrId::TemplateColorLabel), this);
  colors_ = new QListWidget(this);
  colors_->setObjectName("ColorList");
  colors_->setAccessibleName(PlainLabel(colorLabel->text()));
  colorLabel->setBuddy(colors_);
  colors_->setMinimumWidth(180);

  auto* summaryLabel = new QLabel(Q(StrId::TemplateSummaryLabel), this);
  summary_ = new QPlainTextEdit(this);
  summary_->setObjectName("TemplateSummary");
  summary_->setAccessibleName(summaryLabel->text());
  summary_->setReadOnly(true);
  summary_->setMinimumWidth(220);
  summary_->setFixedHeight(96);

  auto* sampleLabel = new QLabel(Q(StrId::TemplateSampleLabel), this);
  sample_ = new QLabel(this);
  sample_->setObjectName("ColorSample");
  sample_->setAccessibleName(sampleLabel->text());
  sample_->setFixedSize(kSampleWidth, kSampleHeight);
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setFrameShape(QFrame::StyledPanel);

  grid->addWidget(templateLabel, 0, 0);
  grid->addWidget(templates_, 1, 0, 3, 1);
  grid->addWidget(summaryLabel, 0, 1);
  grid->addWidget(summary_, 1, 1);
  grid->addWidget(sampleLabel, 2, 1);
  grid->addWidget(sample_, 3, 1, Qt::AlignLeft | Qt::AlignTop);
  grid->addWidget(colorLabel, 0, 2);
  grid->addWidget(colors_, 1, 2, 3, 1);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = MakeButton(Q(StrId::OkButton), this);
  ok_->setDefault(true);
  buttons->addButton(ok_, QDialogButtonBox::AcceptRole);
  buttons->addButton(MakeButton(Q(StrId::CancelButtonHalfWidth), this), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 4, 0, 1, 3);

  connect(templates_, &QListWidget::currentRowChanged, this, [this](int row) {
    model_.SelectTemplate(row);
    ShowTemplate();
  });
  connect(colors_, &QListWidget::currentRowChanged, this, [this](int row) {
    model_.SelectColor(row);
    ShowSample();
  });
  {
    const QSignalBlocker quiet(templates_);
    templates_->setCurrentRow(model_.SelectedTemplate());
  }
  ShowTemplate();
}

void CTemplateDialog::ShowTemplate() {
  summary_->setPlainText(Q(model_.Summary()));
  ShowColors();
}

void CTemplateDialog::ShowColors() {
  const QSignalBlocker quiet(colors_);
  colors_->clear();
  for (const std::string& name : model_.Colors()) colors_->addItem(Q(name));
  colors_->setCurrentRow(model_.SelectedColor());
  ShowSample();
}

void CTemplateDialog::ShowSample() {
  // The model hands over the bitmap only when the plug-in wrote the size it named; its header and
  // rows are still the plug-in's word, which the reader checks before a pixel is taken.
  const std::optional<SampleBitmap> bitmap = ReadSampleBitmap(model_.Sample());
  if (!bitmap) {
    sample_->setPixmap(QPixmap());
    sample_->setText(Q(StrId::TemplateNoSample));
    return;
  }
  QImage image(bitmap->rgb.data(), bitmap->width, bitmap->height, bitmap->width * 3, QImage::Format_RGB888);
  QPixmap pixmap = QPixmap::fromImage(image.copy());
  if (pixmap.width() > kSampleWidth - 4 || pixmap.height() > kSampleHeight - 4)
    pixmap = pixmap.scaled(kSampleWidth - 4, kSampleHeight - 4, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  sample_->setText({});
  sample_->setPixmap(pixmap);
}

bool RunTemplateDialog(QWidget* parent, TemplateChoiceModel& model) {
  CTemplateDialog dialog(parent, model);
  return RunDialog(dialog, DialogKind::Template, Str(StrId::TemplateDialogTitle), dialog.OkButton(), nullptr);
}

}  // namespace orrivan::gui
