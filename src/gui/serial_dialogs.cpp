#include "gui/serial_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/dialog_common.h"
#include "import/serial_import.h"

namespace orrivan::gui {

namespace fs = std::filesystem;
using settings::Key;

namespace {

QPushButton* Button(const QString& label, QWidget* parent) {
  auto* b = new QPushButton(label, parent);
  QString plain = label;
  const int paren = plain.indexOf("(&");
  if (paren > 0) plain = plain.left(paren);
  b->setAccessibleName(plain.remove('&'));
  b->setAutoDefault(false);
  return b;
}

// Runs work on a thread of its own; done runs on the GUI thread (queued to receiver) afterwards.
QThread* StartLinkThread(QObject* receiver, std::function<LinkResult()> work, std::function<void(LinkResult)> done) {
  QThread* thread = QThread::create([receiver, work = std::move(work), done = std::move(done)] {
    const LinkResult result = work();
    QMetaObject::invokeMethod(receiver, [done, result] { done(result); }, Qt::QueuedConnection);
  });
  thread->start(QThread::HighestPriority);
  return thread;
}

void JoinThread(QThread*& thread) {
  if (!thread) return;
  thread->wait();
  delete thread;
  thread = nullptr;
}

}  // namespace

std::vector<std::string> SerialPortChoices(const std::string& stored) {
  std::vector<std::string> ports;
  std::error_code ec;
  for (fs::directory_iterator it("/dev", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with("ttyS") || name.starts_with("ttyUSB") || name.starts_with("ttyACM"))
      ports.push_back(it->path().string());
  }
  std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
    // ttyS2 before ttyS10.
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  const std::string storedDevice = DevicePathOfPort(stored);
  const bool listed = std::any_of(ports.begin(), ports.end(), [&](const std::string& p) { return p == stored || p == storedDevice; });
  if (!stored.empty() && !listed) ports.insert(ports.begin(), stored);
  return ports;
}

const std::vector<std::string>& SerialSpeedChoices() {
  static const std::vector<std::string> speeds{"9600", "19200", "38400", "57600", "115200"};
  return speeds;
}

// ---- the serial import dialog ----

CSerialImportDialog::CSerialImportDialog(CCameraLink& link, Interaction& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui) {
  setObjectName("SerialImportDialog");
  setWindowTitle(Text(StrId::SerialImportTitle));
  auto* layout = new QHBoxLayout(this);
  auto* group = new QGroupBox(Text(StrId::TransferUnit), this);
  auto* choices = new QVBoxLayout(group);
  all_ = new QRadioButton(Text(StrId::TransferAll), group);
  folder_ = new QRadioButton(Text(StrId::TransferFolder), group);
  choices->addWidget(all_);
  choices->addWidget(folder_);
  (settings::GetInt(Key::TransMode) == 1 ? folder_ : all_)->setChecked(true);
  layout->addWidget(group, 1);

  auto* buttons = new QVBoxLayout;
  ok_ = Button("OK", this);
  settings_ = Button(Text(StrId::SerialSettingsButton), this);
  cancel_ = Button(Text(StrId::CancelButtonHalfWidth), this);
  ok_->setDefault(true);
  buttons->addWidget(ok_);
  buttons->addWidget(settings_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(settings_, &QPushButton::clicked, this, &CSerialImportDialog::OpenSettings);
  connect(this, &QDialog::finished, this, [this] { settings::SetInt(Key::TransMode, TransMode()); });
}

CSerialImportDialog::~CSerialImportDialog() = default;

void CSerialImportDialog::OpenSettings() {
  CSerialSettingsDialog dialog(link_, ui_, this);
  RunSerialSettingsDialog(dialog);
}

// ---- the port dialog ----

CSerialSettingsDialog::CSerialSettingsDialog(CCameraLink& link, Interaction& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui), confirmedPort_(link.PortName()), confirmedRate_(link.BaudRateText()) {
  setObjectName("SerialSettingsDialog");
  setWindowTitle(Text(StrId::SerialSettingsTitle));
  auto* layout = new QHBoxLayout(this);
  auto* form = new QFormLayout;
  port_ = new QComboBox(this);
  port_->setEditable(true);  // a device the scan does not know can be typed in
  for (const std::string& p : SerialPortChoices(link.PortName())) port_->addItem(QString::fromStdString(p));
  port_->setCurrentText(QString::fromStdString(link.PortName()));
  port_->setAccessibleName(CaptionName(StrId::PortLabel));
  port_->setMinimumContentsLength(14);
  speed_ = new QComboBox(this);
  for (const std::string& s : SerialSpeedChoices()) speed_->addItem(QString::fromStdString(s));
  const int at = speed_->findText(QString::fromStdString(link.BaudRateText()));
  speed_->setCurrentIndex(at >= 0 ? at : speed_->count() - 1);
  speed_->setAccessibleName(CaptionName(StrId::SpeedLabel));
  auto* portLabel = new QLabel(Text(StrId::PortLabel), this);
  auto* speedLabel = new QLabel(Text(StrId::SpeedLabel), this);
  portLabel->setBuddy(port_);
  speedLabel->setBuddy(speed_);
  form->addRow(portLabel, port_);
  form->addRow(speedLabel, speed_);
  test_ = Button(Text(StrId::SerialTestButton), this);
  form->addRow(QString(), test_);
  layout->addLayout(form, 1);

  auto* buttons = new QVBoxLayout;
  ok_ = Button("OK", this);
  cancel_ = Button(Text(StrId::CancelButtonHalfWidth), this);
  ok_->setDefault(true);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(test_, &QPushButton::clicked, this, &CSerialSettingsDialog::StartTest);
}

CSerialSettingsDialog::~CSerialSettingsDialog() {
  if (worker_) link_.SetCancelFlag(nullptr);
  JoinThread(worker_);
}

void CSerialSettingsDialog::SetButtonsEnabled(bool enabled) {
  test_->setEnabled(enabled);
  ok_->setEnabled(enabled);
  cancel_->setEnabled(enabled);
}

void CSerialSettingsDialog::StartTest() {
  if (worker_) return;
  SetButtonsEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::string port = port_->currentText().trimmed().toStdString();
  const std::string rate = speed_->currentText().toStdString();
  link_.SetPortName(port);
  link_.SetBaudRateText(rate);
  // A file or folder that is not a serial device is named as such rather than "the camera does
  // not answer".
  const std::string device = DevicePathOfPort(port);
  auto notTty = std::make_shared<bool>(false);
  CCameraLink* link = &link_;
  worker_ = StartLinkThread(
      this,
      [link, device, notTty] {
        const LinkResult r = link->Connect();
        if (r == LINK_OK) {
          link->Disconnect();
        } else if (r == LINK_ERR_SETUP || r == LINK_ERR_OPEN) {
          std::error_code ec;
          *notTty = fs::exists(device, ec) && !fs::is_character_file(device, ec);
        }
        return r;
      },
      [this, notTty](LinkResult r) { FinishTest(r, *notTty); });
}

void CSerialSettingsDialog::FinishTest(LinkResult result, bool notTty) {
  JoinThread(worker_);
  QApplication::restoreOverrideCursor();
  lastTest_ = result;
  if (result != LINK_OK) {
    link_.SetPortName(confirmedPort_);
    link_.SetBaudRateText(confirmedRate_);
    port_->setCurrentText(QString::fromStdString(confirmedPort_));
    speed_->setCurrentText(QString::fromStdString(confirmedRate_));
    SetButtonsEnabled(true);
    ui_.Message(Str(notTty ? StrId::PortNotTty : StrId::CameraNotResponding), Icon::Stop,
                BoxLook{Str(StrId::SerialSettingsTitle), {}});
    cancel_->setFocus();
  } else {
    confirmedPort_ = link_.PortName();
    confirmedRate_ = link_.BaudRateText();
    SetButtonsEnabled(true);
    ui_.Message(Str(StrId::CameraRecognised), Icon::Exclamation, BoxLook{Str(StrId::SerialSettingsTitle), {}});
    ok_->setFocus();
  }
  emit TestEnded(result);
}

void CSerialSettingsDialog::accept() {
  if (worker_) return;
  link_.SetPortName(port_->currentText().trimmed().toStdString());
  link_.SetBaudRateText(speed_->currentText().toStdString());
  link_.SetDirty();
  link_.SaveSettings();
  QDialog::accept();
}

void CSerialSettingsDialog::reject() {
  if (worker_) return;  // the test owns the link until it ends
  QDialog::reject();
}

// ---- the folder-selection dialog ----

CCameraFolderDialog::CCameraFolderDialog(CCameraLink& link, Interaction& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui) {
  setObjectName("CameraFolderDialog");
  setWindowTitle(Text(StrId::SerialImportTitle));
  auto* layout = new QHBoxLayout(this);
  list_ = new QComboBox(this);
  list_->addItem(Text(StrId::ReceivingFolderNames));
  list_->setAccessibleName(Text(StrId::TransferFolder).remove("(&F)"));
  list_->setMinimumContentsLength(24);
  layout->addWidget(list_, 1, Qt::AlignTop);
  auto* buttons = new QVBoxLayout;
  ok_ = Button("OK", this);
  cancel_ = Button(Text(StrId::CancelButtonHalfWidth), this);
  ok_->setEnabled(false);
  cancel_->setEnabled(false);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  battery_.setInterval(500);
  battery_.setSingleShot(true);
  connect(&battery_, &QTimer::timeout, this, &CCameraFolderDialog::BatteryTick);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

CCameraFolderDialog::~CCameraFolderDialog() {
  battery_.stop();
  JoinThread(worker_);
}

void CCameraFolderDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    StartWorker();
  }
}

void CCameraFolderDialog::StartWorker() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  CCameraLink* link = &link_;
  worker_ = StartLinkThread(
      this, [link] { return ConnectAndListFolders(*link); }, [this](LinkResult r) { WorkerFinished(r); });
}

void CCameraFolderDialog::WorkerFinished(LinkResult result) {
  JoinThread(worker_);  // the link is the GUI thread's again
  QApplication::restoreOverrideCursor();
  listResult_ = result;
  list_->clear();
  if (result != LINK_OK) ShowLinkError(ui_, result);
  const auto first = result == LINK_OK ? PreselectedFolder(link_) : std::nullopt;
  if (!first) {
    list_->addItem(Text(StrId::FolderNamesFailed));
    ok_->setEnabled(false);
    cancel_->setEnabled(true);
    cancel_->setFocus();
  } else {
    for (const std::string& folder : link_.FolderList())
      list_->addItem(QString::fromStdString("\\DCIM\\" + folder));
    list_->setCurrentIndex(static_cast<int>(*first));
    ok_->setEnabled(true);
    cancel_->setEnabled(true);
    ok_->setDefault(true);
    ok_->setFocus();
    battery_.start();
  }
  emit ListingEnded(result);
}

void CCameraFolderDialog::BatteryTick() {
  if (closing_) return;
  const LinkResult r = link_.CheckBattery();
  if (r == LINK_OK) {
    battery_.start();
    return;
  }
  link_.Disconnect();
  ShowLinkError(ui_, r);
  closing_ = true;
  QDialog::reject();
}

void CCameraFolderDialog::accept() {
  if (worker_ || !ok_->isEnabled()) return;
  battery_.stop();
  // "\DCIM\100RKCAM" -> "100RKCAM".
  const QString entry = list_->currentText();
  const int second = entry.indexOf('\\', 1);
  chosen_ = second >= 0 ? entry.mid(second + 1).toStdString() : entry.toStdString();
  link_.SetCameraFolder(chosen_, true);
  closing_ = true;
  QDialog::accept();
}

void CCameraFolderDialog::reject() {
  if (worker_) return;  // the worker owns the link: Cancel waits for it
  battery_.stop();
  if (!closing_) link_.Disconnect();
  closing_ = true;
  QDialog::reject();
}

// ---- through the seam ----

bool RunSerialImportDialog(CSerialImportDialog& dialog) {
  return RunDialog(dialog, DialogKind::SerialImport, Str(StrId::TransferUnit), dialog.OkButton(),
                   [&dialog](const DialogSeam::Answer& answer) {
                     if (answer.text != "0" && answer.text != "1") {
                       DialogSeam::Miss("the serial import dialog has no transfer unit " + answer.text);
                       return false;
                     }
                     (answer.text == "1" ? dialog.FolderChoice() : dialog.AllChoice())->click();
                     dialog.OkButton()->click();
                     return true;
                   });
}

bool RunSerialSettingsDialog(CSerialSettingsDialog& dialog) {
  return RunDialog(dialog, DialogKind::SerialSettings, Str(StrId::SerialSettingsTitle), dialog.OkButton(),
                   [&dialog](const DialogSeam::Answer& answer) {
                     dialog.PortList()->setCurrentText(QString::fromStdString(answer.text));
                     dialog.OkButton()->click();
                     return true;
                   });
}

bool RunCameraFolderDialog(CCameraFolderDialog& dialog) {
  if (DialogSeam::Enabled()) {
    // The answer is the user's after the folder names have come (OK and Cancel wait for them).
    dialog.show();
    while (dialog.Listing()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    QApplication::processEvents();
    if (!dialog.isVisible()) return false;  // the battery check closed it
  }
  return RunDialog(dialog, DialogKind::CameraFolder, dialog.FolderList()->currentText().toStdString(), dialog.OkButton(),
                   [&dialog](const DialogSeam::Answer& answer) {
                     const int at = dialog.FolderList()->findText(QString::fromStdString("\\DCIM\\" + answer.text));
                     if (at < 0 || !dialog.OkButton()->isEnabled()) {
                       DialogSeam::Miss("the camera folder dialog has no folder " + answer.text);
                       return false;
                     }
                     dialog.FolderList()->setCurrentIndex(at);
                     dialog.OkButton()->click();
                     return true;
                   });
}

}  // namespace orrivan::gui
