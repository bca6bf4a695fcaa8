// The card watcher `orauto` as the program sees it: where the bundled watcher lies, starting it, the
// XDG autostart entry that starts it at logon, and the settings switch that turns all of it on or
// off. The watcher, its entry and the program it starts carry the home folder and settings file of
// the program that set them up, so all of them work on one home.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan {

// ExecutableFolder()/../lib/orrivan/orauto, normalised.
std::filesystem::path CompanionProgram();

// "--home" <home folder> "--config" <settings file>, as this program uses them now.
std::vector<std::string> CompanionArguments();

// Starts the watcher detached (it outlives this program). False when it could not be started; the
// callers ignore that, as a missing watcher only means no automatic import.
bool StartCompanion();

// $XDG_CONFIG_HOME/autostart/orrivan-orauto.desktop (~/.config when the variable is unset or not
// absolute).
std::filesystem::path LogonEntryPath();

// The entry as it is written: Name "Orrivan 監視", Exec the watcher with CompanionArguments().
std::string LogonEntryText();

// The one place that creates and removes the logon entry. present: writes it (atomically) when it is
// missing or says anything else (another install's watcher, another home); absent: deletes it. True
// when the entry is as asked afterwards.
bool SetLogonEntry(bool present);

// The settings view's auto-import switch. On: "AutoTakeIn" = 0 and a stale marker deleted (the
// watcher and its entry follow at the next start). Off: the logon entry deleted and "AutoTakeIn" = 1,
// which a running watcher notices and ends. False when the setting could not be written.
bool SwitchAutoImport(bool on);

// One argument of an Exec line: quoted when it holds a reserved character, then escaped as a desktop
// entry string value (so a backslash inside quotes is written as four).
std::string DesktopExecArgument(std::string_view argument);

}  // namespace orrivan
