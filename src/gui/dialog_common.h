// Small helpers shared by the program's dialogs: texts from the string table as QString, the plain
// (mnemonic-free) form of a label for accessible names, and the run of a dialog that either waits
// for the user or, with the test seam on, takes the test's answer.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "base/strings.h"
#include "gui/dialog_seam.h"

class QAbstractButton;
class QPushButton;
class QWidget;

namespace orrivan::gui {

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline QString Q(StrId id) { return Q(Str(id)); }
inline std::string U(const QString& text) { return text.toStdString(); }
inline QString Text(StrId id) { return Q(id); }

// "ﾌｫﾙﾀﾞ一覧(&L)" -> "ﾌｫﾙﾀﾞ一覧", "&Yes" -> "Yes": what a screen reader should say.
QString PlainLabel(const QString& label);
// A field's caption as its accessible name: the words before its mnemonic, without arrows
// ("ポート(&P)        :" -> "ポート", "<< 戻る(&B)" -> "戻る").
QString CaptionName(StrId id);

// The window a dialog should be owned by: window itself, or none while it is hidden or minimised
// (the auto-import at start-up runs with the main window minimised; a dialog owned by it could stay
// out of sight and the run would seem to hang).
QWidget* DialogParent(QWidget* window);

// A push button with the label, its accessible name the plain label.
QPushButton* MakeButton(const QString& label, QWidget* parent);

// Shows dialog and returns whether it was accepted. Without the seam this is exec(). With the seam
// the dialog is shown (not modal), the observer sees it, and the queued answer is applied: Accept
// presses accept (the dialog's OK button, which may refuse when disabled), Cancel rejects, a value
// answer goes to apply, which sets the widgets as a user would and presses OK. An answer the dialog
// does not take (OK disabled, a value it cannot show) is recorded as a miss and ends in Cancel.
bool RunDialog(QDialog& dialog, DialogKind kind, const std::string& text, QAbstractButton* accept,
               const std::function<bool(const DialogSeam::Answer&)>& apply);

// Loads Qt's own Japanese texts (the folder chooser, the edit boxes' menus), so that Qt's parts of
// the windows speak the program's language whatever the desktop's locale. Call once after the
// QApplication is made; false when the translation is not installed (Qt's English stays).
bool InstallQtJapanese();

// Ends every dialog opened through RunDialog (innermost first) as cancelled. GUI thread only.
void RejectOpenDialogs();
// How many dialogs RunDialog has open (tests, and the cross-thread code waiting for a box).
int OpenDialogCount();

}  // namespace orrivan::gui
