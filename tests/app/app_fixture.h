// A home folder with a library for the start-up, rebuild and relocation tests: settings file, Trash
// and plug-in folders inside the test's own folder, day folders with pictures and previews, and
// album files written with the album writer.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "library/album_document.h"
#include "library/album_file.h"
#include "support/home_fixture.h"
#include "support/jpeg_writer.h"

namespace orrivan::test {

class AppLibrary : public HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    UseTestPluginFolders(home_);
  }
  void TearDown() override { SetPluginFoldersForTesting({}); }

  static CPhotoData Picture(const std::string& path, const std::string& stamp) {
    CPhotoData picture;
    picture.filePath = path;
    picture.year = stamp.substr(0, 4);
    picture.month = stamp.substr(4, 2);
    picture.day = stamp.substr(6, 2);
    picture.hour = stamp.substr(8, 2);
    picture.minute = stamp.substr(10, 2);
    picture.second = stamp.substr(12, 2);
    picture.size = 7;
    return picture;
  }

  static CAlbumData Day(const std::string& folder, const std::string& title, int count) {
    CAlbumData day;
    day.folderPath = folder;
    day.pagePath = folder + "/INDEX.HTM";
    day.title = title;
    day.pictureCount = count;
    day.totalSize = 7 * count;
    day.templateName = "タイプ１,ｸﾞﾘｰﾝ/ｸﾞﾚｰ";
    day.mailName = kNoMailProgram;
    return day;
  }

  // A day folder under `root` with its pictures (and their previews), recorded in `contents`.
  void MakeDay(AlbumContents& contents, const std::filesystem::path& root, const std::string& name,
               const std::vector<std::string>& files, const std::string& title = "") {
    const std::filesystem::path folder = root / name;
    std::filesystem::create_directories(folder / "PREVIEW");
    contents.days.push_back(Day(folder.string(), title, static_cast<int>(files.size())));
    int seed = 1;
    for (const std::string& file : files) {
      WriteFile(folder / file, "picture");
      JpegSpec jpeg;
      jpeg.width = 320;
      jpeg.height = 240;
      jpeg.seed = static_cast<uint32_t>(seed++);
      WriteJpeg(folder / "PREVIEW" / file, jpeg);
      contents.pictures.push_back(Picture((folder / file).string(), name.substr(0, 8) + "120000"));
    }
  }

  std::filesystem::path Working() const { return home_ / "Orrivan.rks"; }
  std::filesystem::path LibraryCopy() const { return root_ / "Orrivan.rks"; }
  std::filesystem::path Generation(int n) const { return home_ / ("Orrivan.rk" + std::to_string(n)); }

};

}  // namespace orrivan::test
