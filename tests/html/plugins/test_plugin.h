// Shared pieces of the small test plug-ins: the name-list writer and a MakeHtmlFile that records
// the arguments it was given in INDEX.HTM, so a test can see what the host passed.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "html/plugin_api.h"

namespace test_plugin {

inline int32_t NameList(const std::vector<std::string>& names, char* buffer) {
  int32_t size = 0;
  for (const std::string& name : names) size += static_cast<int32_t>(name.size()) + 2;
  if (buffer == nullptr) return size;
  for (const std::string& name : names) {
    *buffer = static_cast<char>(name.size() + 2);
    std::memcpy(buffer + 1, name.c_str(), name.size() + 1);
    buffer += name.size() + 2;
  }
  return static_cast<int32_t>(names.size());
}

// One line per argument, then one line per picture: "path|year month day hour minute second|size".
inline int32_t RecordCall(const char* plugin, const char* dayFolder,
                          const OrrivanPhotoRecord* images, int32_t imageCount,
                          int32_t templateIndex, int32_t colorIndex, int32_t printButton,
                          int32_t tempSize, const char* mailName, const char* dayTitle) {
  const std::string path = std::string(dayFolder) + "/INDEX.HTM";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fprintf(file, "plugin=%s\ntemplate=%d\ncolor=%d\nprint=%d\ntempsize=%d\nmail=%s\ntitle=%s\n",
               plugin, templateIndex, colorIndex, printButton, tempSize, mailName, dayTitle);
  for (int32_t i = 0; i < imageCount; ++i) {
    const OrrivanPhotoRecord& r = images[i];
    std::fprintf(file, "%s|%s %s %s %s %s %s|%d\n", r.filePath, r.year, r.month, r.day, r.hour,
                 r.minute, r.second, r.size);
  }
  std::fclose(file);
  return 1;
}

}  // namespace test_plugin
