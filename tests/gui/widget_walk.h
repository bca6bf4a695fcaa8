// Walks a window's widgets and lists the controls a screen reader could not name: buttons, check and
// radio boxes without text or accessible name, and line edits, lists, combo and spin boxes without an
// accessible name, and tabs without text.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QWidget>
#include <string>
#include <vector>

namespace orrivan::test {

// A part of a compound control (a spin box's edit, a combo box's popup list, a table's corner
// button) is named through the control it belongs to.
inline bool IsPartOfCompound(const QWidget* widget, const QWidget* root) {
  for (const QWidget* up = widget->parentWidget(); up && up != root->parentWidget(); up = up->parentWidget()) {
    if (qobject_cast<const QComboBox*>(up) || qobject_cast<const QAbstractSpinBox*>(up) ||
        qobject_cast<const QAbstractItemView*>(up) || qobject_cast<const QCalendarWidget*>(up) ||
        qobject_cast<const QTabBar*>(up))
      return true;
  }
  return false;
}

inline std::string Describe(const QWidget* widget) {
  std::string text = widget->metaObject()->className();
  if (!widget->objectName().isEmpty()) text += " '" + widget->objectName().toStdString() + "'";
  if (const QWidget* window = widget->window()) text += " in \"" + window->windowTitle().toStdString() + "\"";
  return text;
}

// Every unnamed control under root (root included), described by class, object name and window.
inline std::vector<std::string> UnnamedControls(QWidget* root) {
  std::vector<std::string> unnamed;
  QList<QWidget*> all = root->findChildren<QWidget*>();
  all.prepend(root);
  for (QWidget* widget : all) {
    if (IsPartOfCompound(widget, root)) continue;
    const bool named = !widget->accessibleName().trimmed().isEmpty();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      if (!named && button->text().trimmed().isEmpty()) unnamed.push_back(Describe(widget));
    } else if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
               qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget)) {
      if (!named) unnamed.push_back(Describe(widget));
    } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
      for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i).trimmed().isEmpty() && tabs->accessibleTabName(i).trimmed().isEmpty())
          unnamed.push_back(Describe(widget) + " tab " + std::to_string(i));
    }
  }
  return unnamed;
}

}  // namespace orrivan::test
