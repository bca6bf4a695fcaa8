// Writes the small sample card that ./run imports: a DCF folder with a dozen pictures over three
// shooting days, a portrait that needs turning, a movie, a picture with its voice memo and a picture
// without a shooting date. Usage: make_sample_card <card root>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/avi_writer.h"
#include "support/jpeg_writer.h"
#include "support/wav_writer.h"

namespace fs = std::filesystem;
using namespace orrivan::test;

namespace {

void Picture(const fs::path& folder, int number, const char* date, int seed, int orientation = 1,
             bool exif = true) {
  JpegSpec params;
  params.width = 320;
  params.height = 240;
  params.quality = 80;
  params.seed = static_cast<std::uint32_t>(seed);
  if (exif) {
    ExifSpec e;
    e.dateTimeOriginal = date;
    e.orientation = orientation;
    e.model = "RKC-500";
    params.exif = e;
  }
  char name[32];
  std::snprintf(name, sizeof name, "RKCM%04d.JPG", number);
  WriteJpeg(folder / name, params);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_card <card root>\n");
    return 2;
  }
  const fs::path folder = fs::path(argv[1]) / "DCIM" / "100RKCAM";
  fs::create_directories(folder);
  const char* days[] = {"2026:05:03 09:%02d:00", "2026:05:04 14:%02d:00", "2026:05:05 18:%02d:00"};
  int number = 1;
  for (int day = 0; day < 3; ++day) {
    for (int i = 0; i < 4; ++i) {
      char date[32];
      std::snprintf(date, sizeof date, days[day], 10 + i * 7);
      // The second picture of the second day was taken upright: the camera says "turn clockwise".
      Picture(folder, number, date, number * 17, day == 1 && i == 1 ? 6 : 1);
      ++number;
    }
  }
  // A picture with its voice memo.
  Picture(folder, number, "2026:05:05 19:00:00", 99);
  char memo[32];
  std::snprintf(memo, sizeof memo, "RKCM%04d.WAV", number);
  WriteWav(folder / memo, 0.25, 8000);
  ++number;
  // A movie, and a picture whose camera wrote no Exif.
  char movie[32];
  std::snprintf(movie, sizeof movie, "RKCM%04d.AVI", number++);
  AviSpec avi;
  avi.width = 160;
  avi.height = 120;
  avi.framesPerSecond = 5;
  if (!WriteAvi(folder / movie, avi)) return 1;
  Picture(folder, number, "", 7, 1, false);
  return 0;
}
