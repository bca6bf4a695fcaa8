#include "gui/library_list_destination.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "base/strings.h"

namespace orrivan::gui {

namespace {

namespace fs = std::filesystem;

QString Text(StrId id) { return QString::fromStdString(Str(id)); }

}  // namespace

DestinationDialog::DestinationDialog(QWidget* parent, const std::string& caption, const std::string& prompt,
                                     const fs::path& start)
    : QDialog(parent), prompt_(prompt) {
  setObjectName("DestinationDialog");
  setWindowTitle(QString::fromStdString(caption));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QString::fromStdString(prompt), this);
  layout->addWidget(label);
  auto* row = new QHBoxLayout;
  field_ = new QLineEdit(QString::fromStdString(start.string()), this);
  field_->setObjectName("Destination");
  field_->setAccessibleName(QString::fromStdString(prompt));
  field_->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
  label->setBuddy(field_);
  browse_ = new QPushButton(Text(StrId::BrowseButton), this);
  browse_->setObjectName("Browse");
  browse_->setAccessibleName(Text(StrId::BrowseButton).remove(QRegularExpression("\\(&.\\)")).remove('&'));
  row->addWidget(field_, 1);
  row->addWidget(browse_);
  layout->addLayout(row);
  auto* box = new QDialogButtonBox(this);
  ok_ = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok_->setDefault(true);
  QPushButton* cancel = box->addButton(Text(StrId::CancelButtonHalfWidth), QDialogButtonBox::RejectRole);
  cancel->setAccessibleName(cancel->text());
  layout->addWidget(box);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse_, &QPushButton::clicked, this, &DestinationDialog::Browse);
  auto update = [this] { ok_->setEnabled(!field_->text().trimmed().isEmpty()); };
  connect(field_, &QLineEdit::textChanged, this, update);
  update();
}

fs::path DestinationDialog::Folder() const { return fs::path(field_->text().trimmed().toStdString()); }

void DestinationDialog::Browse() {
  const QString chosen = QFileDialog::getExistingDirectory(this, QString::fromStdString(prompt_), field_->text());
  if (!chosen.isEmpty()) field_->setText(chosen);
}

std::optional<fs::path> AskDestination(QWidget* parent, const std::string& caption, const std::string& prompt,
                                       const fs::path& start) {
  DestinationDialog dialog(parent, caption, prompt, start);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Folder();
}

std::string DestinationProblem(const fs::path& folder) {
  struct stat st {};
  if (folder.empty() || !folder.is_absolute() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return Str(StrId::DestinationMissing);
  // The mode bits, not only access(): the superuser passes access() on a folder its owner made
  // read-only, and would fill it against the owner's wish.
  if ((st.st_mode & S_IWUSR) == 0 || ::access(folder.c_str(), W_OK) != 0) return Str(StrId::DestinationReadOnly);
  return {};
}

}  // namespace orrivan::gui
