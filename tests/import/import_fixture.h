// A home folder, a settings file, a Trash and a card for one import test.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "support/fake_interaction.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace orrivan::test {

inline std::time_t LocalTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

inline void SetModified(const std::filesystem::path& file, std::time_t modified) {
  const timespec times[2] = {{modified, 0}, {modified, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// Every regular file under a folder, relative path -> bytes.
inline std::map<std::string, std::string> TreeOf(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  if (!std::filesystem::exists(root, ec)) return files;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file()) files[std::filesystem::relative(it->path(), root).string()] = ReadFile(it->path());
  }
  return files;
}

class ImportFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = dir_ / "home";
    std::filesystem::create_directories(home_);
    SetHomeFolder(home_);
    settings::UseFile(home_ / "Orrivan.conf");
    oldXdg_ = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    ::setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1);
    card_ = dir_ / "card";
    dcim_ = card_ / "DCIM";
    library_ = home_ / "Image Library";
  }
  void TearDown() override {
    settings::UseFile({});
    if (oldXdg_.empty()) {
      ::unsetenv("XDG_DATA_HOME");
    } else {
      ::setenv("XDG_DATA_HOME", oldXdg_.c_str(), 1);
    }
  }

  // A camera picture with a shooting date ("YYYY:MM:DD HH:MM:SS"; empty = no Exif at all).
  std::filesystem::path Picture(const std::filesystem::path& path, const std::string& shot, std::uint32_t seed = 1,
                                int orientation = 1) {
    JpegSpec params;
    params.width = 48;
    params.height = 32;
    params.seed = seed;
    if (!shot.empty()) {
      ExifSpec exif;
      exif.dateTimeOriginal = shot;
      exif.orientation = orientation;
      params.exif = exif;
    }
    WriteJpeg(path, params);
    return path;
  }
  std::filesystem::path Memo(const std::filesystem::path& path, std::time_t modified) {
    WriteWav(path, 0.05, 8000);
    SetModified(path, modified);
    return path;
  }

  TempDir dir_{"orrivan-import"};
  std::filesystem::path home_, card_, dcim_, library_;
  std::string oldXdg_;
  FakeInteraction ui_;
};

}  // namespace orrivan::test
