// Test plug-in listed first: templates "B" and "same", nine colours, a valid sample, and a
// MakeHtmlFile that records its arguments.
#include "test_plugin.h"

extern "C" {

int32_t GetPluginTitle(void*, char* buffer) { return test_plugin::NameList({"B", "same"}, buffer); }

int32_t GetTemplateSummary(int32_t index, char* buffer) {
  const std::string text = "summary B" + std::to_string(index);
  if (buffer != nullptr) std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<int32_t>(text.size() + 1);
}

int32_t GetColorPattern(void*, char* buffer) {
  return test_plugin::NameList({"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8"}, buffer);
}

int32_t GetTemplateColorSampleDIB(int32_t index, void* buffer) {
  if (buffer != nullptr) std::memset(buffer, index, 64);
  return 64;
}

int32_t MakeHtmlFile(const char* dayFolder, const OrrivanPhotoRecord* images, int32_t imageCount,
                     int32_t templateIndex, int32_t colorIndex, int32_t printButton,
                     int32_t tempSize, const char* mailName, const char* dayTitle) {
  return test_plugin::RecordCall("B", dayFolder, images, imageCount, templateIndex, colorIndex,
                                 printButton, tempSize, mailName, dayTitle);
}

}  // extern "C"
