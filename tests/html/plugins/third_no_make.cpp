// Test plug-in with a template but without the MakeHtmlFile export.
#include "test_plugin.h"

extern "C" {

int32_t GetPluginTitle(void*, char* buffer) {
  return test_plugin::NameList({"zz no writer"}, buffer);
}

}  // extern "C"
