// orrivan-cli album dump [FILE]: every day record and picture record of an album file, in file
// order, one per line with all fields (tab-separated name=value, text in UTF-8).
#include <cstdio>
#include <string>

#include "base/paths.h"
#include "cli/commands.h"
#include "library/album_file.h"
#include "library/layout.h"

namespace orrivan::cli {
namespace {

// Keeps one record on one line whatever its titles hold.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

void Dump(const std::string& file) {
  const std::filesystem::path path = file.empty() ? HomeFolder() / layout::kAlbumFileName : std::filesystem::path(file);
  AlbumContents album;
  const AlbumError error = ReadAlbumFile(path, album);
  if (error != AlbumError::None) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), AlbumErrorText(error));
    Exit(kExitFailed);
  }
  size_t i = 0;
  for (const CAlbumData& d : album.days) {
    std::printf(
        "day\t%zu\ttag=%s\ttitle=%s\tfolder=%s\tpage=%s\ttemplate=%s\ttotal=%d\tcount=%d\tshortcut=%d\t"
        "print=%d\treserved=%d\tmail=%s\n",
        i++, Escaped(d.formatTag).c_str(), Escaped(d.title).c_str(), Escaped(d.folderPath).c_str(),
        Escaped(d.pagePath).c_str(), Escaped(d.templateName).c_str(), d.totalSize, d.pictureCount, d.shortcutDay,
        d.printButton, d.reserved, Escaped(d.mailName).c_str());
  }
  i = 0;
  for (const CPhotoData& p : album.pictures) {
    std::printf("picture\t%zu\tpath=%s\tyear=%s\tmonth=%s\tday=%s\thour=%s\tminute=%s\tsecond=%s\tsize=%d\tflag=%d\n",
                i++, Escaped(p.filePath).c_str(), Escaped(p.year).c_str(), Escaped(p.month).c_str(),
                Escaped(p.day).c_str(), Escaped(p.hour).c_str(), Escaped(p.minute).c_str(),
                Escaped(p.second).c_str(), p.size, p.flag);
  }
  std::printf("%zu days, %zu pictures\n", album.days.size(), album.pictures.size());
}

}  // namespace

void AddAlbumCommands(CLI::App& app) {
  CLI::App* album = app.add_subcommand("album", "Album file tools");
  album->require_subcommand(1);
  CLI::App* dump = album->add_subcommand("dump", "Print every record of an album file (default: the working album)");
  auto file = std::make_shared<std::string>();
  dump->add_option("file", *file, "Album file");
  dump->callback([file] { Dump(*file); });
}

}  // namespace orrivan::cli
