// The folder chooser of the views (destinations of move and backup, the library folder): Qt's own
// directory dialog, through the dialog seam.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

class QWidget;

namespace orrivan::gui {

// title: the window's caption (the prompt of the system, such as the move destination's); start:
// the folder shown first. Empty = cancelled.
std::optional<std::filesystem::path> ChooseFolder(QWidget* parent, const std::string& title,
                                                  const std::filesystem::path& start = {});

}  // namespace orrivan::gui
