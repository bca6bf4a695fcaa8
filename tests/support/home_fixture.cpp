#include "support/home_fixture.h"

#include <stdlib.h>

#include <cstdlib>
#include <vector>

#include "base/paths.h"
#include "base/settings.h"

namespace orrivan::test {

std::filesystem::path BuiltTemplatesPlugin() {
  std::vector<std::filesystem::path> candidates;
  if (const char* build = std::getenv("ORRIVAN_BUILD_DIR")) candidates.push_back(std::filesystem::path(build) / "lib/orrivan/plugins");
  candidates.push_back(BundledPluginFolder());
  for (const auto& folder : candidates) {
    std::error_code ec;
    if (std::filesystem::exists(folder / "templates.so", ec)) return folder / "templates.so";
  }
  return {};
}

void HomeFixture::SetUp() {
  home_ = dir_.path() / "home";
  root_ = home_ / "Image Library";
  std::filesystem::create_directories(root_);
  settings::UseFile(dir_.path() / "Orrivan.conf");
  SetHomeFolder(home_);
  // The Trash of this test, never the user's.
  ::setenv("XDG_DATA_HOME", (dir_.path() / "xdg").c_str(), 1);
}

}  // namespace orrivan::test
