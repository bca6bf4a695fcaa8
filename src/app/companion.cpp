#include "app/companion.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStringList>
#include <cstdlib>
#include <system_error>

#include "app/auto_import.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

QString Native(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

std::string ReadSmallFile(const fs::path& path) {
  QFile file(Native(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(1 << 16).toStdString();
}

}  // namespace

fs::path CompanionProgram() { return (ExecutableFolder() / ".." / "lib" / "orrivan" / "orauto").lexically_normal(); }

std::vector<std::string> CompanionArguments() {
  return {"--home", HomeFolder().string(), "--config", fs::absolute(settings::File()).string()};
}

bool StartCompanion() {
  QStringList arguments;
  for (const std::string& argument : CompanionArguments()) arguments << QString::fromStdString(argument);
  std::error_code ec;
  const fs::path program = CompanionProgram();
  if (!fs::is_regular_file(program, ec)) return false;
  // From "/": a watcher started by a program whose current folder lies on a card would keep that
  // card from being unmounted.
  return QProcess::startDetached(Native(program), arguments, QStringLiteral("/"));
}

fs::path LogonEntryPath() {
  fs::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    config = fs::path(home && *home ? home : "/") / ".config";
  }
  return config / "autostart" / "orrivan-orauto.desktop";
}

std::string DesktopExecArgument(std::string_view argument) {
  // Reserved characters of the Exec key; an argument holding one is quoted, and inside the quotes
  // the four characters below take a backslash.
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string quoted;
  if (argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos) {
    quoted.push_back('"');
    for (char c : argument) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted.push_back('\\');
      quoted.push_back(c);
    }
    quoted.push_back('"');
  } else {
    quoted.assign(argument);
  }
  // The value is a string of the desktop entry: its own escapes come on top; '%' would start a field
  // code.
  std::string value;
  for (char c : quoted) {
    switch (c) {
      case '\\': value += "\\\\"; break;
      case '\n': value += "\\n"; break;
      case '\t': value += "\\t"; break;
      case '\r': value += "\\r"; break;
      case '%': value += "%%"; break;
      default: value.push_back(c);
    }
  }
  return value;
}

std::string LogonEntryText() {
  std::string exec = DesktopExecArgument(CompanionProgram().string());
  for (const std::string& argument : CompanionArguments()) exec += " " + DesktopExecArgument(argument);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" + Str(StrId::WatcherShortcutName) + "\n"
         "Exec=" + exec + "\n"
         "Terminal=false\n"
         "NoDisplay=true\n";
}

bool SetLogonEntry(bool present) {
  const fs::path entry = LogonEntryPath();
  std::error_code ec;
  if (!present) {
    fs::remove(entry, ec);
    return !ec && !fs::exists(entry, ec);
  }
  const std::string text = LogonEntryText();
  if (fs::is_regular_file(entry, ec) && ReadSmallFile(entry) == text) return true;
  fs::create_directories(entry.parent_path(), ec);
  QSaveFile file(Native(entry));
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    file.cancelWriting();
    file.commit();
    return false;
  }
  return file.commit();
}

bool SwitchAutoImport(bool on) {
  if (on) {
    std::error_code ec;
    fs::remove(AutoImportMarker(), ec);
    return settings::SetInt(settings::Key::AutoTakeIn, 0);
  }
  SetLogonEntry(false);
  return settings::SetInt(settings::Key::AutoTakeIn, 1);
}

}  // namespace orrivan
