// libFuzzer entry over the camera's folder and file listings: every name kept must pass the
// filters and the safety rule, and must lie inside the bytes given.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "camera/camera_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool folders : {true, false}) {
    std::vector<std::string> names;
    orrivan::LinkResult r = orrivan::ParseListing(bytes, folders, names);
    if (r != orrivan::LINK_OK && !(folders && r == orrivan::LINK_ERR_EMPTY_LIST)) std::abort();
    if (r != orrivan::LINK_OK && !names.empty()) std::abort();
    size_t total = 0;
    for (const auto& name : names) {
      if (!orrivan::IsSafeCameraName(name)) std::abort();
      if (folders ? !orrivan::IsCameraPictureFolder(name) : !orrivan::IsCameraPictureFile(name)) std::abort();
      total += name.size() + 1;
    }
    if (total > size) std::abort();
  }
  return 0;
}
