// The destination dialog of the move and backup views: caption ("移動" / "ｺﾋﾟｰ"), prompt, the folder
// (typed or chosen with the folder chooser) and OK / Cancel; and the checks a chosen folder must
// pass before any library goes there.
#pragma once

#include <QDialog>
#include <filesystem>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace orrivan::gui {

class DestinationDialog : public QDialog {
  Q_OBJECT
 public:
  DestinationDialog(QWidget* parent, const std::string& caption, const std::string& prompt,
                    const std::filesystem::path& start);
  std::filesystem::path Folder() const;
  QLineEdit* Field() const { return field_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* BrowseButton() const { return browse_; }

 private:
  void Browse();

  std::string prompt_;
  QLineEdit* field_;
  QPushButton* browse_;
  QPushButton* ok_;
};

// Asks for the destination; empty = cancelled.
std::optional<std::filesystem::path> AskDestination(QWidget* parent, const std::string& caption,
                                                    const std::string& prompt, const std::filesystem::path& start);

// Why a chosen folder cannot receive libraries: it does not exist, or it is not writable (no write
// bit for its owner, or the process may not write it). Empty when it can.
std::string DestinationProblem(const std::filesystem::path& folder);

}  // namespace orrivan::gui
