// The five exports of the bundled template plug-in: four templates, seventeen colour patterns,
// their descriptions and sample pictures, and the day page writer.
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "color_patterns.h"
#include "day_page.h"
#include "html/plugin_api.h"
#include "html/plugin_names.h"

namespace {

using namespace orrivan::templates;

static_assert(orrivan::kTemplateTitles.size() == kTemplateCount);
static_assert(orrivan::kDefaultColorPattern == kFallbackColorPattern);

constexpr std::array<std::string_view, kTemplateCount> kSummaries = {
    "タイプ１：縮小画像を４列の格子に並べます。画像をクリックすると元の画像を表示します。"
    "PRINTボタンとMAILボタンが付きます。",
    "タイプ２：大きな画像を１枚ずつ並べ、横にファイル名・撮影日時・サイズを表示します。"
    "PRINTボタンとMAILボタンは付きません。",
    "タイプ３：小さな画像とファイル名・撮影日時・種類・サイズを一覧表にします。"
    "PRINTボタンとMAILボタンが付きます。",
    "タイプ４：大きな画像を中央に１枚ずつ表示し、下に番号と撮影日時を添えます。"
    "PRINTボタンとMAILボタンは付きません。",
};

// A name list: per entry one length byte L (= name bytes + 2), the name and its zero.
template <size_t N>
int32_t WriteNameList(const std::array<std::string_view, N>& names, char* buffer) {
  int32_t size = 0;
  for (std::string_view name : names) size += static_cast<int32_t>(name.size()) + 2;
  if (buffer == nullptr) return size;
  char* at = buffer;
  for (std::string_view name : names) {
    *at = static_cast<char>(name.size() + 2);
    std::memcpy(at + 1, name.data(), name.size());
    at[1 + name.size()] = '\0';
    at += name.size() + 2;
  }
  return static_cast<int32_t>(N);
}

std::string Text(const char* text) { return text ? text : ""; }

bool IsFolder(const char* path) {
  struct stat st {};
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

extern "C" {

int32_t GetPluginTitle(void* /*module*/, char* buffer) {
  return WriteNameList(orrivan::kTemplateTitles, buffer);
}

int32_t GetTemplateSummary(int32_t templateIndex, char* buffer) {
  if (templateIndex < 0 || templateIndex >= kTemplateCount) return 0;
  const std::string_view summary = kSummaries[templateIndex];
  if (buffer != nullptr) {
    std::memcpy(buffer, summary.data(), summary.size());
    buffer[summary.size()] = '\0';
  }
  return static_cast<int32_t>(summary.size() + 1);
}

int32_t GetColorPattern(void* /*module*/, char* buffer) {
  return WriteNameList(orrivan::kColorPatternNames, buffer);
}

int32_t GetTemplateColorSampleDIB(int32_t colorIndex, void* buffer) {
  if (colorIndex < 0 || colorIndex >= kColorPatternCount) return 0;
  const std::vector<uint8_t> dib = SampleDib(colorIndex);
  if (buffer != nullptr) std::memcpy(buffer, dib.data(), dib.size());
  return static_cast<int32_t>(dib.size());
}

int32_t MakeHtmlFile(const char* dayFolder, const OrrivanPhotoRecord* images, int32_t imageCount,
                     int32_t templateIndex, int32_t colorIndex, int32_t printButton,
                     int32_t tempSize, const char* mailName, const char* dayTitle) {
  if (dayFolder == nullptr || *dayFolder == '\0' || imageCount < 0 ||
      (imageCount > 0 && images == nullptr) || !IsFolder(dayFolder)) {
    return 0;
  }
  std::string folder = dayFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

  // A day record that names none of the templates or colours (a rebuild passes 4 and 17) keeps
  // the page it has; a day without one gets the default look rather than none.
  if (templateIndex < 0 || templateIndex >= kTemplateCount || colorIndex < 0 ||
      colorIndex >= kColorPatternCount) {
    if (IsFile(folder + "/INDEX.HTM")) return 1;
    templateIndex = 0;
    colorIndex = kFallbackColorPattern;
  }

  DayPageRequest request;
  request.dayFolder = folder;
  request.title = Text(dayTitle);
  request.templateIndex = templateIndex;
  request.colorIndex = colorIndex;
  request.printButton = printButton;
  request.tempSize = tempSize;
  request.mailName = Text(mailName);
  for (int32_t i = 0; i < imageCount; ++i) {
    const OrrivanPhotoRecord& record = images[i];
    if (record.filePath == nullptr) continue;
    request.photos.push_back({record.filePath, Text(record.year), Text(record.month),
                              Text(record.day), Text(record.hour), Text(record.minute),
                              Text(record.second), record.size});
  }
  return WriteDayPage(folder, BuildDayPage(request)) ? 1 : 0;
}

}  // extern "C"
