// Test plug-in whose title list lies: it claims five entries, the second one runs past the end.
#include "test_plugin.h"

extern "C" {

int32_t GetPluginTitle(void*, char* buffer) {
  static const char kList[] = {5, 'o', 'k', '!', 0, 40, 'x', 'y', 0};
  if (buffer != nullptr) std::memcpy(buffer, kList, sizeof kList);
  return buffer == nullptr ? static_cast<int32_t>(sizeof kList) : 5;
}

}  // extern "C"
