// The program's name and version and the versions of the libraries it was built with: the settings
// view's version page, and the same in a small box that help offers.
#pragma once

class QWidget;

namespace orrivan::gui {

// The version text as a widget (an icon, the name, the version, the libraries).
QWidget* MakeVersionInfo(QWidget* parent);

// The version box, modal, with OK.
void ShowVersionBox(QWidget* parent);

}  // namespace orrivan::gui
