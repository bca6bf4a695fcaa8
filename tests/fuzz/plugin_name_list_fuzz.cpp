// Fuzzes the reader of a plug-in's name-list buffer: the first byte is the entry count the plug-in
// claims, the rest is the buffer.
#include <cstddef>
#include <cstdint>

#include "html/plugin_name_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int count = static_cast<int8_t>(data[0]);
  const auto names = orrivan::ParseNameList(
      std::span<const char>(reinterpret_cast<const char*>(data + 1), size - 1), count);
  size_t total = 0;
  for (const auto& name : names) total += name.size() + 2;
  if (total > size - 1) __builtin_trap();  // names can never hold more than the buffer
  return 0;
}
