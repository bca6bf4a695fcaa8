// The day page of the bundled templates: one INDEX.HTM per day folder showing every picture as its
// preview linked to the file, movies likewise, voice memos as players, in one of four layouts.
#pragma once

#include <string>
#include <vector>

namespace orrivan::templates {

inline constexpr int kTemplateCount = 4;

// Template 1 and 3 ("タイプ２", "タイプ４") are the plain layouts without PRINT and MAIL buttons.
bool TemplateHasButtons(int templateIndex);

struct DayPhoto {
  std::string filePath;  // absolute
  std::string year, month, day, hour, minute, second;
  long long size = 0;
};

struct DayPageRequest {
  std::string dayFolder;  // absolute, no trailing "/"
  std::string title;
  std::vector<DayPhoto> photos;  // album order
  int templateIndex = 0;         // in [0, kTemplateCount)
  int colorIndex = 7;            // in [0, kColorPatternCount)
  int printButton = 0;           // 0 = offer PRINT
  int tempSize = 0;              // 0 = 640x480, 1 = 320x240
  std::string mailName;          // the no-mail text or empty = no MAIL button
};

// The page as UTF-8 text with CR LF line ends. Reads the day folder to find which previews exist.
std::string BuildDayPage(const DayPageRequest& request);

// Writes INDEX.HTM into the day folder in code page 932, replacing an existing page only once the
// new one is complete. False when the folder cannot be written.
bool WriteDayPage(const std::string& dayFolder, const std::string& pageUtf8);

}  // namespace orrivan::templates
