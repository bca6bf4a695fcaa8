// The import view: the camera button with its connection choice (card/USB or RS232C), the
// other-images button and the navigation column. The camera button runs the card import (detection,
// the engine, pages, browser) or the serial import on the program's session, off the GUI thread.
#pragma once

#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include "gui/form_view.h"
#include "gui/nav_column.h"
#include "import/import_engine.h"

namespace orrivan::gui {

class CEntryFormView : public FormView {
  Q_OBJECT
 public:
  CEntryFormView(ViewContext& context, QWidget* parent);
  ~CEntryFormView() override;
  QWidget* DefaultFocus() override { return camera_; }

  NavColumn* Nav() const { return nav_; }
  QToolButton* CameraButton() const { return camera_; }
  QToolButton* OtherButton() const { return other_; }
  QRadioButton* CardChoice() const { return card_; }
  QRadioButton* SerialChoice() const { return serial_; }
  // What the last run of the camera button came to (tests).
  ImportResult LastSerialResult() const { return lastSerial_; }

 private:
  void OnCamera();
  void OnOther();
  void RunCard();
  void RunSerial();

  NavColumn* nav_;
  QToolButton* camera_;
  QToolButton* other_;
  QRadioButton* card_;
  QRadioButton* serial_;
  ImportResult lastSerial_ = ImportResult::NothingToDo;
};

}  // namespace orrivan::gui
