// The serial camera's dialogs: the import dialog "ｶﾒﾗ内画像の取込 -RS232C" (the transfer unit), the
// port dialog "通信設定" with its link test, and the folder-selection dialog that lists the camera's
// folders. Link work runs on a thread of its own that owns the link until it reports back by queued
// calls; no widget is touched off the GUI thread, and the dialog keeps repainting meanwhile.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "camera/camera_link.h"

namespace orrivan::gui {

class CSerialImportDialog;
class CSerialSettingsDialog;
class CCameraFolderDialog;

// The dialogs run through the test seam: exec() for a user, the queued answer in tests. The folder
// dialog's answer is taken once its worker has reported back.
bool RunSerialImportDialog(CSerialImportDialog& dialog);
bool RunSerialSettingsDialog(CSerialSettingsDialog& dialog);
bool RunCameraFolderDialog(CCameraFolderDialog& dialog);

// The serial devices that exist (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*), in name order, with the
// stored port first when it is not among them.
std::vector<std::string> SerialPortChoices(const std::string& stored);

// The speeds the port dialog offers.
const std::vector<std::string>& SerialSpeedChoices();

// "ｶﾒﾗ内画像の取込 -RS232C": TransMode is read when it opens and written when it closes (OK and
// Cancel alike). "通信設定(&S)" opens the port dialog on the link.
class CSerialImportDialog : public QDialog {
  Q_OBJECT
 public:
  CSerialImportDialog(CCameraLink& link, Interaction& ui, QWidget* parent);
  ~CSerialImportDialog() override;
  QRadioButton* AllChoice() const { return all_; }
  QRadioButton* FolderChoice() const { return folder_; }
  QPushButton* SettingsButton() const { return settings_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  // The chosen transfer unit: 0 every folder, 1 one chosen folder.
  int TransMode() const { return folder_->isChecked() ? 1 : 0; }

 private:
  void OpenSettings();

  CCameraLink& link_;
  Interaction& ui_;
  QRadioButton* all_;
  QRadioButton* folder_;
  QPushButton* ok_;
  QPushButton* settings_;
  QPushButton* cancel_;
};

// "通信設定": port and speed of the link; the test connects off the GUI thread; OK stores both in the
// link, marks them changed and saves them.
class CSerialSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  CSerialSettingsDialog(CCameraLink& link, Interaction& ui, QWidget* parent);
  ~CSerialSettingsDialog() override;
  QComboBox* PortList() const { return port_; }
  QComboBox* SpeedList() const { return speed_; }
  QPushButton* TestButton() const { return test_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool Testing() const { return worker_ != nullptr; }
  // What the last test came to (tests).
  LinkResult LastTest() const { return lastTest_; }

  void accept() override;
  void reject() override;

 signals:
  void TestEnded(int result);

 private:
  void StartTest();
  void FinishTest(LinkResult result, bool notTty);
  void SetButtonsEnabled(bool enabled);

  CCameraLink& link_;
  Interaction& ui_;
  QComboBox* port_;
  QComboBox* speed_;
  QPushButton* test_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QThread* worker_ = nullptr;
  std::string confirmedPort_;
  std::string confirmedRate_;
  LinkResult lastTest_ = LINK_OK;
};

// The folder-selection dialog: its worker connects and lists the folders of DCIM; OK and Cancel wait
// for it. Afterwards a 500 ms timer checks the battery. OK remembers the folder ("SCameraDir"); Cancel
// ends the camera connection.
class CCameraFolderDialog : public QDialog {
  Q_OBJECT
 public:
  CCameraFolderDialog(CCameraLink& link, Interaction& ui, QWidget* parent);
  ~CCameraFolderDialog() override;
  QComboBox* FolderList() const { return list_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool Listing() const { return worker_ != nullptr; }
  // The folder chosen by OK.
  const std::string& ChosenFolder() const { return chosen_; }
  LinkResult ListResult() const { return listResult_; }

  void accept() override;
  void reject() override;

 signals:
  void ListingEnded(int result);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void StartWorker();
  void WorkerFinished(LinkResult result);
  void BatteryTick();

  CCameraLink& link_;
  Interaction& ui_;
  QComboBox* list_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QThread* worker_ = nullptr;
  QTimer battery_;
  bool started_ = false;
  bool closing_ = false;
  std::string chosen_;
  LinkResult listResult_ = LINK_OK;
};

}  // namespace orrivan::gui
