#include "gui/library_list_destination.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/strings.h"
#include "gui/dialog_common.h"
#include "gui/folder_dialog.h"

namespace orrivan::gui {

namespace {

namespace fs = std::filesystem;

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
  browse_ = MakeButton(Q(StrId::BrowseButton), this);
  browse_->setObjectName("Browse");
  row->addWidget(field_, 1);
  row->addWidget(browse_);
  layout->addLayout(row);
  auto* box = new QDialogButtonBox(this);
  ok_ = MakeButton(Q(StrId::OkButton), this);
  ok_->setDefault(true);
  box->addButton(ok_, QDialogButtonBox::AcceptRole);
  box->addButton(MakeButton(Q(StrId::CancelButtonHalfWidth), this), QDialogButtonBox::RejectRole);
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
  const auto chosen = ChooseFolder(this, prompt_, Folder());
  if (chosen) field_->setText(Q(chosen->string()));
}

std::optional<fs::path> AskDestination(QWidget* parent, const std::string& caption, const std::string& prompt,
                                       const fs::path& start) {
  DestinationDialog dialog(parent, caption, prompt, start);
  // A test's folder answer is typed into the box, as a user may type one that is not there.
  const bool ok = RunDialog(dialog, DialogKind::Folder, prompt, dialog.OkButton(), [&dialog](const DialogSeam::Answer& answer) {
    dialog.Field()->setText(Q(answer.text));
    if (!dialog.OkButton()->isEnabled()) return false;
    dialog.OkButton()->click();
    return true;
  });
  if (!ok) return std::nullopt;
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
