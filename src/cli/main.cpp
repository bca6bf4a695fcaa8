// orrivan-cli: the engine without a window. Commands are added by their subsystems.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "base/paths.h"
#include "base/settings.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Orrivan: files camera pictures into a dated library and publishes it as HTML pages"};
  app.set_version_flag("--version", ORRIVAN_VERSION);
  std::string home, config;
  app.add_option("--home", home, "Home folder (album, pages, plug-ins)");
  app.add_option("--config", config, "Settings file (INI)");
  app.require_subcommand(0, 1);
  // Subcommands hand options they do not know to this level, so --home and --config may also
  // follow the command.
  app.fallthrough();
  // Runs once the whole command line is parsed and before any subcommand acts, so every command
  // sees the chosen home folder and settings file.
  app.parse_complete_callback([&] {
    if (!home.empty()) orrivan::SetHomeFolder(home);
    if (!config.empty()) orrivan::settings::UseFile(config);
  });

  orrivan::cli::AddSettingsCommands(app);
  orrivan::cli::AddImportCommands(app);
  orrivan::cli::AddListCommands(app);
  orrivan::cli::AddPreviewCommands(app);
  orrivan::cli::AddAlbumCommands(app);
  orrivan::cli::AddRebuildCommands(app);
  orrivan::cli::AddRelocateCommands(app);
  orrivan::cli::AddJpegCommands(app);
  orrivan::cli::AddMaintenanceCommands(app);
  orrivan::cli::AddSerialCommands(app);
  orrivan::cli::AddSerialImportCommands(app);
  orrivan::cli::AddCameraCommands(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    // A command's own end (cli::Exit) keeps its code; a malformed command line is a usage error.
    if (e.get_name() == "RuntimeError" || code == orrivan::cli::kExitDone) return code;
    return orrivan::cli::kExitUsage;
  }
  return orrivan::cli::kExitDone;
}
