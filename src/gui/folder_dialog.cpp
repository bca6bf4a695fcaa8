#include "gui/folder_dialog.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>

#include "gui/dialog_common.h"

namespace orrivan::gui {

std::optional<std::filesystem::path> ChooseFolder(QWidget* parent, const std::string& title,
                                                  const std::filesystem::path& start) {
  QFileDialog dialog(parent, Q(title), Q(start.string()));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  // The seam shows the dialog itself; a desktop's own dialog would be a separate process.
  if (DialogSeam::Enabled()) dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  // Qt's own dialog opens too small for its date column and side bar.
  dialog.resize(820, 520);
  if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree->header()->resizeSection(3, 170);
  }
  if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) splitter->setSizes({170, 650});
  // Qt's own dialog names its boxes by labels beside them only; a screen reader needs the names on
  // the boxes themselves.
  const std::pair<const char*, QFileDialog::DialogLabel> boxes[] = {
      {"lookInCombo", QFileDialog::LookIn}, {"fileNameEdit", QFileDialog::FileName},
      {"fileTypeCombo", QFileDialog::FileType}};
  for (const auto& [name, label] : boxes)
    if (auto* box = dialog.findChild<QWidget*>(QString::fromLatin1(name)))
      box->setAccessibleName(PlainLabel(dialog.labelText(label)).remove(u':'));
  const bool ok = RunDialog(dialog, DialogKind::Folder, title, nullptr, [&dialog](const DialogSeam::Answer& answer) {
    std::error_code ec;
    if (!std::filesystem::is_directory(answer.text, ec)) {
      DialogSeam::Miss("the folder chooser cannot open " + answer.text);
      return false;
    }
    dialog.setDirectory(Q(answer.text));
    dialog.selectFile(Q(answer.text));
    static_cast<QDialog&>(dialog).accept();  // QFileDialog checks the folder as for a click
    return true;
  });
  if (!ok) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return std::filesystem::path(U(chosen.front()));
}

}  // namespace orrivan::gui
