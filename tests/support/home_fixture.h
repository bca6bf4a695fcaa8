// A home folder of the test's own: settings file, Trash and library root inside the test's folder,
// and the template plug-in of this build tree, so nothing of the user's is read or written.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "html/plugin_host.h"
#include "support/temp_dir.h"

namespace orrivan::test {

// The bundled template plug-in of this build tree, or empty when it has not been built.
std::filesystem::path BuiltTemplatesPlugin();

// Plug-ins from home/Plugins and, when built, the bundled template plug-in. Undo with
// SetPluginFoldersForTesting({}).
inline void UseTestPluginFolders(const std::filesystem::path& home) {
  const auto plugin = BuiltTemplatesPlugin();
  std::vector<std::filesystem::path> folders{home / "Plugins"};
  if (!plugin.empty()) folders.push_back(plugin.parent_path());
  SetPluginFoldersForTesting(folders);
}

// home_ = <test folder>/home with an empty library root home_/"Image Library" (root_), the settings
// file beside the home folder, the Trash under <test folder>/xdg.
class HomeFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  TempDir dir_{"orrivan-home"};
  std::filesystem::path home_;
  std::filesystem::path root_;
};

}  // namespace orrivan::test
