#include "gui/dialog_common.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

namespace orrivan::gui {
namespace {

// GUI thread only, so no lock.
std::vector<QPointer<QDialog>>& OpenDialogs() {
  static std::vector<QPointer<QDialog>> dialogs;
  return dialogs;
}

class OpenDialogGuard {
 public:
  explicit OpenDialogGuard(QDialog* dialog) : dialog_(dialog) { OpenDialogs().push_back(dialog); }
  ~OpenDialogGuard() {
    auto& open = OpenDialogs();
    open.erase(std::remove_if(open.begin(), open.end(),
                              [this](const QPointer<QDialog>& d) { return d.isNull() || d.data() == dialog_; }),
               open.end());
  }
  OpenDialogGuard(const OpenDialogGuard&) = delete;
  OpenDialogGuard& operator=(const OpenDialogGuard&) = delete;

 private:
  QDialog* dialog_;
};

}  // namespace

QString PlainLabel(const QString& label) {
  static const QRegularExpression mnemonicInBrackets(QStringLiteral("[(（]&[^&][)）]"));
  QString text = label;
  text.remove(mnemonicInBrackets);
  QString plain;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&&" stays one "&"; "&X" becomes "X"
    plain += text[i];
  }
  return plain.trimmed();
}

QString CaptionName(StrId id) {
  QString text = Text(id);
  const int paren = text.indexOf("(&");
  if (paren > 0) text = text.left(paren);
  return text.remove('&').remove(">>").remove("<<").remove('<').remove('>').trimmed();
}

QWidget* DialogParent(QWidget* window) {
  if (!window || !window->isVisible() || window->isMinimized()) return nullptr;
  return window;
}

QPushButton* MakeButton(const QString& label, QWidget* parent) {
  auto* button = new QPushButton(label, parent);
  button->setAccessibleName(PlainLabel(label));
  button->setAutoDefault(false);
  return button;
}

bool RunDialog(QDialog& dialog, DialogKind kind, const std::string& text, QAbstractButton* accept,
               const std::function<bool(const DialogSeam::Answer&)>& apply) {
  OpenDialogGuard guard(&dialog);
  if (!DialogSeam::Enabled()) return dialog.exec() == QDialog::Accepted;

  dialog.setResult(QDialog::Rejected);
  dialog.show();
  DialogSeam::Shown shown{kind, U(dialog.windowTitle()), text, {}};
  for (const QPushButton* button : dialog.findChildren<QPushButton*>())
    if (!button->text().isEmpty()) shown.buttons.push_back(U(button->text()));
  const size_t missesBefore = DialogSeam::Misses().size();
  const DialogSeam::Answer answer = DialogSeam::Take(kind, &dialog, shown);
  if (dialog.isVisible()) {
    switch (answer.act) {
      case DialogSeam::Answer::Act::Accept:
        if (accept && accept->isEnabled()) accept->click();
        break;
      case DialogSeam::Answer::Act::Cancel:
        dialog.reject();
        break;
      case DialogSeam::Answer::Act::Value:
        if (apply) apply(answer);
        break;
    }
  }
  if (dialog.isVisible()) {
    // One miss per dialog: Take or apply may have said already why it could not answer.
    if (DialogSeam::Misses().size() == missesBefore)
      DialogSeam::Miss(std::string("the ") + DialogKindName(kind) + " \"" + shown.caption +
                       "\" did not take its answer");
    dialog.done(QDialog::Rejected);
    return false;
  }
  return dialog.result() == QDialog::Accepted;
}

void RejectOpenDialogs() {
  // A copy: ending a dialog returns from its exec(), which may end the RunDialog that listed it.
  std::vector<QPointer<QDialog>> open = OpenDialogs();
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (*it && (*it)->isVisible()) (*it)->done(QDialog::Rejected);
}

bool InstallQtJapanese() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

int OpenDialogCount() { return static_cast<int>(OpenDialogs().size()); }

}  // namespace orrivan::gui
