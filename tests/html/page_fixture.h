// A small library in a temporary home folder for the page writer tests: day folders with pictures,
// previews of chosen sizes and day pages, recorded in an album document.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/paths.h"
#include "base/settings.h"
#include "library/album_document.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"

namespace orrivan::test {

struct PictureSpec {
  std::string file;         // name in the day folder ("A.JPG", "M.AVI", "X.JPG.lnk")
  int previewWidth = 320;   // 0: no preview file
  int previewHeight = 240;
  std::string stamp = "20040315120000";  // shooting moment, 14 digits
};

class PageLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = dir_.path() / "home";
    root_ = home_ / "Image Library";
    std::filesystem::create_directories(root_);
    settings::UseFile(dir_.path() / "Orrivan.conf");
    SetHomeFolder(home_);
    album_.SetGenerationRotation(false);
  }

  // A day folder with its pictures, previews and day page, recorded in the album.
  void AddDay(const std::string& name, const std::string& title, const std::vector<PictureSpec>& pictures) {
    std::filesystem::path folder = root_ / name;
    std::filesystem::create_directories(folder / "PREVIEW");
    WriteFile(folder / "INDEX.HTM", "<HTML></HTML>\r\n");
    CAlbumData day;
    day.folderPath = folder.string();
    day.pagePath = (folder / "INDEX.HTM").string();
    day.title = title;
    day.pictureCount = static_cast<int32_t>(pictures.size());
    album_.AddDay(day);
    int seed = 1;
    for (const PictureSpec& params : pictures) {
      std::filesystem::path file = folder / params.file;
      if (params.file.size() > 4 && params.file.substr(params.file.size() - 4) == ".lnk") {
        // A shortcut day: the file is a link to a picture elsewhere.
        std::filesystem::path source = dir_.path() / "card" / params.file.substr(0, params.file.size() - 4);
        WriteFile(source, "picture");
        std::filesystem::create_symlink(source, file);
      } else {
        WriteFile(file, "picture");
      }
      if (params.previewWidth > 0) {
        JpegSpec jpeg;
        jpeg.width = params.previewWidth;
        jpeg.height = params.previewHeight;
        jpeg.seed = static_cast<uint32_t>(seed++);
        WriteJpeg(folder / "PREVIEW" / PreviewName(params.file), jpeg);
      }
      CPhotoData picture;
      picture.filePath = file.string();
      picture.year = params.stamp.substr(0, 4);
      picture.month = params.stamp.substr(4, 2);
      picture.day = params.stamp.substr(6, 2);
      picture.hour = params.stamp.substr(8, 2);
      picture.minute = params.stamp.substr(10, 2);
      picture.second = params.stamp.substr(12, 2);
      album_.AddPicture(picture);
    }
  }

  // The preview names the import writes.
  static std::string PreviewName(std::string name) {
    if (name.size() > 4 && name.substr(name.size() - 4) == ".lnk") name.resize(name.size() - 4);
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".WAV") return name.substr(0, name.size() - 4) + ".JPG";
    if (ext == ".AVI") return name.substr(0, name.size() - 4) + "a.JPG";
    return name.substr(0, name.size() - 4) + ext;
  }

  // The small library of the byte-exact tests: three plain days in two months of two years, a dated
  // folder, an old six-character folder and an extra folder.
  void AddSmallLibrary() {
    AddDay("20040315", "Spring", {{"A.JPG", 320, 240, "20040315100000"}, {"B.JPG", 240, 320, "20040315110000"}});
    AddDay("20040320", "", {{"M.AVI", 320, 240, "20040320100000"}});
    AddDay("20050102", "New year", {{"W.WAV", 320, 240, "20050102100000"}});
    AddDay("20040318_01", "Dated", {{"D.JPG", 320, 240, "20040318100000"}});
    AddDay("040310", "", {{"C.JPG", 100, 100, "20040310100000"}});
    AddDay("20040300_trip", "Trip", {{"T.JPG", 200, 300, "20040301100000"}});
  }

  static std::string Bytes(const std::string& utf8) { return cp932::Encode(utf8); }

  TempDir dir_{"orrivan-pages"};
  std::filesystem::path home_;
  std::filesystem::path root_;
  CRKCardAlbumDoc album_{std::filesystem::path{}};
};

// Lines joined with CR LF after each.
inline std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace orrivan::test
