// A fixture for tests that answer dialogs through the seam: the seam is on for each test, and a
// test ends failing when a dialog found no answer it did not expect to miss.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <string>

#include "gui/dialog_seam.h"

namespace orrivan::test {

class SeamTest : public ::testing::Test {
 protected:
  void SetUp() override { gui::DialogSeam::Enable(); }
  void TearDown() override {
    const auto misses = gui::DialogSeam::Misses();
    std::string all;
    for (const auto& m : misses) all += m + "\n";
    EXPECT_EQ(misses.size(), expectedMisses_) << all;
    gui::DialogSeam::Disable();
    QApplication::processEvents();
  }
  size_t expectedMisses_ = 0;
};

// The labels' texts under root, in child order.
inline std::vector<std::string> LabelTexts(QWidget* root) {
  std::vector<std::string> texts;
  for (const QLabel* label : root->findChildren<QLabel*>())
    if (!label->text().isEmpty()) texts.push_back(label->text().toStdString());
  return texts;
}

inline bool HasLabel(QWidget* root, const std::string& text) {
  for (const std::string& t : LabelTexts(root))
    if (t == text) return true;
  return false;
}

}  // namespace orrivan::test
