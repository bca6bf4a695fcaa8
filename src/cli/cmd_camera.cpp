// orrivan-cli cameras: the USB cameras attached now; import --camera: the import of one of them, by
// the card import's rules, flags and exit codes.
#include <cstdio>
#include <string>
#include <vector>

#include "app/album_session.h"
#include "base/strings.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "import/usb_import.h"
#include "ptp/usb_camera.h"

namespace orrivan::cli {

namespace {

int ListCameras() {
  std::vector<usb::DetectedCamera> cameras;
  if (const usb::UsbStatus s = usb::DetectCameras(cameras); !s) {
    std::fprintf(stderr, "orrivan-cli: %s\n", s.message.c_str());
    return kExitFailed;
  }
  if (cameras.empty()) {
    std::fprintf(stderr, "orrivan-cli: no USB camera found\n");
    return kExitFailed;
  }
  for (const usb::DetectedCamera& c : cameras) std::printf("%s\t%s\n", c.port.c_str(), c.model.c_str());
  return kExitDone;
}

}  // namespace

int RunCameraImport(const std::string& named, const ImportOptions& options, const CliAnswers& answers) {
  UsbCameraChoice choice;
  if (named.rfind("disk:", 0) == 0) {
    // A folder presented as a camera: the same path a camera's files take, without the hardware.
    choice = {"Directory Browse", named};
  } else {
    std::vector<usb::DetectedCamera> cameras;
    if (const usb::UsbStatus s = usb::DetectCameras(cameras); !s) {
      std::fprintf(stderr, "orrivan-cli: %s\n", s.message.c_str());
      return kExitFailed;
    }
    std::string message;
    if (!ChooseUsbCamera(cameras, named, choice, message)) {
      std::fprintf(stderr, "orrivan-cli: %s\n", message.c_str());
      return kExitFailed;
    }
  }
  InstallInterruptHandler();
  CliInteraction ui(answers);
  return WithAlbumSession(
      ui,
      [&](AlbumSession& session) {
        usb::UsbStatus status;
        std::unique_ptr<usb::CUsbCamera> camera = usb::CUsbCamera::Open(choice.model, choice.port, status);
        if (!camera) {
          ui.Message(UsbFailureText(status), Icon::Stop);
          return kExitFailed;
        }
        CUsbImport run(session.Album(), ui, options);
        const ImportResult result = run.Run(*camera);
        switch (result) {
          case ImportResult::Done:
            std::printf("%zu%s\n", session.Album().DayCount(), Str(StrId::DayCountSuffix).c_str());
            return kExitDone;
          case ImportResult::NothingToDo:
            return kExitDone;
          case ImportResult::Cancelled:
            std::fprintf(stderr, "orrivan-cli: import cancelled; nothing was changed\n");
            return kExitCancelled;
          case ImportResult::Failed:
            return kExitFailed;
        }
        return kExitFailed;
      },
      true);
}

void AddCameraCommands(CLI::App& app) {
  CLI::App* sub = app.add_subcommand("cameras", "List the USB cameras and phones attached (port, model)");
  sub->callback([] {
    const int code = ListCameras();
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
