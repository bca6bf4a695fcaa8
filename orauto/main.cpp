// orauto: the card watcher. Runs from the user's logon (or from the desktop program) and hands every
// newly mounted card with pictures to the desktop program.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "orauto/card_watch.h"

int main(int argc, char** argv) {
  CLI::App app{"orauto: notices newly mounted cards and hands them to Orrivan"};
  std::string home, config, program;
  app.add_option("--home", home, "Home folder (the marker goes here)");
  app.add_option("--config", config, "Settings file (INI)");
  app.add_option("--program", program, "The desktop program to start (default: ../../bin/orrivan)");
  CLI11_PARSE(app, argc, argv);

  if (!home.empty()) orrivan::SetHomeFolder(home);
  if (!config.empty()) orrivan::settings::UseFile(std::filesystem::absolute(config));
  orrivan::orauto::WatcherOptions options;
  options.home = orrivan::HomeFolder();
  options.config = std::filesystem::absolute(orrivan::settings::File());
  options.program = program.empty() ? orrivan::orauto::DefaultMainProgram() : std::filesystem::absolute(program);

  // The local socket needs an event dispatcher on this thread; no event loop runs.
  QCoreApplication application(argc, argv);
  // Paths are absolute by now. A watcher whose current folder lay on a card would keep that card
  // from being unmounted.
  [[maybe_unused]] const int moved = ::chdir("/");
  return orrivan::orauto::RunWatcher(options);
}
