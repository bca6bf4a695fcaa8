// The home folder (what the program folder was: album file, HTML pages, frame pages, plug-ins) and
// small helpers for paths as they are stored in albums and pages.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan {

// --home
void SetHomeFolder(const std::filesystem::path& home);
// --home, else $ORRIVAN_HOME, else the XDG pictures folder + "/Orrivan".
std::filesystem::path HomeFolder();
// The folder of the running executable (/proc/self/exe).
std::filesystem::path ExecutableFolder();
// ExecutableFolder()/../lib/orrivan/plugins, normalised.
std::filesystem::path BundledPluginFolder();
// HomeFolder()/Plugins
std::filesystem::path HomePluginFolder();

// Splits a stored path at '\' and '/' alike and drops empty parts. A leading root survives as the
// first part: "/" for a Unix root, "C:" for a drive letter path ("C:\a" -> {"C:", "a"}), "//" for a
// network path ("\\srv\share" -> {"//", "srv", "share"}). "a//b/" -> {"a", "b"}.
std::vector<std::string> SplitStoredPath(std::string_view path);
// Every '\' becomes '/'; nothing else changes.
std::string NormaliseStoredPath(std::string_view path);
// ASCII case-insensitive comparison; other bytes compare exactly. Safe on UTF-8 text: no byte of a
// multi-byte character lies in the ASCII range.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix);  // extensions: ".JPG"
// ASCII letters only; for paths shown upper-cased (the real path stays beside them).
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
// True when both name the same existing file (device and inode); false if either does not exist.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// True when inner is outer or lies below it, compared on canonical paths (symlinks resolved; a
// missing tail is resolved lexically). inner == outer counts.
bool IsInside(const std::filesystem::path& inner, const std::filesystem::path& outer);

}  // namespace orrivan
