#include "gui/entry_form_view.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QVBoxLayout>

#include "app/album_session.h"
#include "app/import_run.h"
#include "app/startup.h"
#include "base/settings.h"
#include "base/strings.h"
#include "camera/camera_link.h"
#include "gui/dialog_common.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "gui/other_image_dialog.h"
#include "gui/serial_dialogs.h"
#include "import/detection.h"
#include "import/other_import.h"
#include "import/serial_import.h"

namespace orrivan::gui {

using settings::Key;

namespace {

QToolButton* BigButton(StrId caption, const char* icon, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setText(Text(caption));
  b->setAccessibleName(b->text());
  b->setToolTip(b->text());
  b->setIcon(QIcon(QString(":/icons/%1.svg").arg(icon)));
  b->setIconSize(QSize(48, 48));
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  b->setMinimumSize(72, 64);
  return b;
}

}  // namespace

CEntryFormView::CEntryFormView(ViewContext& context, QWidget* parent) : FormView(context, ViewId::Import, parent) {
  setObjectName("EntryFormView");
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  nav_ = new NavColumn(context, ViewId::Import, this);
  outer->addWidget(nav_);

  auto* form = new QVBoxLayout;
  form->setContentsMargins(16, 16, 16, 16);
  auto* heading = new QLabel(Text(StrId::ImportViewHeading), this);
  heading->setObjectName("Heading");
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  form->addWidget(heading);
  form->addSpacing(24);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  grid->setVerticalSpacing(8);
  grid->addWidget(new QLabel(Text(StrId::ImportCameraLine), this), 0, 0, Qt::AlignVCenter);
  camera_ = BigButton(StrId::CameraButton, "camera", this);
  camera_->setObjectName("Camera");
  grid->addWidget(camera_, 0, 1);
  auto* choices = new QVBoxLayout;
  card_ = new QRadioButton(Text(StrId::ConnectCardUsb), this);
  serial_ = new QRadioButton(Text(StrId::ConnectSerial), this);
  card_->setObjectName("CardUsb");
  serial_->setObjectName("Serial");
  auto* group = new QButtonGroup(this);
  group->addButton(card_, 0);
  group->addButton(serial_, 1);
  (settings::GetInt(Key::UsbSerial) == 1 ? serial_ : card_)->setChecked(true);
  choices->addWidget(card_);
  choices->addWidget(serial_);
  grid->addLayout(choices, 1, 1);
  grid->addWidget(new QLabel(Text(StrId::ImportOtherLine), this), 2, 0, Qt::AlignVCenter);
  other_ = BigButton(StrId::OtherButton, "other", this);
  other_->setObjectName("Other");
  grid->addWidget(other_, 2, 1);
  grid->setColumnStretch(2, 1);
  form->addLayout(grid);
  form->addStretch(1);
  outer->addLayout(form, 1);

  connect(camera_, &QToolButton::clicked, this, &CEntryFormView::OnCamera);
  connect(other_, &QToolButton::clicked, this, &CEntryFormView::OnOther);
}

CEntryFormView::~CEntryFormView() { settings::SetInt(Key::UsbSerial, serial_->isChecked() ? 1 : 0); }

void CEntryFormView::OnCamera() {
  if (g_busy > 0 || context_.frame.Running()) return;
  BusyGuard busy;
  ImportInProgressGuard importing;
  if (serial_->isChecked())
    RunSerial();
  else
    RunCard();
  nav_->RefreshCount();
}

void CEntryFormView::RunCard() {
  AlbumSession& session = context_.session;
  GuiInteraction& ui = context_.ui;
  context_.frame.RunWork([&] { RunCardImport(session, ui, {}, ImportOptions{}); });
}

void CEntryFormView::OnOther() {
  if (g_busy > 0 || context_.frame.Running()) return;
  BusyGuard busy;
  ImportInProgressGuard importing;
  COtherImageDialog dialog(context_.ui, this);
  if (!RunDialog(dialog, DialogKind::OtherImages, Str(StrId::OtherFolderPrompt), dialog.ImportButton(), {})) return;
  const std::vector<std::filesystem::path> folders = dialog.Folders();
  ImportOptions options;
  options.transferMode = dialog.TransferMode();
  AlbumSession& session = context_.session;
  GuiInteraction& ui = context_.ui;
  context_.frame.RunWork([&] { RunOtherImport(session, ui, folders, options); });
  nav_->RefreshCount();
}

void CEntryFormView::RunSerial() {
  // The link lives for the dialogs and the run; while a worker owns it, the GUI thread leaves it be.
  CCameraLink link;
  link.LoadSettings();
  GuiInteraction& ui = context_.ui;
  CSerialImportDialog unit(link, ui, this);
  if (!RunSerialImportDialog(unit)) return;
  std::string folder;
  if (unit.TransMode() == 1) {
    CCameraFolderDialog chooser(link, ui, this);
    if (!RunCameraFolderDialog(chooser)) return;
    folder = chooser.ChosenFolder();
  }
  CRKCardAlbumDoc& album = context_.session.Album();
  ImportResult result = ImportResult::NothingToDo;
  context_.frame.RunWork([&] {
    SerialImportOptions options;
    options.save = [](CRKCardAlbumDoc& a, Interaction& i) { return SaveAlbum(a, i); };
    CSerialImport engine(album, ui, options);
    result = folder.empty() ? engine.RunAllFolders(link) : engine.RunChosenFolder(link, folder);
  });
  lastSerial_ = result;
}

}  // namespace orrivan::gui
