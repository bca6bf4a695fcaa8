// The command groups of orrivan-cli. Each group lives in cmd_<topic>.cpp and adds its subcommands.
#pragma once

#include <CLI/CLI.hpp>

namespace orrivan::cli {

// Exit codes shared by every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

}  // namespace orrivan::cli
