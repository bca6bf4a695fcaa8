// The settings view: four pages in a tab control (general, card import, options, version), each
// radio group writing its value the moment it is clicked, and the buttons that choose the template
// and move the library. A fresh profile opens on the options page, so a mail program gets chosen.
#pragma once

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <vector>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/form_view.h"
#include "gui/nav_column.h"

class QGroupBox;

namespace orrivan::gui {

class CMailSettingsPage;

class CSetupFormView : public FormView {
  Q_OBJECT
 public:
  enum Tab { kGeneral = 0, kCamera = 1, kOptions = 2, kVersion = 3 };

  CSetupFormView(ViewContext& context, QWidget* parent);
  void InitialUpdate() override;
  QWidget* DefaultFocus() override;

  NavColumn* Nav() const { return nav_; }
  QTabWidget* Tabs() const { return tabs_; }
  QLabel* SaveFolderDisplay() const { return saveFolder_; }
  QLabel* TemplateDisplay() const { return template_; }
  QLabel* AutoImportState() const { return autoState_; }
  QPushButton* SaveFolderButton() const { return relocate_; }
  QPushButton* TemplateButton() const { return templateButton_; }
  CMailSettingsPage* MailPage() const { return mail_; }

  // Every display and radio group from the stored values (after a relocation, a failed write).
  void Refresh();

 private:
  struct RadioSetting {
    settings::Key key;
    QButtonGroup* group;
  };

  QWidget* MakeGeneralPage();
  QWidget* MakeCameraPage();
  QWidget* MakeVersionPage();
  // A group box of two radio buttons for key: the first writes 0, the second 1.
  QGroupBox* RadioGroup(StrId caption, StrId first, StrId second, settings::Key key, QWidget* parent);
  void OnRadio(settings::Key key, int value);
  void ShowStored(const RadioSetting& setting);
  void OnTemplate();
  void OnRelocate();

  NavColumn* nav_;
  QTabWidget* tabs_;
  QLabel* saveFolder_ = nullptr;
  QLabel* template_ = nullptr;
  QLabel* autoState_ = nullptr;
  QPushButton* relocate_ = nullptr;
  QPushButton* templateButton_ = nullptr;
  CMailSettingsPage* mail_ = nullptr;
  std::vector<RadioSetting> radios_;
};

// Tells the user that a setting could not be written (the settings file named); the caller then
// shows the value actually stored.
void ReportSettingsWriteFailure(ViewContext& context);

}  // namespace orrivan::gui
