// Interim: replaced by the dialogs' own implementation.
#include "gui/welcome_dialog.h"

#include <QMessageBox>

#include "base/strings.h"

namespace orrivan::gui {

bool ShowWelcomeDialog(QWidget* parent) {
  return QMessageBox::question(parent, QString::fromStdString(Str(StrId::WelcomeTitle)),
                               QString::fromStdString(Str(StrId::WelcomeHeading)),
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace orrivan::gui
