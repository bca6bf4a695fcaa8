#include "gui/mail_settings_page.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/album_session.h"
#include "gui/dialog_common.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "gui/setup_form_view.h"
#include "import/detection.h"
#include "maintenance/mail_choice.h"

namespace orrivan::gui {

using settings::Key;

namespace {

constexpr int kEntryRole = Qt::UserRole;
// Rows a little taller than the 16-pixel icons, so names with and without an icon line up.
constexpr int kRowHeight = 20;

// The desktop's icon for a mail program: its own from the icon theme, else the theme's generic
// mail client, else none.
QIcon MailIcon(int entry) {
  const char* name = MailPrograms()[static_cast<size_t>(entry)].iconName;
  if (name != nullptr && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  return QIcon::fromTheme("internet-mail", QIcon::fromTheme("mail-send"));
}

}  // namespace

CMailSettingsPage::CMailSettingsPage(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName("OptionsPage");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Radios(StrId::PrintButtonGroup, StrId::PrintButtonYes, StrId::ShowLibraryNo, Key::PrintButton, print_));

  auto* mailBox = new QGroupBox(Text(StrId::MailChoiceGroup), this);
  auto* mailRow = new QHBoxLayout(mailBox);
  list_ = new QListWidget(mailBox);
  list_->setObjectName("MailList1029");
  list_->setAccessibleName(mailBox->title());
  list_->setIconSize(QSize(16, 16));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (int i = 0; i < kMailEntries; ++i) {
    auto* item = new QListWidgetItem(QString::fromUtf8(MailPrograms()[static_cast<size_t>(i)].name), list_);
    item->setData(kEntryRole, i);
    item->setSizeHint(QSize(0, kRowHeight));
    if (i > 0 && IsMailProgramInstalled(i)) item->setIcon(MailIcon(i));
    // Entries whose program is missing are shown, greyed, so the user sees what could be chosen.
    if (!IsMailEntrySelectable(i)) item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
  }
  list_->setUniformItemSizes(true);
  list_->setFixedHeight(kRowHeight * kMailEntries + 2 * list_->frameWidth());
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setMinimumWidth(220);
  mailRow->addWidget(list_);
  auto* chosenColumn = new QVBoxLayout;
  auto* chosenLabel = new QLabel(Text(StrId::MailChosenLabel), mailBox);
  chosen_ = new QLabel(mailBox);
  chosen_->setObjectName("MailChosen1049");
  chosen_->setAccessibleName(chosenLabel->text());
  QFont bold = chosen_->font();
  bold.setBold(true);
  chosen_->setFont(bold);
  chosenColumn->addWidget(chosenLabel);
  chosenColumn->addWidget(chosen_);
  chosenColumn->addStretch(1);
  mailRow->addLayout(chosenColumn, 1);
  layout->addWidget(mailBox);
  connect(list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { Choose(item->data(kEntryRole).toInt()); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row != SelectedMailEntry()) Choose(row);
  });

  layout->addWidget(Radios(StrId::AttachSizeGroup, StrId::AttachSizeLarge, StrId::AttachSizeSmall, Key::TempSize, size_));

  auto* reflectBox = new QGridLayout;
  auto* reflectText = new QLabel(Text(StrId::ReflectText), this);
  reflectText->setWordWrap(true);
  auto* reflectLabel = new QLabel(Text(StrId::ReflectButtonLabel), this);
  reflect_ = new QPushButton(Text(StrId::ReflectButton), this);
  reflect_->setObjectName("ReflectButton");
  reflect_->setAccessibleName(reflectLabel->text().trimmed());
  auto* countLabel = new QLabel(Text(StrId::ReflectDoneLabel), this);
  count_ = new QLabel(this);
  count_->setObjectName("ReflectCount1020");
  count_->setAccessibleName(countLabel->text());
  reflectBox->addWidget(reflectText, 0, 0, 1, 3);
  reflectBox->addWidget(reflectLabel, 1, 0);
  reflectBox->addWidget(reflect_, 1, 1);
  reflectBox->addWidget(countLabel, 2, 0, Qt::AlignRight);
  reflectBox->addWidget(count_, 2, 1);
  // The count belongs to a reflection that ran; before one, the row stays hidden.
  countLabel->setVisible(false);
  count_->setVisible(false);
  connect(this, &CMailSettingsPage::Reflected, countLabel, [countLabel] { countLabel->setVisible(true); });
  reflectBox->setColumnStretch(2, 1);
  layout->addLayout(reflectBox);
  layout->addStretch(1);
  connect(reflect_, &QPushButton::clicked, this, &CMailSettingsPage::OnReflect);
}

QGroupBox* CMailSettingsPage::Radios(StrId caption, StrId first, StrId second, Key key, QButtonGroup*& group) {
  auto* box = new QGroupBox(Text(caption), this);
  auto* row = new QHBoxLayout(box);
  group = new QButtonGroup(box);
  int id = 0;
  for (StrId label : {first, second}) {
    auto* b = new QRadioButton(Text(label), box);
    b->setObjectName(QString("%1_%2").arg(settings::EntryOf(key).name).arg(id));
    group->addButton(b, id++);
    row->addWidget(b);
  }
  row->addStretch(1);
  connect(group, &QButtonGroup::idClicked, this, [this, key](int value) {
    if (g_busy == 0 && !settings::SetInt(key, value)) ReportSettingsWriteFailure(context_);
    Refresh();
  });
  return box;
}

void CMailSettingsPage::Refresh() {
  if (QAbstractButton* b = print_->button(settings::GetInt(Key::PrintButton) == 1 ? 1 : 0)) b->setChecked(true);
  if (QAbstractButton* b = size_->button(settings::GetInt(Key::TempSize) == 1 ? 1 : 0)) b->setChecked(true);
  const int entry = SelectedMailEntry();
  {
    const QSignalBlocker quiet(list_);
    list_->setCurrentRow(entry);
  }
  chosen_->setText(QString::fromUtf8(MailPrograms()[static_cast<size_t>(entry)].name));
}

void CMailSettingsPage::Choose(int entry) {
  if (g_busy > 0 || entry < 0 || entry >= kMailEntries) {
    Refresh();
    return;
  }
  if (IsMailEntrySelectable(entry) && !ChooseMailProgram(entry)) ReportSettingsWriteFailure(context_);
  Refresh();
}

void CMailSettingsPage::FirstVisit() {
  if (!SettleMailName()) return;
  Refresh();
  context_.ui.Message(Str(StrId::MailFirstVisitText), Icon::Information,
                      BoxLook{Str(StrId::MailFirstVisitCaption), {}});
}

void CMailSettingsPage::OnReflect() {
  CMainFrame& frame = context_.frame;
  if (g_busy > 0 || frame.Running() || !context_.session.Running()) return;
  BusyGuard busy;
  ImportInProgressGuard importing;
  CRKCardAlbumDoc& album = context_.session.Album();
  Interaction& ui = context_.ui;
  ApplyOptionsReport report;
  // The confirmation is asked on the worker like every question of the run; the window stays live.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  frame.RunWork([&] { report = ApplyToLibrary(album, ui); });
  QApplication::restoreOverrideCursor();
  if (report.result != MaintenanceResult::Cancelled) {
    count_->setText(QString::number(report.rebuiltNames.size()) + Text(StrId::DayCountSuffix));
    count_->setVisible(true);
    emit Reflected();
  }
  Refresh();
}

}  // namespace orrivan::gui
