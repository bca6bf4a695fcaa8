// The options page of the settings view: the day pages' PRINT button, the mail program their MAIL
// button names (installed programs with their icons, the others disabled), the size of attached
// pictures, and the button that applies these choices to every day of the library.
#pragma once

#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/form_view.h"

class QGroupBox;

namespace orrivan::gui {

class CMailSettingsPage : public QWidget {
  Q_OBJECT
 public:
  CMailSettingsPage(ViewContext& context, QWidget* parent);

  // "MailName" never set: stores the no-mail-program name and tells the user what the choice is
  // for. Called when the page is first shown.
  void FirstVisit();
  // The radio groups, the list's selection and the chosen name from the stored values.
  void Refresh();
  // A click on an entry: written at once when it can be chosen; otherwise nothing changes.
  void Choose(int entry);

  QListWidget* List() const { return list_; }
  QLabel* ChosenName() const { return chosen_; }
  QPushButton* ReflectButton() const { return reflect_; }
  QLabel* ReflectCount() const { return count_; }

 signals:
  // A reflection into the library ran (its count is shown).
  void Reflected();

 private:
  // Two radio buttons for key (0 and 1), written at once when clicked.
  QGroupBox* Radios(StrId caption, StrId first, StrId second, settings::Key key, QButtonGroup*& group);
  void OnReflect();

  ViewContext& context_;
  QButtonGroup* print_ = nullptr;
  QButtonGroup* size_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* chosen_ = nullptr;
  QPushButton* reflect_ = nullptr;
  QLabel* count_ = nullptr;
};

}  // namespace orrivan::gui
