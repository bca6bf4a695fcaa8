#include "gui/remove_view.h"

#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <filesystem>

#include "app/album_session.h"
#include "app/startup.h"
#include "base/paths.h"
#include "gui/dialog_common.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "imaging/preview.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan::gui {

namespace {

namespace fs = std::filesystem;

constexpr int kThumbWidth = 96;
constexpr int kThumbHeight = 72;
constexpr int kPathRole = Qt::UserRole + 1;

// A thumbnail of the preview file, read at its small size; a grey frame when there is none.
QIcon Thumbnail(const QString& preview) {
  QPixmap canvas(kThumbWidth, kThumbHeight);
  canvas.fill(Qt::transparent);
  QPainter painter(&canvas);
  QImage image;
  if (!preview.isEmpty()) {
    QImageReader reader(preview);
    const QSize size = reader.size();
    if (size.isValid()) reader.setScaledSize(size.scaled(kThumbWidth, kThumbHeight, Qt::KeepAspectRatio));
    image = reader.read();
  }
  if (image.isNull()) {
    painter.setPen(Qt::gray);
    painter.drawRect(0, 0, kThumbWidth - 1, kThumbHeight - 1);
    painter.drawLine(0, 0, kThumbWidth - 1, kThumbHeight - 1);
    painter.drawLine(0, kThumbHeight - 1, kThumbWidth - 1, 0);
  } else {
    painter.drawImage((kThumbWidth - image.width()) / 2, (kThumbHeight - image.height()) / 2, image);
  }
  painter.end();
  return QIcon(canvas);
}

// Records that the strip shows: a voice memo beside its image goes with the image and is not shown
// on its own.
std::vector<std::string> StripPictures(const std::vector<std::string>& pictures) {
  std::vector<std::string> shown;
  for (const std::string& path : pictures) {
    const std::string name = layout::LastComponent(path);
    bool twinListed = false;
    if (imaging::KindOfFile(name) == imaging::FileKind::Memo) {
      const std::string twin = imaging::ImageTwinName(name);
      for (const std::string& other : pictures)
        if (EqualsIgnoreCase(layout::LastComponent(other), twin)) twinListed = true;
    }
    if (!twinListed) shown.push_back(path);
  }
  return shown;
}

}  // namespace

CRemoveFormView::CRemoveFormView(ViewContext& context, QWidget* parent)
    : LibraryListView(context, ViewId::Remove, StrId::RemoveViewHeading, std::nullopt, parent) {
  setObjectName("RemoveFormView");
  stripLabel_ = new QLabel(Text(StrId::ImageStripLabel), this);
  strip_ = new QListWidget(this);
  strip_->setObjectName("ImageStrip");
  strip_->setAccessibleName(Text(StrId::ImageStripName));
  stripLabel_->setBuddy(strip_);
  strip_->setViewMode(QListView::IconMode);
  strip_->setFlow(QListView::LeftToRight);
  strip_->setWrapping(false);
  strip_->setMovement(QListView::Static);
  strip_->setIconSize(QSize(kThumbWidth, kThumbHeight));
  strip_->setGridSize(QSize(kThumbWidth + 24, kThumbHeight + strip_->fontMetrics().height() * 2 + 12));
  strip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  strip_->setFixedHeight(strip_->gridSize().height() + strip_->horizontalScrollBar()->sizeHint().height() + 8);
  strip_->setSelectionMode(QAbstractItemView::SingleSelection);
  Form()->insertWidget(Form()->count() - 1, stripLabel_);
  Form()->insertWidget(Form()->count() - 1, strip_);

  erase_ = AddButton(StrId::EraseLibrariesButton, "EraseLibraries");
  eraseImages_ = AddButton(StrId::EraseImagesButton, "EraseImages");
  connect(erase_, &QPushButton::clicked, this, &CRemoveFormView::OnEraseLibraries);
  connect(eraseImages_, &QPushButton::clicked, this, &CRemoveFormView::OnEraseImages);
  connect(strip_, &QListWidget::itemChanged, this, [this] { UpdateButtons(); });
  // A click on the picture marks it, as the box beside it does.
  connect(strip_, &QListWidget::itemActivated, this, [](QListWidgetItem* item) {
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  });
  strip_->setEnabled(false);
}

void CRemoveFormView::UpdateButtons() {
  FillStrip();
  const bool idle = Idle();
  erase_->setEnabled(idle && !List()->SelectedRows().empty());
  eraseImages_->setEnabled(idle && !MarkedImages().empty());
}

void CRemoveFormView::FillStrip() {
  const std::vector<std::string> folders = List()->SelectedFolders();
  // The strip stays in place (the window keeps its size); it holds pictures only while exactly one
  // library is selected.
  const bool one = folders.size() == 1;
  strip_->setEnabled(one);
  const std::string folder = one ? folders.front() : std::string();
  if (folder == stripFolder_ && strip_->count() > 0) return;
  stripFolder_ = folder;
  const QSignalBlocker quiet(strip_);
  strip_->clear();
  if (!one) return;
  for (const std::string& path : StripPictures(PicturesOfLibrary(Album(), folder))) {
    auto* item = new QListWidgetItem(Thumbnail(PreviewFileOf(path)), QString::fromStdString(layout::LastComponent(path)));
    item->setData(kPathRole, QString::fromStdString(path));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setToolTip(QString::fromStdString(layout::FromStoredPath(path).string()));
    strip_->addItem(item);
  }
}

bool CRemoveFormView::MarkImage(const std::string& fileName, bool marked) {
  for (int i = 0; i < strip_->count(); ++i) {
    QListWidgetItem* item = strip_->item(i);
    if (EqualsIgnoreCase(item->text().toStdString(), fileName)) {
      item->setCheckState(marked ? Qt::Checked : Qt::Unchecked);
      return true;
    }
  }
  return false;
}

std::vector<std::string> CRemoveFormView::MarkedImages() const {
  std::vector<std::string> marked;
  if (!strip_->isEnabled()) return marked;
  for (int i = 0; i < strip_->count(); ++i)
    if (strip_->item(i)->checkState() == Qt::Checked)
      marked.push_back(strip_->item(i)->data(kPathRole).toString().toStdString());
  return marked;
}

void CRemoveFormView::OnEraseLibraries() {
  if (!Idle()) return;
  const std::vector<std::string> selected = List()->SelectedFolders();
  if (selected.empty()) return;
  CRKCardAlbumDoc& album = Album();
  GuiInteraction& ui = context_.ui;
  EraseLibrariesReport report;
  {
    BusyGuard busy;
    UpdateButtons();
    context_.frame.RunWork([&] { report = EraseLibraries(album, ui, selected, SaveAlbum); });
  }
  lastLibraries_ = report;
  stripFolder_.clear();
  // Cancel keeps the selection; "いいえ(&N)" keeps those rows selected.
  Refresh(report.result == MaintenanceResult::Cancelled && report.erasedNames.empty() ? selected : report.keptFolders);
  // A folder that had vanished before the erase did not stay: only what is still on disk is told.
  std::vector<std::string> stayed;
  for (const std::string& folder : report.foldersStayed) {
    std::error_code ec;
    if (fs::exists(layout::FromStoredPath(folder), ec)) stayed.push_back(folder);
  }
  if (!stayed.empty()) Tell(NameList(Str(StrId::FoldersStayed), stayed), Icon::Exclamation);
}

void CRemoveFormView::OnEraseImages() {
  if (!Idle()) return;
  const std::vector<std::string> marked = MarkedImages();
  if (marked.empty() || stripFolder_.empty()) return;
  const std::string folder = stripFolder_;
  CRKCardAlbumDoc& album = Album();
  GuiInteraction& ui = context_.ui;
  EraseImagesReport report;
  {
    BusyGuard busy;
    erase_->setEnabled(false);
    eraseImages_->setEnabled(false);
    context_.frame.RunWork([&] { report = EraseImages(album, ui, folder, marked, SaveAlbum); });
  }
  lastImages_ = report;
  stripFolder_.clear();
  Refresh({folder});
  if (report.result == MaintenanceResult::Cancelled) {
    // The first question was cancelled: the marks stay for another try.
    for (const std::string& path : marked) MarkImage(layout::LastComponent(path));
    return;
  }
  if (!report.keptImages.empty()) {
    std::vector<std::string> names;
    for (const std::string& path : report.keptImages) names.push_back(layout::LastComponent(path));
    Tell(NameList(Str(StrId::ImagesKept), names), Icon::Information);
  }
}

}  // namespace orrivan::gui
