// The template plug-in host: finds the plug-ins of the two plug-in folders, asks them for their
// templates, colour patterns, descriptions and samples, and has them write day pages. A library is
// loaded for one use and unloaded again; nothing stays loaded between uses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_records.h"

namespace orrivan {

class CRKCardAlbumDoc;

// One template that a plug-in offers.
struct PluginTemplate {
  std::string title;
  int index = 0;                  // within its plug-in
  std::filesystem::path library;  // the plug-in file
  std::string reference;          // as stored in "DllPath": "./Plugins/<file>"
};

struct TemplateIndexes {
  int templateIndex = 0;
  int colorIndex = 0;
  bool operator==(const TemplateIndexes&) const = default;
};

// --- where plug-ins come from ---

// The home folder's "Plugins", then the bundled plug-in folder. Nothing else is ever searched: a
// plug-in never loads from the current folder.
std::vector<std::filesystem::path> PluginFolders();
// Replaces the two folders (tests); an empty list restores them.
void SetPluginFoldersForTesting(std::vector<std::filesystem::path> folders);

// "./Plugins/" + the file's name.
std::string PluginReference(const std::filesystem::path& library);
// The plug-in file a stored reference names ("./Plugins/x.so"; ".\Plugins\x.so" of older albums
// and settings works too), looked up in the plug-in folders in order; only a plain file name is
// accepted, and only a file that IsTrustedPluginFile.
std::optional<std::filesystem::path> FindPluginLibrary(std::string_view reference);
// A regular file that nobody but its owner may write (no group or other write bit). Anyone who
// could rewrite a plug-in could run code in every later session of the program.
bool IsTrustedPluginFile(const std::filesystem::path& library);

// --- asking the plug-ins ---

// Every template of every plug-in, sorted ascending by case-insensitive title; equal titles keep
// the order in which their plug-ins were listed (home folder first, file names in byte order). A
// file name present in the home folder hides the bundled file of that name.
std::vector<PluginTemplate> ListPluginTemplates();
// The first template of that list: the choice made when none is stored.
std::optional<PluginTemplate> ScanPlugins();

std::vector<std::string> PluginColorPatterns(const std::filesystem::path& library);
// Empty when the plug-in has none (size below 1) or no such export.
std::string PluginTemplateSummary(const std::filesystem::path& library, int templateIndex);
// The packed bitmap of a colour pattern; empty unless the plug-in wrote exactly the size it named.
std::vector<uint8_t> PluginColorSample(const std::filesystem::path& library, int colorIndex);

// --- day pages ---

// The indexes that a day's template text ("title,colour") names in the bundled tables: the first
// of the four titles found in it (4 when none) and the first of the seventeen colours (17 when
// none).
TemplateIndexes DeriveTemplateIndexes(std::string_view templateText);
// "TemplateTypeNo" and "TemplateBackNo": what an import uses for its new days.
TemplateIndexes SelectedTemplateIndexes();

// Has the plug-in of pluginReference write INDEX.HTM in dayFolder for these pictures (album order).
// "PrintButton", "TempSize" and "MailName" are read from the settings here. Returns the plug-in's
// result: 0 when the library or its MakeHtmlFile export is missing, or it failed.
int CallMakeHtmlFile(const std::filesystem::path& dayFolder, std::string_view pluginReference,
                     int templateIndex, int colorIndex, std::span<const CPhotoData* const> pictures,
                     std::string_view title);
// The same with the day's pictures and title taken from the album: the day is selected by the
// last component of dayFolder. Like the album's own query, this replaces its picture results.
int CallMakeHtmlFile(CRKCardAlbumDoc& album, const std::filesystem::path& dayFolder,
                     std::string_view pluginReference, int templateIndex, int colorIndex);

// The day page of one day through the selected plug-in ("DllPath"), with the indexes derived from
// the day's own template text. For imports, rebuilds and the maintenance views.
int MakeDayPage(const CAlbumData& day, std::span<const CPhotoData> pictures);
int MakeDayPage(const CAlbumData& day, std::span<const CPhotoData> pictures,
                TemplateIndexes indexes);
// The pictures as the album lists them for the day (replaces the album's picture results).
int MakeDayPage(CRKCardAlbumDoc& album, const CAlbumData& day);

}  // namespace orrivan
