#include "gui/save_folder_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "app/relocation.h"
#include "base/interaction.h"
#include "gui/dialog_common.h"
#include "gui/folder_dialog.h"
#include "gui/gui_interaction.h"
#include "html/html_text.h"
#include "library/layout.h"

namespace orrivan::gui {

namespace fs = std::filesystem;

namespace {

// Kilobytes (divided by 1024, truncated), with digit grouping.
QString KilobyteNumber(int64_t bytes) { return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(bytes / 1024)); }
QString Kilobytes(int64_t bytes) { return KilobyteNumber(bytes) + Q(StrId::KilobyteSuffix); }

}  // namespace

CSaveFolderDialog::CSaveFolderDialog(QWidget* parent, ViewContext& context, const fs::path& current,
                                     int64_t librarySize)
    : QDialog(parent), context_(context), current_(current), size_(librarySize) {
  setObjectName("SaveFolderDialog");
  setWindowTitle(Q(StrId::RelocationCaption));
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(10);
  grid->addWidget(new QLabel(Q(StrId::SaveFolderDialogPrompt), this), 0, 0, 1, 3);

  auto* currentLabel = new QLabel(Q(StrId::CurrentSaveFolderLabel), this);
  auto* currentText = new QLabel(Q(current.string()), this);
  currentText->setObjectName("CurrentFolder");
  currentText->setAccessibleName(currentLabel->text());
  currentText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(currentLabel, 1, 0);
  grid->addWidget(currentText, 1, 1, 1, 2);

  auto* sizeLabel = new QLabel(Q(StrId::LibrarySizeLabel), this);
  auto* sizeText = new QLabel(Kilobytes(librarySize), this);
  sizeText->setObjectName("LibrarySize");
  sizeText->setAccessibleName(sizeLabel->text());
  grid->addWidget(sizeLabel, 2, 0);
  grid->addWidget(sizeText, 2, 1, 1, 2);

  auto* folderLabel = new QLabel(Q(StrId::NewSaveFolderLabel), this);
  folder_ = new QLineEdit(this);
  folder_->setObjectName("NewFolder");
  folder_->setAccessibleName(PlainLabel(folderLabel->text()).remove(u'：'));
  folder_->setMinimumWidth(380);
  folderLabel->setBuddy(folder_);
  QPushButton* browse = MakeButton(Q(StrId::BrowseButton), this);
  grid->addWidget(folderLabel, 3, 0);
  grid->addWidget(folder_, 3, 1);
  grid->addWidget(browse, 3, 2);
  grid->setColumnStretch(1, 1);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = MakeButton(Q(StrId::OkButton), this);
  ok_->setDefault(true);
  buttons->addButton(ok_, QDialogButtonBox::AcceptRole);
  buttons->addButton(MakeButton(Q(StrId::CancelButtonHalfWidth), this), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSaveFolderDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 4, 0, 1, 3);
  connect(browse, &QPushButton::clicked, this, &CSaveFolderDialog::Browse);
}

fs::path CSaveFolderDialog::Chosen() const { return fs::path(U(folder_->text().trimmed())); }

void CSaveFolderDialog::Browse() {
  const fs::path start = folder_->text().trimmed().isEmpty() ? current_.parent_path() : Chosen();
  if (auto folder = ChooseFolder(this, Str(StrId::ChooseFolderTitle), start)) folder_->setText(Q(folder->string()));
}

bool CSaveFolderDialog::Check() {
  Interaction& ui = context_.ui;
  const QString text = folder_->text().trimmed();
  if (text.isEmpty()) {
    ui.Message(Str(StrId::NoFolderChosen), Icon::Exclamation);
    return false;
  }
  const fs::path chosen = fs::absolute(Chosen());
  std::error_code ec;
  const fs::path target = RelocationTarget(chosen);
  // A file where the folder or its "Image Library" should be: nothing could be moved there.
  for (const fs::path& p : {chosen, target}) {
    if (fs::exists(p, ec) && !fs::is_directory(p, ec)) {
      ui.Message(Str(StrId::NotAFolder), Icon::Stop);
      return false;
    }
  }
  if (!HasRoomFor(target, layout::LibraryRoot(), size_)) {
    const std::optional<int64_t> free = FreeSpaceAt(target);
    if (!free)
      ui.Message(Str(StrId::FreeSpaceUnknown), Icon::Stop);
    else
      ui.Message(html::FormatText(Str(StrId::NotEnoughSpace), {U(KilobyteNumber(size_)), U(KilobyteNumber(*free))}),
                 Icon::Stop);
    return false;
  }
  folder_->setText(Q(chosen.string()));
  return true;
}

void CSaveFolderDialog::accept() {
  if (Check()) QDialog::accept();
}

std::optional<fs::path> ChooseSaveFolder(QWidget* parent, ViewContext& context, const fs::path& current,
                                         int64_t librarySize) {
  CSaveFolderDialog dialog(parent, context, current, librarySize);
  const bool ok = RunDialog(dialog, DialogKind::SaveFolder, Str(StrId::SaveFolderDialogPrompt), dialog.OkButton(),
                            [&dialog](const DialogSeam::Answer& answer) {
                              dialog.FolderEdit()->setText(Q(answer.text));
                              // A refusal was told in its box; the seam's answer ends there.
                              if (dialog.Check())
                                dialog.QDialog::accept();
                              else
                                dialog.reject();
                              return true;
                            });
  if (!ok) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace orrivan::gui
