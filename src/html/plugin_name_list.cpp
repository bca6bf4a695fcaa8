// Reading the name-list buffer that a plug-in filled. The plug-in is outside code: its count and
// its length bytes are believed only as far as the buffer reaches.
#include "html/plugin_name_list.h"

#include <cstring>

namespace orrivan {

std::vector<std::string> ParseNameList(std::span<const char> bytes, int count) {
  std::vector<std::string> names;
  size_t at = 0;
  while (static_cast<int>(names.size()) < count && at < bytes.size()) {
    const size_t length = static_cast<unsigned char>(bytes[at]);
    if (length < 2 || length > bytes.size() - at) break;
    const char* name = bytes.data() + at + 1;
    const size_t room = length - 1;  // name and its zero
    const size_t nameLength = strnlen(name, room);
    if (nameLength == room) break;  // not terminated inside its entry
    names.emplace_back(name, nameLength);
    at += length;
  }
  return names;
}

}  // namespace orrivan
