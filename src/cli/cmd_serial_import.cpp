// orrivan-cli serial-import: the pictures of a camera on a serial cable into the library, every
// folder or one, every question answered by a flag, the terminal, or (neither) a message and Cancel.
// Port and speed given here are used for this run only; the chosen folder is remembered.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "app/startup.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "camera/camera_link.h"
#include "camera/camera_protocol.h"
#include "cli/cli_flags.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "html/template_repair.h"
#include "import/detection.h"
#include "import/serial_import.h"
#include "library/album_document.h"

namespace orrivan::cli {

namespace {

struct SerialImportFlags {
  std::string port;
  std::string speed;
  bool all = false;
  std::string folder;
  AnswerFlags answers;
};

// The folder-selection dialog on a terminal: the entry it would select first is taken with --yes
// or an empty answer. Nothing when the user gave no answer.
std::optional<std::string> ChooseCameraFolder(const CCameraLink& link, const SerialImportFlags& flags,
                                              bool interactive) {
  const std::vector<std::string>& folders = link.FolderList();
  if (!flags.folder.empty()) {
    for (const std::string& f : folders)
      if (f == flags.folder) return f;
    for (const std::string& f : folders)
      if (EqualsIgnoreCase(f, flags.folder)) return f;
    std::fprintf(stderr, "orrivan-cli: the camera has no folder %s; it has:\n", flags.folder.c_str());
    for (const std::string& f : folders) std::fprintf(stderr, "  \\DCIM\\%s\n", f.c_str());
    return std::nullopt;
  }
  const size_t preselected = PreselectedFolder(link).value_or(0);
  if (flags.answers.yes) return folders[preselected];
  std::string list;
  for (size_t i = 0; i < folders.size(); ++i)
    list += "  " + std::to_string(i + 1) + ") \\DCIM\\" + folders[i] + (i == preselected ? "  *" : "") + "\n";
  if (!interactive) {
    std::fprintf(stderr, "camera folders (* = selected):\n%sorrivan-cli: no answer (stdin is not a terminal); give --folder NAME, --all or --yes\n",
                 list.c_str());
    return std::nullopt;
  }
  std::fprintf(stderr, "camera folders (* = selected):\n%sfolder number (empty = *): ", list.c_str());
  std::fflush(stderr);
  std::string line;
  if (!std::getline(std::cin, line) || g_interrupted) return std::nullopt;
  if (line.find_first_not_of(" \t") == std::string::npos) return folders[preselected];
  try {
    const size_t n = std::stoul(line);
    if (n >= 1 && n <= folders.size()) return folders[n - 1];
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

int Report(ImportResult result, const CRKCardAlbumDoc& album) {
  switch (result) {
    case ImportResult::Done:
      std::printf("%zu%s\n", album.DayCount(), Str(StrId::DayCountSuffix).c_str());
      return kExitDone;
    case ImportResult::NothingToDo:
      return kExitDone;
    case ImportResult::Cancelled:
      std::fprintf(stderr, "orrivan-cli: serial import cancelled; nothing was changed\n");
      return kExitCancelled;
    case ImportResult::Failed:
      return kExitFailed;
  }
  return kExitFailed;
}

int RunSerialImport(const SerialImportFlags& flags) {
  CliAnswers answers;
  if (!TakeAnswers(flags.answers, answers)) return kExitUsage;

  CCameraLink link;
  if (!flags.port.empty()) link.SetPortName(flags.port);
  if (!flags.speed.empty()) link.SetBaudRateText(flags.speed);
  if (!camera::SpeedIndex(link.BaudRateText())) {
    std::fprintf(stderr, "orrivan-cli: unknown speed %s (2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200)\n",
                 link.BaudRateText().c_str());
    return kExitUsage;
  }

  SerialImportOptions options;
  SetImportOptions(flags.answers, options);
  options.save = [](CRKCardAlbumDoc& album, Interaction& ui) { return SaveAlbum(album, ui); };

  InstallInterruptHandler();
  link.SetCancelFlag(&g_interrupted);
  CliInteraction ui(answers);

  return WithAlbumSession(
      ui,
      [&](AlbumSession& session) {
        CRKCardAlbumDoc& album = session.Album();
        CSerialImport engine(album, ui, options);

        const bool oneFolder =
            !flags.all && (!flags.folder.empty() || settings::GetInt(settings::Key::TransMode) == 1);
        if (!oneFolder) return Report(engine.RunAllFolders(link), album);

        const LinkResult r = ConnectAndListFolders(link);
        if (r != LINK_OK) {
          ShowLinkError(ui, r);
          return r == LINK_ERR_CANCELLED ? kExitCancelled : kExitFailed;
        }
        if (link.FolderList().empty()) {
          link.Disconnect();
          ui.Message(Str(StrId::FolderNamesFailed), Icon::Stop);
          return kExitFailed;
        }
        const std::optional<std::string> chosen = ChooseCameraFolder(link, flags, ui.Answers().interactive);
        if (!chosen) {
          link.Disconnect();
          return flags.folder.empty() ? kExitCancelled : kExitFailed;
        }
        link.SetCameraFolder(*chosen, true);
        return Report(engine.RunChosenFolder(link, *chosen), album);
      },
      true);
}

}  // namespace

void AddSerialImportCommands(CLI::App& app) {
  auto flags = std::make_shared<SerialImportFlags>();
  CLI::App* sub = app.add_subcommand("serial-import", "Import the pictures of a camera on a serial cable");
  sub->add_option("--port", flags->port, "Port: COMn (= /dev/ttyS<n-1>) or a device path; default: setting CommPort");
  sub->add_option("--speed", flags->speed, "Transfer speed; default: setting BaudRate");
  auto* all = sub->add_flag("--all", flags->all, "Every picture folder of the camera");
  auto* folder = sub->add_option("--folder", flags->folder, "One picture folder of the camera (e.g. 100TEST)");
  all->excludes(folder);
  AddFilingFlags(sub, flags->answers, "File everything into one folder of this date (YYYYMMDD)");
  AddAnswerFlags(sub, flags->answers, "Take the folder the camera dialog would select");
  sub->callback([flags] {
    const int code = RunSerialImport(*flags);
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
