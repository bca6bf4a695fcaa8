// What the template selection dialog shows and decides, without any window: the sorted template
// titles, the description and colour patterns of the selected template, the sample picture of the
// selected colour, and the settings written on OK. The GUI only draws this model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "html/plugin_host.h"

namespace orrivan {

class TemplateChoiceModel {
 public:
  // Lists the templates and selects the stored choice ("TemplateType", "TemplateTypeNo" and the
  // plug-in of "DllPath"); when it is not among them, entry 0 with colour pattern 7.
  TemplateChoiceModel();

  const std::vector<PluginTemplate>& Templates() const { return templates_; }
  int SelectedTemplate() const { return selected_; }  // -1 when there are no templates
  const std::string& Summary() const { return summary_; }
  const std::vector<std::string>& Colors() const { return colors_; }
  int SelectedColor() const { return color_; }
  // The packed bitmap of the selected colour; empty when there is none to show.
  const std::vector<uint8_t>& Sample() const { return sample_; }

  // Another template: its description; when its plug-in differs from the previous one, that
  // plug-in's colour patterns with pattern 0 selected.
  void SelectTemplate(int entry);
  void SelectColor(int index);

  // OK: writes "TemplateType", "TemplateTypeNo", "TemplateBackCol", "TemplateBackNo" and "DllPath"
  // and returns the choice as it is shown (title + " / 背景 " + colour name). False when nothing
  // is selected (nothing written) or the settings file could not be written.
  bool Accept(std::string* shown) const;

 private:
  void LoadColors(const std::filesystem::path& library, int wanted);
  void LoadSample();

  std::vector<PluginTemplate> templates_;
  int selected_ = -1;
  std::string summary_;
  std::vector<std::string> colors_;
  int color_ = 0;
  std::vector<uint8_t> sample_;
};

}  // namespace orrivan
