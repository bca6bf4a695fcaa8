#include "gui/library_list_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "base/paths.h"
#include "base/strings.h"
#include "gui/dialog_common.h"
#include "html/library_html_writer.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan::gui {

namespace {

namespace fs = std::filesystem;

constexpr int kPreviewWidth = 200;
constexpr int kPreviewHeight = 150;

}  // namespace

QString PreviewFileOf(const std::string& storedPicturePath) {
  const std::string preview = CLibraryHtmlWriter::PreviewOfImage(storedPicturePath);
  if (preview.empty()) return {};
  std::error_code ec;
  const fs::path file = layout::FromStoredPath(preview);
  return fs::is_regular_file(file, ec) ? QString::fromStdString(file.string()) : QString();
}

std::vector<std::string> PicturesOfLibrary(const CRKCardAlbumDoc& album, const std::string& folderPath) {
  std::vector<std::string> paths;
  const std::string prefix = NormaliseStoredPath(folderPath) + "/";
  for (const CPhotoData& picture : album.Pictures()) {
    const std::string path = NormaliseStoredPath(picture.filePath);
    // Only the day folder's own files: the PREVIEW folder holds no records, but a deeper path
    // would belong to another library.
    if (StartsWithIgnoreCase(path, prefix) && path.find('/', prefix.size()) == std::string::npos)
      paths.push_back(picture.filePath);
  }
  return paths;
}

LibraryListPanel::LibraryListPanel(std::optional<settings::Key> previewKey, QWidget* parent)
    : QWidget(parent), previewKey_(previewKey) {
  setObjectName("LibraryListPanel");
  model_ = new LibraryListModel(this);
  table_ = new QTableView(this);
  table_->setObjectName("LibraryList");
  table_->setAccessibleName(Text(StrId::LibraryListName));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setShowGrid(false);
  table_->setWordWrap(false);
  table_->setAlternatingRowColors(true);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(true);
  header->setSortIndicatorShown(false);
  header->setMinimumSectionSize(16);
  const auto widths = CLibraryList::LoadWidths();
  for (int i = 0; i < kLibraryColumns; ++i) {
    header->resizeSection(i, std::max(widths[static_cast<size_t>(i)], header->minimumSectionSize()));
    header->setDefaultAlignment(Qt::AlignCenter);
  }
  connect(header, &QHeaderView::sectionClicked, this, &LibraryListPanel::OnHeaderClicked);
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    ShowPreview();
    emit SelectionChanged();
  });
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ShowPreview(); });

  counter_ = new QLabel(this);
  counter_->setObjectName("Counter");
  counter_->setAccessibleName(Text(StrId::LibraryCountLabel));
  counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  previewBox_ = new QCheckBox(Text(StrId::PreviewCheck), this);
  previewBox_->setObjectName("PreviewCheck");
  previewBox_->setChecked(previewKey_ && settings::GetInt(*previewKey_) != 0);
  previewBox_->setVisible(previewKey_.has_value());
  connect(previewBox_, &QCheckBox::toggled, this, [this] { ShowPreview(); });
  preview_ = new QLabel(this);
  preview_->setObjectName("SamplePicture");
  preview_->setAccessibleName(Text(StrId::SamplePictureName));
  preview_->setFixedSize(kPreviewWidth, kPreviewHeight);
  preview_->setAlignment(Qt::AlignCenter);
  preview_->setFrameShape(QFrame::StyledPanel);

  // Wide enough for the five columns at their default widths, so nothing needs a scroll at first.
  int columns = 0;
  for (const LibraryColumn& column : LibraryColumns()) columns += column.defaultWidth;
  table_->setMinimumSize(columns + table_->verticalScrollBar()->sizeHint().width() + 2 * table_->frameWidth() + 4,
                         table_->verticalHeader()->defaultSectionSize() * 8);

  auto* listColumn = new QVBoxLayout;
  listColumn->addWidget(table_, 1);
  listColumn->addWidget(counter_);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(listColumn, 1);
  if (previewKey_) {
    auto* side = new QVBoxLayout;
    side->addWidget(previewBox_);
    side->addWidget(preview_);
    side->addStretch(1);
    layout->addLayout(side);
  }
  ShowPreview();
}

LibraryListPanel::~LibraryListPanel() {
  CLibraryList::SaveWidths(ColumnWidths());
  if (previewKey_) settings::SetInt(*previewKey_, previewBox_->isChecked() ? 1 : 0);
}

std::array<int, kLibraryColumns> LibraryListPanel::ColumnWidths() const {
  std::array<int, kLibraryColumns> widths{};
  for (int i = 0; i < kLibraryColumns; ++i) widths[static_cast<size_t>(i)] = table_->horizontalHeader()->sectionSize(i);
  return widths;
}

void LibraryListPanel::Reload(const CRKCardAlbumDoc& album, const std::vector<std::string>& select) {
  album_ = &album;
  model_->Load(album);
  table_->horizontalHeader()->setSortIndicatorShown(false);
  counter_->setText(model_->CounterText());
  SelectFolders(select);
  ShowPreview();
}

void LibraryListPanel::SelectFolders(const std::vector<std::string>& folders) {
  QItemSelectionModel* selection = table_->selectionModel();
  selection->clearSelection();
  bool first = true;
  for (const std::string& folder : folders) {
    const int row = model_->RowOfFolder(folder);
    if (row < 0) continue;
    const QModelIndex index = model_->index(row, 0);
    selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (first) {
      selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
      table_->scrollTo(index);
      first = false;
    }
  }
}

std::vector<int> LibraryListPanel::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::string> LibraryListPanel::SelectedFolders() const {
  std::vector<std::string> folders;
  for (const int row : SelectedRows()) folders.push_back(model_->Row(row).folderPath);
  return folders;
}

int LibraryListPanel::CurrentRow() const {
  const QModelIndex current = table_->selectionModel()->currentIndex();
  if (current.isValid() && table_->selectionModel()->isRowSelected(current.row(), {})) return current.row();
  const std::vector<int> rows = SelectedRows();
  return rows.size() == 1 ? rows.front() : -1;
}

void LibraryListPanel::OnHeaderClicked(int column) {
  if (!model_->SortByColumn(column)) return;
  QHeaderView* header = table_->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(column, model_->Ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
  const QModelIndex current = table_->selectionModel()->currentIndex();
  if (current.isValid()) table_->scrollTo(current);
}

void LibraryListPanel::ShowPreview() {
  previewFile_.clear();
  preview_->clear();
  const bool on = previewKey_ && previewBox_->isChecked();
  preview_->setVisible(on);
  if (!on || !album_) return;
  const int row = CurrentRow();
  if (row < 0) return;
  const std::vector<std::string> pictures = PicturesOfLibrary(*album_, model_->Row(row).folderPath);
  for (const std::string& picture : pictures) {
    previewFile_ = PreviewFileOf(picture);
    if (!previewFile_.isEmpty()) break;
  }
  if (previewFile_.isEmpty()) return;
  const QPixmap pixmap(previewFile_);
  if (pixmap.isNull()) {
    previewFile_.clear();
    return;
  }
  preview_->setPixmap(pixmap.scaled(preview_->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace orrivan::gui
