// The first-run welcome dialog: true for OK.
#pragma once

#include <QWidget>

namespace orrivan::gui {

bool ShowWelcomeDialog(QWidget* parent);

}  // namespace orrivan::gui
