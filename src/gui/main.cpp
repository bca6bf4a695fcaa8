// orrivan: the desktop program. Without a display it says so and ends (QApplication would abort);
// a second start hands over to the running one and ends without touching any file.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "gui/desktop_program.h"
#include "gui/dialog_common.h"
#include "gui/single_instance.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: orrivan [--home DIR] [--config FILE]\n"
               "  --home DIR     home folder (album, pages, plug-ins); default $ORRIVAN_HOME, else ~/Pictures/Orrivan\n"
               "  --config FILE  settings file; default $ORRIVAN_CONFIG, else ~/.config/KORVA/Orrivan.conf\n"
               "Work without a window: orrivan-cli.\n");
}

bool HasDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform && std::strncmp(platform, "xcb", 3) != 0 && std::strncmp(platform, "wayland", 7) != 0)
    return true;  // offscreen, vnc and the like need no display server
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

}  // namespace

int main(int argc, char** argv) {
  std::string home, config;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name, std::string& into) {
      const std::string prefix = std::string(name) + "=";
      if (arg == name && i + 1 < argc) {
        into = argv[++i];
        return true;
      }
      if (arg.rfind(prefix, 0) == 0) {
        into = arg.substr(prefix.size());
        return true;
      }
      return false;
    };
    if (value("--home", home) || value("--config", config)) continue;
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    }
    std::fprintf(stderr, "orrivan: unknown argument %s\n", arg.c_str());
    Usage(stderr);
    return kExitUsage;
  }
  if (!HasDisplay()) {
    std::fprintf(stderr, "orrivan: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); orrivan-cli works without one\n");
    return kExitFailed;
  }
  if (!home.empty()) orrivan::SetHomeFolder(home);
  if (!config.empty()) orrivan::settings::UseFile(config);

  QApplication app(argc, argv);
  QApplication::setApplicationName("Orrivan");
  QGuiApplication::setDesktopFileName("orrivan");  // matches the window to orrivan.desktop
  orrivan::gui::InstallQtJapanese();  // Qt's own dialogs and menus in the program's language
  orrivan::gui::SingleInstance instance;
  orrivan::gui::DesktopProgram* running = nullptr;
  instance.SetRaiseHandler([&running] { orrivan::gui::RaiseProgramWindow(running ? &running->Frame() : nullptr); });
  switch (instance.Claim()) {
    case orrivan::gui::SingleInstance::Outcome::AnotherRuns:
      return 0;
    case orrivan::gui::SingleInstance::Outcome::Failed:
      std::fprintf(stderr, "orrivan: the single-instance check failed; going on\n");
      break;
    case orrivan::gui::SingleInstance::Outcome::Primary:
      break;
  }
  orrivan::gui::DesktopProgram program;
  if (!program.Start()) return program.ExitCode();
  running = &program;
  return app.exec();
}
