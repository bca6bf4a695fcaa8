// The name-list buffer of GetPluginTitle and GetColorPattern: entries of one length byte L, the
// name and its zero; the next entry starts L bytes after this one.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace orrivan {

// At most count names, reading no byte at or past bytes.size(); stops at the first malformed entry
// (L below 2, past the end, or a name without its zero inside the entry).
std::vector<std::string> ParseNameList(std::span<const char> bytes, int count);

}  // namespace orrivan
