#include "gui/setup_form_view.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "app/album_session.h"
#include "app/companion.h"
#include "app/relocation.h"
#include "app/settings_display.h"
#include "base/interaction.h"
#include "gui/dialog_common.h"
#include "gui/gui_interaction.h"
#include "gui/mail_settings_page.h"
#include "gui/main_frame.h"
#include "gui/save_folder_dialog.h"
#include "gui/template_dialog.h"
#include "gui/version_box.h"
#include "html/html_text.h"
#include "html/plugin_choice.h"
#include "import/detection.h"
#include "library/layout.h"

namespace orrivan::gui {

using settings::Key;

namespace {

// The value a group shows: the second button for 1 (for the display method, for any value but 0,
// as every reader takes a non-zero value for the calendar), else the first.
int ShownValue(Key key, int stored) {
  if (key == Key::DisplayMethod) return stored != 0 ? 1 : 0;
  return stored == 1 ? 1 : 0;
}

}  // namespace

void ReportSettingsWriteFailure(ViewContext& context) {
  context.ui.Message(html::FormatText(Str(StrId::SettingsWriteFailed), {settings::File().string()}), Icon::Stop);
}

CSetupFormView::CSetupFormView(ViewContext& context, QWidget* parent) : FormView(context, ViewId::Settings, parent) {
  setObjectName("SetupFormView");
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  nav_ = new NavColumn(context, ViewId::Settings, this);
  outer->addWidget(nav_);

  auto* form = new QVBoxLayout;
  form->setContentsMargins(16, 16, 16, 16);
  auto* heading = new QLabel(Text(StrId::SettingsHeading), this);
  heading->setObjectName("Heading");
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  form->addWidget(heading);
  form->addSpacing(8);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("SettingsTabs");
  tabs_->setAccessibleName(Text(StrId::SettingsHeading));
  tabs_->addTab(MakeGeneralPage(), Text(StrId::SettingsTabGeneral));
  tabs_->addTab(MakeCameraPage(), Text(StrId::SettingsTabCamera));
  mail_ = new CMailSettingsPage(context, tabs_);
  tabs_->addTab(mail_, Text(StrId::SettingsTabOptions));
  tabs_->addTab(MakeVersionPage(), Text(StrId::SettingsTabVersion));
  form->addWidget(tabs_, 1);
  outer->addLayout(form, 1);
  Refresh();
}

QGroupBox* CSetupFormView::RadioGroup(StrId caption, StrId first, StrId second, Key key, QWidget* parent) {
  auto* box = new QGroupBox(Text(caption), parent);
  auto* row = new QHBoxLayout(box);
  auto* group = new QButtonGroup(box);
  int id = 0;
  for (StrId label : {first, second}) {
    auto* b = new QRadioButton(Text(label), box);
    b->setObjectName(QString("%1_%2").arg(settings::EntryOf(key).name).arg(id));
    group->addButton(b, id++);
    row->addWidget(b);
  }
  row->addStretch(1);
  connect(group, &QButtonGroup::idClicked, this, [this, key](int value) { OnRadio(key, value); });
  radios_.push_back({key, group});
  return box;
}

QWidget* CSetupFormView::MakeGeneralPage() {
  auto* page = new QWidget(this);
  page->setObjectName("GeneralPage");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(RadioGroup(StrId::ClassifyGroup, StrId::ClassifyByShootingDate, StrId::ClassifyByGivenDate,
                               Key::Classitication, page));

  auto* places = new QGridLayout;
  places->setHorizontalSpacing(12);
  auto addRow = [&](int row, StrId label, QLabel*& display, QPushButton*& button, StrId caption) {
    auto* name = new QLabel(Text(label), page);
    display = new QLabel(page);
    display->setFrameShape(QFrame::StyledPanel);
    display->setFrameShadow(QFrame::Sunken);
    display->setMinimumWidth(300);
    display->setAccessibleName(name->text());
    display->setTextInteractionFlags(Qt::TextSelectableByMouse);
    button = new QPushButton(Text(caption), page);
    button->setAccessibleName(button->text().remove('&'));
    places->addWidget(name, row, 0);
    places->addWidget(display, row, 1);
    places->addWidget(button, row, 2);
  };
  addRow(0, StrId::SaveFolderLabel, saveFolder_, relocate_, StrId::SaveFolderButton);
  addRow(1, StrId::TemplateLabel, template_, templateButton_, StrId::TemplateButton);
  saveFolder_->setObjectName("SaveFolderDisplay");
  template_->setObjectName("TemplateDisplay");
  relocate_->setObjectName("SaveFolderButton");
  templateButton_->setObjectName("TemplateButton");
  places->setColumnStretch(1, 1);
  layout->addLayout(places);

  layout->addWidget(RadioGroup(StrId::InputTitleGroup, StrId::InputTitleYes, StrId::InputTitleNo, Key::InputTitle, page));
  layout->addWidget(
      RadioGroup(StrId::ShowLibraryGroup, StrId::ShowLibraryYes, StrId::ShowLibraryNo, Key::ShowLibrary, page));
  layout->addStretch(1);
  connect(relocate_, &QPushButton::clicked, this, &CSetupFormView::OnRelocate);
  connect(templateButton_, &QPushButton::clicked, this, &CSetupFormView::OnTemplate);
  return page;
}

QWidget* CSetupFormView::MakeCameraPage() {
  auto* page = new QWidget(this);
  page->setObjectName("CameraPage");
  auto* layout = new QVBoxLayout(page);
  QGroupBox* autoGroup =
      RadioGroup(StrId::AutoTakeInGroup, StrId::AutoTakeInOn, StrId::AutoTakeInOff, Key::AutoTakeIn, page);
  // The switch takes effect at the next start; beside it, what this run was started with.
  auto* row = static_cast<QHBoxLayout*>(autoGroup->layout());
  auto* now = new QLabel(Text(StrId::AutoImportNowLabel), autoGroup);
  autoState_ = new QLabel(
      Text(context_.frame.AutoImportEnabled() ? StrId::AutoImportOn : StrId::AutoImportOff), autoGroup);
  autoState_->setObjectName("AutoImportState1068");
  autoState_->setAccessibleName(now->text());
  row->addWidget(now);
  row->addWidget(autoState_);
  layout->addWidget(autoGroup);
  layout->addWidget(
      RadioGroup(StrId::ShowDialogGroup, StrId::ShowDialogYes, StrId::ShowDialogNo, Key::ShowDialog, page));
  layout->addWidget(
      RadioGroup(StrId::CopyImageGroup, StrId::CopyImageKeep, StrId::CopyImageDelete, Key::CopyImage, page));
  layout->addWidget(RadioGroup(StrId::RotationGroup, StrId::RotationYes, StrId::RotationNo, Key::ImageRotation, page));
  layout->addWidget(RadioGroup(StrId::DisplayMethodGroup, StrId::DisplayMethodList, StrId::DisplayMethodCalendar,
                               Key::DisplayMethod, page));
  layout->addStretch(1);
  return page;
}

QWidget* CSetupFormView::MakeVersionPage() {
  auto* page = new QWidget(this);
  page->setObjectName("VersionPage");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(MakeVersionInfo(page));
  layout->addStretch(1);
  return page;
}

void CSetupFormView::InitialUpdate() {
  // A profile in which no mail program was ever chosen opens on the options page.
  const settings::Entry& mail = settings::EntryOf(Key::MailName);
  const bool neverChosen = settings::ReadString(mail.section, mail.name, "error") == "error";
  tabs_->setCurrentIndex(neverChosen ? kOptions : kGeneral);
  if (neverChosen) QTimer::singleShot(0, mail_, [page = mail_] { page->FirstVisit(); });
}

QWidget* CSetupFormView::DefaultFocus() { return tabs_->currentWidget(); }

void CSetupFormView::ShowStored(const RadioSetting& setting) {
  const int value = ShownValue(setting.key, settings::GetInt(setting.key));
  if (QAbstractButton* b = setting.group->button(value)) b->setChecked(true);
}

void CSetupFormView::Refresh() {
  saveFolder_->setText(QString::fromStdString(FolderDisplayText(settings::GetString(Key::SaveFolder))));
  saveFolder_->setToolTip(QString::fromStdString(settings::GetString(Key::SaveFolder)));
  template_->setText(QString::fromStdString(TemplateDisplayText()));
  for (const RadioSetting& r : radios_) ShowStored(r);
  mail_->Refresh();
}

void CSetupFormView::OnRadio(Key key, int value) {
  if (g_busy > 0) {
    Refresh();  // a run owns the program: the click does not count
    return;
  }
  BusyGuard busy;
  bool written = false;
  if (key == Key::AutoTakeIn)
    written = SwitchAutoImport(value == 0);  // with the logon entry and the stale marker
  else
    written = settings::SetInt(key, value);
  if (!written) ReportSettingsWriteFailure(context_);
  for (const RadioSetting& r : radios_)
    if (r.key == key) ShowStored(r);
}

void CSetupFormView::OnTemplate() {
  if (g_busy > 0 || context_.frame.Running()) return;
  BusyGuard busy;
  TemplateChoiceModel model;
  if (model.Templates().empty()) {
    context_.ui.Message(Str(StrId::NoTemplates), Icon::Exclamation);
    return;
  }
  if (!RunTemplateDialog(this, model)) return;
  std::string shown;
  if (!model.Accept(&shown)) ReportSettingsWriteFailure(context_);
  template_->setText(QString::fromStdString(TemplateDisplayText()));
}

void CSetupFormView::OnRelocate() {
  CMainFrame& frame = context_.frame;
  if (g_busy > 0 || frame.Running() || !context_.session.Running()) return;
  BusyGuard busy;
  ImportInProgressGuard importing;  // the auto-import poll waits while the library moves
  CRKCardAlbumDoc& album = context_.session.Album();
  const int64_t size = LibrarySize(album);
  const std::string current = settings::GetString(Key::SaveFolder);
  // Written back as read, so the folder the dialog starts from is the one stored.
  settings::SetString(Key::SaveFolder, current);
  const std::optional<std::filesystem::path> chosen =
      ChooseSaveFolder(this, context_, std::filesystem::path(current), size);
  if (chosen) {
    Interaction& ui = context_.ui;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    frame.RunWork([&] { RelocateLibrary(ui, album, *chosen); });
    QApplication::restoreOverrideCursor();
  }
  Refresh();
  nav_->RefreshCount();
}

}  // namespace orrivan::gui
