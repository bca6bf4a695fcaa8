// The command groups of orrivan-cli. Each group lives in cmd_<topic>.cpp and adds its subcommands
// with Add<Topic>Commands; main.cpp calls each once. Subcommands act in their final callback
// (sub->callback(...)), which runs after --home and --config have taken effect.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "cli/cli_interaction.h"
#include "import/import_engine.h"

namespace orrivan::cli {

// Exit codes shared by every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

// Ends the running command with an exit code; main turns it into the process's exit status
// without printing anything (print the message first).
[[noreturn]] inline void Exit(int code) { throw CLI::RuntimeError(code); }

void AddSettingsCommands(CLI::App& app);
void AddImportCommands(CLI::App& app);  // import
void AddListCommands(CLI::App& app);    // list
void AddPreviewCommands(CLI::App& app);  // preview
void AddAlbumCommands(CLI::App& app);    // album dump
void AddRebuildCommands(CLI::App& app);   // rebuild
void AddRelocateCommands(CLI::App& app);  // relocate
void AddJpegCommands(CLI::App& app);     // jpeg info, jpeg rotate
void AddMaintenanceCommands(CLI::App& app);  // erase, move, backup, retitle, apply-options, mail, template
void AddSerialCommands(CLI::App& app);   // serial-test
void AddSerialImportCommands(CLI::App& app);  // serial-import
void AddCameraCommands(CLI::App& app);   // cameras

// import --camera MODEL|PORT (a "disk:/path" port: a folder presented as a camera).
int RunCameraImport(const std::string& named, const ImportOptions& options, const CliAnswers& answers);

}  // namespace orrivan::cli
