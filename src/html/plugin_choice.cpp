// The template selection dialog's model.
#include "html/plugin_choice.h"

#include "base/settings.h"
#include "base/strings.h"
#include "html/plugin_names.h"

namespace orrivan {

namespace {

// A plug-in with fewer colour patterns than this cannot hold the default pattern 7.
constexpr size_t kColorsForDefault = 8;

}  // namespace

TemplateChoiceModel::TemplateChoiceModel() : templates_(ListPluginTemplates()) {
  if (templates_.empty()) return;
  using settings::Key;
  const std::string title = settings::GetString(Key::TemplateType);
  const int index = settings::GetInt(Key::TemplateTypeNo);
  const auto library = FindPluginLibrary(settings::GetString(Key::DllPath));
  selected_ = 0;
  int color = kDefaultColorPattern;
  for (size_t i = 0; i < templates_.size(); ++i) {
    const PluginTemplate& t = templates_[i];
    if (t.title == title && t.index == index && library && t.library == *library) {
      selected_ = static_cast<int>(i);
      color = settings::GetInt(Key::TemplateBackNo);
      break;
    }
  }
  summary_ = PluginTemplateSummary(templates_[selected_].library, templates_[selected_].index);
  LoadColors(templates_[selected_].library, color);
}

void TemplateChoiceModel::LoadColors(const std::filesystem::path& library, int wanted) {
  colors_ = PluginColorPatterns(library);
  color_ = wanted;
  if (colors_.size() < kColorsForDefault) color_ = 0;
  // A stored index the plug-in does not have (or -1, "none") falls back to its first pattern.
  if (color_ < 0 || color_ >= static_cast<int>(colors_.size())) color_ = 0;
  LoadSample();
}

void TemplateChoiceModel::LoadSample() {
  sample_.clear();
  if (selected_ < 0 || colors_.empty()) return;
  sample_ = PluginColorSample(templates_[selected_].library, color_);
}

void TemplateChoiceModel::SelectTemplate(int entry) {
  if (entry < 0 || entry >= static_cast<int>(templates_.size()) || entry == selected_) return;
  const std::filesystem::path previous = templates_[selected_].library;
  selected_ = entry;
  const PluginTemplate& t = templates_[selected_];
  summary_ = PluginTemplateSummary(t.library, t.index);
  if (t.library != previous) LoadColors(t.library, 0);
}

void TemplateChoiceModel::SelectColor(int index) {
  if (index < 0 || index >= static_cast<int>(colors_.size())) return;
  color_ = index;
  LoadSample();
}

bool TemplateChoiceModel::Accept(std::string* shown) const {
  if (selected_ < 0) return false;
  using settings::Key;
  const PluginTemplate& t = templates_[selected_];
  const std::string colorName = colors_.empty() ? std::string() : colors_[color_];
  // Every value is tried, so a failure leaves as little half-written as the store allows.
  bool written = settings::SetString(Key::TemplateType, t.title);
  written = settings::SetInt(Key::TemplateTypeNo, t.index) && written;
  written = settings::SetString(Key::TemplateBackCol, colorName) && written;
  written = settings::SetInt(Key::TemplateBackNo, colors_.empty() ? -1 : color_) && written;
  written = settings::SetString(Key::DllPath, t.reference) && written;
  if (!written) return false;
  if (shown != nullptr) *shown = t.title + Str(StrId::TemplateBackgroundJoin) + colorName;
  return true;
}

}  // namespace orrivan
