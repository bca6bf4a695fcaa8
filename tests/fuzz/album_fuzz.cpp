// libFuzzer entry over the album reader, the document load and the previous-format upgrade. A file
// that loads must save to bytes that load again to the same records.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_document.h"
#include "library/album_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  orrivan::AlbumContents contents;
  if (orrivan::ReadAlbumBytes(bytes, contents) == orrivan::AlbumError::None) {
    const std::string saved = orrivan::WriteAlbumBytes(contents);
    orrivan::AlbumContents again;
    if (orrivan::ReadAlbumBytes(saved, again) != orrivan::AlbumError::None) std::abort();
    if (again.days.size() != contents.days.size() || again.pictures.size() != contents.pictures.size()) std::abort();
    // Saving what was read back is stable.
    if (orrivan::WriteAlbumBytes(again) != saved) std::abort();
  } else if (!contents.days.empty() || !contents.pictures.empty()) {
    std::abort();  // a refused file loads nothing
  }

  static orrivan::CRKCardAlbumDoc* doc = [] {
    auto* d = new orrivan::CRKCardAlbumDoc("/nonexistent-orrivan-fuzz-home");
    d->SetGenerationRotation(false);
    return d;
  }();
  if (doc->Load(bytes) == orrivan::AlbumError::None) {
    std::vector<std::string> months;
    doc->MonthsPresent(months);
    doc->DaysOfMonth("2007", "03");
    for (const orrivan::CAlbumData& day : doc->Days()) {
      doc->FindDayPosition(day.folderPath);
      doc->DisplayDate(day.folderPath);
    }
    (void)doc->SaveBytes();
  }

  std::string upgraded;
  if (orrivan::UpgradeAlbumBytes(bytes, upgraded) && upgraded.size() > size * 3 + 64) std::abort();
  return 0;
}
