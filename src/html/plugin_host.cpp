// The template plug-in host. Plug-ins are outside code: every size and buffer they hand back is
// checked before it is read, and a library is only loaded from the plug-in folders after its file
// passed IsTrustedPluginFile.
#include "html/plugin_host.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "base/paths.h"
#include "base/settings.h"
#include "html/plugin_api.h"
#include "html/plugin_name_list.h"
#include "html/plugin_names.h"
#include "library/album_document.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

// Anything larger from a plug-in is taken as a fault, not as a request for memory.
constexpr int32_t kMaxPluginBuffer = 16 * 1024 * 1024;

std::mutex& FolderMutex() {
  static std::mutex m;
  return m;
}

std::vector<fs::path>& FolderOverride() {
  static std::vector<fs::path> folders;
  return folders;
}

// One loaded plug-in library, unloaded when it goes out of scope.
class PluginLibrary {
 public:
  static std::optional<PluginLibrary> Open(const fs::path& file) {
    // An absolute path keeps the loader from searching anywhere else.
    if (!file.is_absolute() || !IsTrustedPluginFile(file)) return std::nullopt;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return std::nullopt;
    return PluginLibrary(handle);
  }
  PluginLibrary(PluginLibrary&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  PluginLibrary& operator=(PluginLibrary&&) = delete;
  ~PluginLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }

  template <class Fn>
  Fn Find(const char* name) const {
    return reinterpret_cast<Fn>(dlsym(handle_, name));
  }
  void* Handle() const { return handle_; }

 private:
  explicit PluginLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

// Calls a name-list export twice (size, then contents) and parses the result.
template <class Fn>
std::vector<std::string> NameListFrom(const PluginLibrary& plugin, const char* exportName) {
  const auto fn = plugin.Find<Fn>(exportName);
  if (fn == nullptr) return {};
  const int32_t size = fn(plugin.Handle(), nullptr);
  if (size < 1 || size > kMaxPluginBuffer) return {};
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  const int32_t count = fn(plugin.Handle(), buffer.data());
  return ParseNameList(buffer, count);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessIgnoreCase(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
  });
}

// The plug-in files of one folder, by name in byte order (a listing's own order is arbitrary).
std::vector<fs::path> LibrariesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& file = it->path();
    if (file.extension() == ".so" && it->is_regular_file(ec)) files.push_back(file);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string DayTitle(const CRKCardAlbumDoc& album, const fs::path& dayFolder) {
  CAlbumData day;
  return album.FindDay(dayFolder.string(), day) ? day.title : std::string();
}

}  // namespace

std::vector<fs::path> PluginFolders() {
  {
    std::lock_guard lock(FolderMutex());
    if (!FolderOverride().empty()) return FolderOverride();
  }
  return {HomePluginFolder(), BundledPluginFolder()};
}

void SetPluginFoldersForTesting(std::vector<fs::path> folders) {
  std::lock_guard lock(FolderMutex());
  FolderOverride() = std::move(folders);
}

std::string PluginReference(const fs::path& library) {
  return "./Plugins/" + library.filename().string();
}

std::optional<fs::path> FindPluginLibrary(std::string_view reference) {
  const std::string stored = NormaliseStoredPath(reference);
  const size_t slash = stored.rfind('/');
  const std::string name = slash == std::string::npos ? stored : stored.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  for (const fs::path& folder : PluginFolders()) {
    if (!folder.is_absolute()) continue;
    const fs::path candidate = folder / name;
    std::error_code ec;
    if (fs::exists(candidate, ec) && IsTrustedPluginFile(candidate)) return candidate;
  }
  return std::nullopt;
}

bool IsTrustedPluginFile(const fs::path& library) {
  struct stat st {};
  if (stat(library.c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::vector<PluginTemplate> ListPluginTemplates() {
  std::vector<PluginTemplate> templates;
  std::vector<std::string> seenNames;
  for (const fs::path& folder : PluginFolders()) {
    if (!folder.is_absolute()) continue;
    for (const fs::path& file : LibrariesIn(folder)) {
      const std::string name = file.filename().string();
      if (std::find(seenNames.begin(), seenNames.end(), name) != seenNames.end()) continue;
      seenNames.push_back(name);
      const auto plugin = PluginLibrary::Open(file);
      if (!plugin) continue;
      const auto titles =
          NameListFrom<OrrivanGetPluginTitleFn>(*plugin, ORRIVAN_EXPORT_GET_PLUGIN_TITLE);
      for (size_t i = 0; i < titles.size(); ++i) {
        templates.push_back({titles[i], static_cast<int>(i), file, PluginReference(file)});
      }
    }
  }
  std::stable_sort(templates.begin(), templates.end(),
                   [](const PluginTemplate& a, const PluginTemplate& b) {
                     return LessIgnoreCase(a.title, b.title);
                   });
  return templates;
}

std::optional<PluginTemplate> ScanPlugins() {
  auto templates = ListPluginTemplates();
  if (templates.empty()) return std::nullopt;
  return std::move(templates.front());
}

std::vector<std::string> PluginColorPatterns(const fs::path& library) {
  const auto plugin = PluginLibrary::Open(library);
  if (!plugin) return {};
  return NameListFrom<OrrivanGetColorPatternFn>(*plugin, ORRIVAN_EXPORT_GET_COLOR_PATTERN);
}

std::string PluginTemplateSummary(const fs::path& library, int templateIndex) {
  const auto plugin = PluginLibrary::Open(library);
  if (!plugin) return {};
  const auto fn = plugin->Find<OrrivanGetTemplateSummaryFn>(ORRIVAN_EXPORT_GET_TEMPLATE_SUMMARY);
  if (fn == nullptr) return {};
  const int32_t size = fn(templateIndex, nullptr);
  if (size < 1 || size > kMaxPluginBuffer) return {};
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  fn(templateIndex, buffer.data());
  // The text ends at its zero, or at the end of the buffer when the plug-in wrote none.
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::vector<uint8_t> PluginColorSample(const fs::path& library, int colorIndex) {
  const auto plugin = PluginLibrary::Open(library);
  if (!plugin) return {};
  const auto fn = plugin->Find<OrrivanGetTemplateColorSampleDIBFn>(
      ORRIVAN_EXPORT_GET_TEMPLATE_COLOR_SAMPLE_DIB);
  if (fn == nullptr) return {};
  const int32_t size = fn(colorIndex, nullptr);
  if (size < 1 || size > kMaxPluginBuffer) return {};
  std::vector<uint8_t> buffer(static_cast<size_t>(size), 0);
  if (fn(colorIndex, buffer.data()) != size) return {};
  return buffer;
}

TemplateIndexes DeriveTemplateIndexes(std::string_view templateText) {
  TemplateIndexes indexes{static_cast<int>(kTemplateTitles.size()),
                          static_cast<int>(kColorPatternNames.size())};
  for (size_t i = 0; i < kTemplateTitles.size(); ++i) {
    if (templateText.find(kTemplateTitles[i]) != std::string_view::npos) {
      indexes.templateIndex = static_cast<int>(i);
      break;
    }
  }
  // Table order matters: "ﾌﾞﾙｰ/ﾎﾜｲﾄ" is part of "ﾌｧﾝｼｰﾌﾞﾙｰ/ﾎﾜｲﾄ", which comes first.
  for (size_t i = 0; i < kColorPatternNames.size(); ++i) {
    if (templateText.find(kColorPatternNames[i]) != std::string_view::npos) {
      indexes.colorIndex = static_cast<int>(i);
      break;
    }
  }
  return indexes;
}

TemplateIndexes SelectedTemplateIndexes() {
  return {settings::GetInt(settings::Key::TemplateTypeNo),
          settings::GetInt(settings::Key::TemplateBackNo)};
}

int CallMakeHtmlFile(const fs::path& dayFolder, std::string_view pluginReference, int templateIndex,
                     int colorIndex, std::span<const CPhotoData* const> pictures,
                     std::string_view title) {
  const auto library = FindPluginLibrary(pluginReference);
  if (!library) return 0;
  const auto plugin = PluginLibrary::Open(*library);
  if (!plugin) return 0;
  const auto make = plugin->Find<OrrivanMakeHtmlFileFn>(ORRIVAN_EXPORT_MAKE_HTML_FILE);
  if (make == nullptr) return 0;

  std::string folder = NormaliseStoredPath(dayFolder.string());
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::vector<std::string> paths;
  paths.reserve(pictures.size());
  for (const CPhotoData* picture : pictures)
    paths.push_back(NormaliseStoredPath(picture->filePath));
  std::vector<OrrivanPhotoRecord> records;
  records.reserve(pictures.size());
  for (size_t i = 0; i < pictures.size(); ++i) {
    const CPhotoData& p = *pictures[i];
    records.push_back({paths[i].c_str(), p.year.c_str(), p.month.c_str(), p.day.c_str(),
                       p.hour.c_str(), p.minute.c_str(), p.second.c_str(), p.size, p.flag});
  }
  const std::string mailName = settings::GetString(settings::Key::MailName);
  const std::string dayTitle(title);
  return make(folder.c_str(), records.data(), static_cast<int32_t>(records.size()), templateIndex,
              colorIndex, settings::GetInt(settings::Key::PrintButton),
              settings::GetInt(settings::Key::TempSize), mailName.c_str(), dayTitle.c_str());
}

int CallMakeHtmlFile(CRKCardAlbumDoc& album, const fs::path& dayFolder,
                     std::string_view pluginReference, int templateIndex, int colorIndex) {
  const std::string dayName = fs::path(NormaliseStoredPath(dayFolder.string())).filename().string();
  album.PicturesOfDay(dayName);
  const std::vector<const CPhotoData*> pictures = album.PictureResults();
  return CallMakeHtmlFile(dayFolder, pluginReference, templateIndex, colorIndex, pictures,
                          DayTitle(album, dayFolder));
}

int MakeDayPage(const CAlbumData& day, std::span<const CPhotoData> pictures) {
  return MakeDayPage(day, pictures, DeriveTemplateIndexes(day.templateName));
}

int MakeDayPage(const CAlbumData& day, std::span<const CPhotoData> pictures,
                TemplateIndexes indexes) {
  std::vector<const CPhotoData*> list;
  list.reserve(pictures.size());
  for (const CPhotoData& picture : pictures) list.push_back(&picture);
  return CallMakeHtmlFile(day.folderPath, settings::GetString(settings::Key::DllPath),
                          indexes.templateIndex, indexes.colorIndex, list, day.title);
}

int MakeDayPage(CRKCardAlbumDoc& album, const CAlbumData& day) {
  const std::string dayName = fs::path(NormaliseStoredPath(day.folderPath)).filename().string();
  album.PicturesOfDay(dayName);
  const std::vector<const CPhotoData*> pictures = album.PictureResults();
  const TemplateIndexes indexes = DeriveTemplateIndexes(day.templateName);
  return CallMakeHtmlFile(day.folderPath, settings::GetString(settings::Key::DllPath),
                          indexes.templateIndex, indexes.colorIndex, pictures, day.title);
}

}  // namespace orrivan
