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
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "import/detection.h"
#include "import/serial_import.h"

namespace orrivan::gui {

using settings::Key;

namespace {

QString Text(StrId id) { return QString::fromStdString(Str(id)); }

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
  other_->setEnabled(false);  // the other-image import joins with its dialog
  grid->addWidget(other_, 2, 1);
  grid->setColumnStretch(2, 1);
  form->addLayout(grid);
  form->addStretch(1);
  outer->addLayout(form, 1);

  connect(camera_, &QToolButton::clicked, this, &CEntryFormView::OnCamera);
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

void CEntryFormView::RunSerial() {
  CRKCardAlbumDoc& album = context_.session.Album();
  GuiInteraction& ui = context_.ui;
  ImportResult result = ImportResult::NothingToDo;
  context_.frame.RunWork([&] {
    CCameraLink link;
    link.LoadSettings();
    SerialImportOptions options;
    options.save = [](CRKCardAlbumDoc& a, Interaction& i) { return SaveAlbum(a, i); };
    CSerialImport engine(album, ui, options);
    result = engine.RunAllFolders(link);
  });
  lastSerial_ = result;
}

}  // namespace orrivan::gui
