// The start-up repair of the template choice.
#include "html/template_repair.h"

#include "base/settings.h"
#include "base/strings.h"
#include "html/plugin_host.h"
#include "html/plugin_names.h"

namespace orrivan {

bool RepairTemplateChoice() {
  using settings::Key;
  const std::string stored = settings::GetString(Key::DllPath);
  if (!stored.empty() && FindPluginLibrary(stored)) return true;
  if (const auto first = ScanPlugins()) {
    settings::SetString(Key::TemplateType, first->title);
    settings::SetInt(Key::TemplateTypeNo, first->index);
    settings::SetString(Key::TemplateBackCol, Str(StrId::DefaultBackgroundName));
    settings::SetInt(Key::TemplateBackNo, kDefaultColorPattern);
    settings::SetString(Key::DllPath, first->reference);
    return true;
  }
  settings::SetString(Key::TemplateType, "");
  settings::SetInt(Key::TemplateTypeNo, -1);
  settings::SetString(Key::TemplateBackCol, "");
  settings::SetInt(Key::TemplateBackNo, -1);
  settings::SetString(Key::DllPath, "");
  return false;
}

}  // namespace orrivan
