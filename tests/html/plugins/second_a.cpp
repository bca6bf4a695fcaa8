// Test plug-in listed second: templates "a" and "same", only three colours, no summary, a sample
// whose byte count does not match the size it announced.
#include "test_plugin.h"

extern "C" {

int32_t GetPluginTitle(void*, char* buffer) { return test_plugin::NameList({"a", "same"}, buffer); }

int32_t GetTemplateSummary(int32_t, char*) { return 0; }

int32_t GetColorPattern(void*, char* buffer) {
  return test_plugin::NameList({"red", "green", "blue"}, buffer);
}

int32_t GetTemplateColorSampleDIB(int32_t, void* buffer) {
  if (buffer != nullptr) {
    std::memset(buffer, 0, 32);
    return 31;
  }
  return 32;
}

int32_t MakeHtmlFile(const char* dayFolder, const OrrivanPhotoRecord* images, int32_t imageCount,
                     int32_t templateIndex, int32_t colorIndex, int32_t printButton,
                     int32_t tempSize, const char* mailName, const char* dayTitle) {
  return test_plugin::RecordCall("a", dayFolder, images, imageCount, templateIndex, colorIndex,
                                 printButton, tempSize, mailName, dayTitle);
}

}  // extern "C"
