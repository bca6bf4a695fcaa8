#include "app/settings_display.h"

#include <vector>

#include "base/settings.h"
#include "base/strings.h"

namespace orrivan {

namespace {

// Where each code point of the UTF-8 text starts. A stray continuation byte counts as a character
// of its own, so a malformed text is still cut somewhere sensible.
std::vector<size_t> CodePointStarts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80 || starts.empty() || i - starts.back() >= 4) starts.push_back(i);
  }
  return starts;
}

}  // namespace

std::string FolderDisplayText(std::string_view folder) {
  const std::vector<size_t> starts = CodePointStarts(folder);
  if (starts.size() <= kFolderDisplayLength) return std::string(folder);
  const size_t headEnd = starts[3];
  const size_t tailStart = starts[starts.size() - 20];
  return std::string(folder.substr(0, headEnd)) + " ... " + std::string(folder.substr(tailStart));
}

std::string TemplateDisplayText() {
  return settings::GetString(settings::Key::TemplateType) + Str(StrId::TemplateBackgroundJoin) +
         settings::GetString(settings::Key::TemplateBackCol);
}

}  // namespace orrivan
