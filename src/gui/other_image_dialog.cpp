#include "gui/other_image_dialog.h"

#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <system_error>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/dialog_common.h"
#include "imaging/image_ops.h"
#include "imaging/movie_frame.h"
#include "imaging/preview.h"

namespace orrivan::gui {

namespace fs = std::filesystem;
using settings::Key;

namespace {

QPushButton* Button(StrId id, QWidget* parent) {
  auto* b = new QPushButton(Text(id), parent);
  b->setAccessibleName(CaptionName(id));
  b->setAutoDefault(false);
  return b;
}

constexpr int kPaneWidth = 240;
constexpr int kPaneHeight = 180;
// A picture beyond this is not decoded for the pane.
constexpr std::uintmax_t kMaxPreviewBytes = 256ull * 1024 * 1024;

QImage ToQImage(const imaging::RgbImage& image) {
  QImage q(image.pixels.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888);
  return q.copy();  // owns its pixels
}

// The pane's picture of a file, decoded in memory: a JPEG at a DCT scale near the pane's size, a
// movie by its first frame. Null for anything else or what cannot be read.
QImage PaneImage(const fs::path& file) {
  switch (imaging::KindOfFile(file.filename().string())) {
    case imaging::FileKind::Movie: {
      const auto frame = imaging::ReadFirstMovieFrame(file, imaging::kMovieFrameSize);
      return frame ? ToQImage(*frame) : QImage();
    }
    case imaging::FileKind::Memo:
      return {};
    case imaging::FileKind::Still: {
      const auto bytes = imaging::ReadFileBytes(file, kMaxPreviewBytes);
      if (!bytes) return {};
      imaging::JpegDecoder decoder(*bytes);
      if (!decoder.ReadHeader()) return {};
      const auto decoded = decoder.Decode({kPaneWidth, kPaneHeight});
      return decoded ? ToQImage(*decoded) : QImage();
    }
  }
  return {};
}

}  // namespace

COtherImageDialog::COtherImageDialog(Interaction& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
  setObjectName("OtherImageDialog");
  setWindowTitle(Text(StrId::OtherImportCaption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text(StrId::OtherFolderPrompt), this));

  auto* row = new QHBoxLayout;
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath("/");  // read lazily, a folder at a time, off the GUI thread
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->setHeaderHidden(true);
  tree_->setAccessibleName(Text(StrId::OtherFolderTree));
  tree_->setMinimumSize(220, 260);
  row->addWidget(tree_, 1);

  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  add_ = Button(StrId::AddButton, this);
  remove_ = Button(StrId::RemoveButton, this);
  middle->addWidget(add_);
  middle->addWidget(remove_);
  middle->addStretch(1);
  row->addLayout(middle);

  auto* right = new QVBoxLayout;
  auto* listLabel = new QLabel(Text(StrId::OtherFolderList), this);
  folders_ = new QListWidget(this);
  folders_->setAccessibleName(CaptionName(StrId::OtherFolderList));
  folders_->setMinimumWidth(240);
  listLabel->setBuddy(folders_);
  right->addWidget(listLabel);
  right->addWidget(folders_, 1);
  row->addLayout(right, 1);
  layout->addLayout(row, 1);

  auto* bottom = new QHBoxLayout;
  auto* previewBox = new QVBoxLayout;
  preview_ = new QCheckBox(Text(StrId::PreviewCheck), this);
  preview_->setChecked(settings::GetInt(Key::PreviewPicTake) != 0);
  previewBox->addWidget(preview_);
  pane_ = new QLabel(this);
  pane_->setFixedSize(kPaneWidth, kPaneHeight);
  pane_->setAlignment(Qt::AlignCenter);
  pane_->setFrameShape(QFrame::StyledPanel);
  pane_->setAccessibleName(Text(StrId::PreviewPane));
  pane_->setStyleSheet("background: #202020;");
  previewBox->addWidget(pane_);
  paneName_ = new QLabel(this);
  paneName_->setMaximumWidth(kPaneWidth);
  previewBox->addWidget(paneName_);
  auto* steps = new QHBoxLayout;
  previous_ = Button(StrId::PreviousButton, this);
  next_ = Button(StrId::NextButton, this);
  steps->addWidget(previous_);
  steps->addWidget(next_);
  previewBox->addLayout(steps);
  bottom->addLayout(previewBox);

  auto* side = new QVBoxLayout;
  auto* group = new QGroupBox(Text(StrId::SaveModeGroup), this);
  auto* choices = new QVBoxLayout(group);
  transfer_ = new QButtonGroup(this);
  const StrId labels[] = {StrId::SaveModeCopy, StrId::SaveModeMove, StrId::SaveModeShortcut};
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(Text(labels[i]), group);
    transfer_->addButton(radio, i);
    choices->addWidget(radio);
  }
  transfer_->button(0)->setChecked(true);
  side->addWidget(group);
  side->addStretch(1);
  import_ = Button(StrId::ImportButton, this);
  cancel_ = Button(StrId::CancelButtonHalfWidth, this);
  import_->setDefault(true);
  side->addWidget(import_);
  side->addWidget(cancel_);
  bottom->addLayout(side, 1);
  layout->addLayout(bottom);

  // The last place and size, when it still fits a screen.
  // Right and bottom are stored one past the last pixel, as they are written below.
  const int left = settings::GetInt(Key::CaptureDlgLeft), top = settings::GetInt(Key::CaptureDlgTop);
  const QRect last(left, top, settings::GetInt(Key::CaptureDlgRight) - left,
                   settings::GetInt(Key::CaptureDlgBottom) - top);
  if (last.width() > 200 && last.height() > 200 && QGuiApplication::screenAt(last.center())) setGeometry(last);
  else resize(760, 560);

  std::string personal = settings::GetString(Key::PersonalFolder);
  if (personal.empty() || !fs::is_directory(personal)) personal = QDir::homePath().toStdString();
  SelectInTree(personal);
  // The tree is read a folder at a time; the chosen folder is brought into view as its parents come.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
    if (tree_->currentIndex().isValid()) tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
  });

  connect(add_, &QPushButton::clicked, this, &COtherImageDialog::OnAdd);
  connect(remove_, &QPushButton::clicked, this, &COtherImageDialog::OnRemove);
  connect(previous_, &QPushButton::clicked, this, [this] { Step(-1); });
  connect(next_, &QPushButton::clicked, this, [this] { Step(1); });
  connect(preview_, &QCheckBox::toggled, this, [this] { ShowPreview(); });
  connect(import_, &QPushButton::clicked, this, &COtherImageDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(folders_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  ShowPreview();
}

COtherImageDialog::~COtherImageDialog() = default;

void COtherImageDialog::SelectInTree(const fs::path& folder) {
  const QModelIndex index = model_->index(QString::fromStdString(folder.string()));
  if (!index.isValid()) return;
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
  tree_->expand(index);
}

fs::path COtherImageDialog::TreeFolder() const {
  const QModelIndex index = tree_->currentIndex();
  return index.isValid() ? fs::path(model_->filePath(index).toStdString()) : fs::path();
}

bool COtherImageDialog::AddFolder(const fs::path& folder) {
  if (folder.empty()) return false;
  const BoxLook look{Str(StrId::AddCaption), {}};
  switch (list_.Add(folder)) {
    case COtherFolderList::AddResult::Added:
      folders_->addItem(QString::fromStdString(list_.Folders().back().string()));
      folders_->setCurrentRow(folders_->count() - 1);
      RefreshFiles();
      return true;
    case COtherFolderList::AddResult::Full:
      ui_.Message(Str(StrId::FolderListFull), Icon::Exclamation, look);
      return false;
    case COtherFolderList::AddResult::AlreadyListed:
      ui_.Message(Str(StrId::FolderAlreadyListed), Icon::Information, look);
      return false;
    case COtherFolderList::AddResult::NoFiles:
      ui_.Message(folder.string() + "\n" + Str(StrId::NoImagesInFolder1) + Str(StrId::NoImagesInFolder2),
                  Icon::Exclamation, look);
      return false;
    case COtherFolderList::AddResult::Missing:
      ui_.Message(FolderRefusalText(folder, FolderState::Missing, false), Icon::Exclamation, look);
      return false;
    case COtherFolderList::AddResult::Unreadable:
      ui_.Message(FolderRefusalText(folder, FolderState::Unreadable, false), Icon::Exclamation, look);
      return false;
  }
  return false;
}

void COtherImageDialog::OnAdd() { AddFolder(TreeFolder()); }

void COtherImageDialog::OnRemove() {
  const int row = folders_->currentRow();
  if (row < 0) return;
  list_.Remove(static_cast<size_t>(row));
  delete folders_->takeItem(row);
  RefreshFiles();
}

void COtherImageDialog::RefreshFiles() {
  const fs::path current = PreviewFile();
  files_ = ImportableFiles(list_.Folders());
  shown_ = 0;
  for (size_t i = 0; i < files_.size(); ++i)
    if (files_[i] == current) shown_ = i;
  ShowPreview();
}

void COtherImageDialog::Step(int by) {
  if (files_.empty()) return;
  const auto n = static_cast<long>(files_.size());
  shown_ = static_cast<size_t>(((static_cast<long>(shown_) + by) % n + n) % n);
  ShowPreview();
}

fs::path COtherImageDialog::PreviewFile() const { return shown_ < files_.size() ? files_[shown_] : fs::path(); }

QPixmap COtherImageDialog::PreviewPixmap() const { return pane_->pixmap(); }

void COtherImageDialog::ShowPreview() {
  pane_->clear();
  paneName_->clear();
  if (preview_->isChecked() && shown_ < files_.size()) {
    const QImage image = PaneImage(files_[shown_]);
    if (!image.isNull())
      pane_->setPixmap(QPixmap::fromImage(image.scaled(pane_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    paneName_->setText(paneName_->fontMetrics().elidedText(QString::fromStdString(files_[shown_].filename().string()),
                                                           Qt::ElideMiddle, kPaneWidth));
  }
  UpdateButtons();
}

void COtherImageDialog::UpdateButtons() {
  const bool stepping = preview_->isChecked() && files_.size() > 1;
  previous_->setEnabled(stepping);
  next_->setEnabled(stepping);
  remove_->setEnabled(folders_->currentRow() >= 0);
  add_->setEnabled(list_.Folders().size() < kMaxOtherFolders);
  import_->setEnabled(!list_.Folders().empty());
}

int COtherImageDialog::TransferMode() const { return TransferModeOfChoice(transfer_->checkedId()); }

void COtherImageDialog::accept() {
  if (list_.Folders().empty()) return;
  // Looked at again: a folder may have gone or been emptied since it was added.
  for (const fs::path& folder : list_.Folders()) {
    const FolderState state = InspectFolder(folder);
    if (state == FolderState::HasFiles) continue;
    ui_.Message(FolderRefusalText(folder, state, true), Icon::Stop, BoxLook{Str(StrId::OtherImportCaption), {}});
    return;
  }
  const fs::path shown = TreeFolder();
  if (!shown.empty()) settings::SetString(Key::PersonalFolder, shown.string());
  QDialog::accept();
}

void COtherImageDialog::done(int result) {
  settings::SetInt(Key::PreviewPicTake, preview_->isChecked() ? 1 : 0);
  const QRect r = geometry();
  settings::SetInt(Key::CaptureDlgLeft, r.left());
  settings::SetInt(Key::CaptureDlgTop, r.top());
  settings::SetInt(Key::CaptureDlgRight, r.right() + 1);
  settings::SetInt(Key::CaptureDlgBottom, r.bottom() + 1);
  QDialog::done(result);
}

}  // namespace orrivan::gui
