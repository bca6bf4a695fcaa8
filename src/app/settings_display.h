// The texts the settings view's general page shows for the library folder and the template: rules
// of the page itself, kept here so they are tested without a window.
#pragma once

#include <string>
#include <string_view>

namespace orrivan {

// Longest folder text shown whole; a longer one keeps its first 3 and last 20 characters.
inline constexpr size_t kFolderDisplayLength = 23;

// The folder as the page shows it: whole up to 23 characters, else first 3 + " ... " + last 20.
// Characters are counted as code points of the UTF-8 text, never as bytes.
std::string FolderDisplayText(std::string_view folder);

// "TemplateType" + " / 背景 " + "TemplateBackCol".
std::string TemplateDisplayText();

}  // namespace orrivan
