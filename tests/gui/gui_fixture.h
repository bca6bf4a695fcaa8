// A home of the test's own with a running desktop program on it (offscreen), the welcome already
// answered, and helpers to press buttons by their captions.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QString>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "base/settings.h"
#include "gui/desktop_program.h"
#include "gui/form_view.h"
#include "support/home_fixture.h"

namespace orrivan::test {

class GuiFixture : public HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    UseTestPluginFolders(home_);
    settings::SetInt(settings::Key::DisplayMethod, 0);  // not a first start
    settings::SetString(settings::Key::MailName, "ﾒｰﾗｰの設定しない");
    // The logon entry goes into the test's own folder.
    ::setenv("XDG_CONFIG_HOME", (dir_.path() / "config").c_str(), 1);
  }
  void TearDown() override {
    program_.reset();
    SetPluginFoldersForTesting({});
  }

  // Starts the program; false when its start-up ended it.
  bool StartProgram() {
    program_ = std::make_unique<gui::DesktopProgram>();
    // The card watcher is counted, never started, by tests.
    program_->Hooks().startCompanion = [this] { ++companionStarts_; };
    const bool started = program_->Start();
    QApplication::processEvents();
    return started;
  }
  gui::CMainFrame& Frame() { return program_->Frame(); }
  gui::ViewId Shown() { return Frame().CurrentViewId(); }

  // The enabled-or-not button under root whose text or accessible name is caption (mnemonic marks
  // ignored), or nullptr.
  static QAbstractButton* FindButton(QWidget* root, const QString& caption) {
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
      QString text = b->text();
      text.remove('&');
      QString wanted = caption;
      wanted.remove('&');
      if (text == wanted || b->accessibleName().remove('&') == wanted) return b;
    }
    return nullptr;
  }
  // Clicks it and lets the posted work (view switches) run.
  static void Press(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    button->click();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

  std::unique_ptr<gui::DesktopProgram> program_;
  int companionStarts_ = 0;
};

}  // namespace orrivan::test
