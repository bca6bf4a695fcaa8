// `orrivan-cli serial-test [--port DEV] [--speed N]`: the serial settings' test button. Connects to
// the camera, says what it found, proves the transfer speed both ways and ends the connection.
// Port and speed default to the stored settings and are not saved.
#include <cstdio>
#include <iostream>
#include <string>

#include "base/strings.h"
#include "camera/camera_link.h"
#include "camera/camera_protocol.h"
#include "cli/commands.h"

namespace orrivan::cli {

void AddSerialCommands(CLI::App& app) {
  struct Args {
    std::string port;
    std::string speed;
  };
  auto args = std::make_shared<Args>();
  CLI::App* test = app.add_subcommand("serial-test", "Connect to a serial camera, report it and end the connection");
  test->add_option("--port", args->port, "Port: COMn (= /dev/ttyS<n-1>) or a device path; default: setting CommPort");
  test->add_option("--speed", args->speed, "Transfer speed to prove; default: setting BaudRate");
  test->callback([args] {
    CCameraLink link;
    if (!args->port.empty()) link.SetPortName(args->port);
    if (!args->speed.empty()) link.SetBaudRateText(args->speed);
    if (!camera::SpeedIndex(link.BaudRateText())) {
      std::cerr << "unknown speed " << link.BaudRateText()
                << " (2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200)\n";
      Exit(kExitUsage);
    }
    std::cout << "port " << link.PortName() << " (" << DevicePathOfPort(link.PortName()) << ")\n";
    LinkResult r = link.Connect();
    if (r != LINK_OK) {
      std::string text = LinkErrorText(r);
      std::cerr << (text.empty() ? Str(StrId::CameraNotResponding) : text) << "\n(result " << r << ")\n";
      Exit(kExitFailed);
    }
    char kind[64];
    snprintf(kind, sizeof kind, "camera type %d, capability 0x%02X", link.CameraType(), link.Capability());
    std::cout << Str(StrId::CameraRecognised) << "\n" << kind << "\n";
    r = link.CheckBattery();
    std::cout << "battery " << (r == LINK_OK ? "good" : r == LINK_ERR_BATTERY ? "low" : "unknown") << "\n";
    LinkResult speed = link.ChangeSpeed(link.BaudRateText());
    if (speed == LINK_OK) speed = link.ChangeSpeed("9600");
    std::cout << "speed " << link.BaudRateText() << (speed == LINK_OK ? " works" : " failed") << "\n";
    link.Disconnect();
    if (speed != LINK_OK) {
      std::cerr << LinkErrorText(speed) << "\n(result " << speed << ")\n";
      Exit(kExitFailed);
    }
  });
}

}  // namespace orrivan::cli
