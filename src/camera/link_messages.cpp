// What the user is told about a link result, and the settings dialog's connection test.
#include "base/interaction.h"
#include "base/strings.h"
#include "camera/camera_link.h"

namespace orrivan {

std::string LinkErrorText(LinkResult code) {
  switch (code) {
    case LINK_OK:
    case LINK_ERR_CANCELLED:
      return {};  // the user knows; nothing to say
    case LINK_ERR_BATTERY:
      return Str(StrId::BatteryLow);
    case LINK_ERR_EMPTY_LIST:
      return Str(StrId::SerialFolderEmpty);
    case LINK_ERR_UNSUPPORTED:
      return Str(StrId::CameraNotSupported);
    default:
      return Str(StrId::CameraNotResponding);
  }
}

void ShowLinkError(Interaction& ui, LinkResult code) {
  std::string text = LinkErrorText(code);
  if (!text.empty()) ui.Message(text, Icon::None);
}

LinkResult TestLinkSettings(CCameraLink& link, Interaction& ui, const std::string& port, const std::string& rate) {
  const std::string confirmedPort = link.PortName();
  const std::string confirmedRate = link.BaudRateText();
  link.SetPortName(port);
  link.SetBaudRateText(rate);
  LinkResult r = link.Connect();
  if (r != LINK_OK) {
    link.SetPortName(confirmedPort);
    link.SetBaudRateText(confirmedRate);
    ui.Message(Str(StrId::CameraNotResponding), Icon::Stop);
    return r;
  }
  link.Disconnect();
  ui.Message(Str(StrId::CameraRecognised), Icon::Exclamation);
  return LINK_OK;
}

}  // namespace orrivan
