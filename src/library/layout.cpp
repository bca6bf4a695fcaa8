// Library layout and day folder naming. The three century rules for two-digit years each belong to
// their own callers and disagree for the years 90..94; they are kept apart on purpose.
#include "library/layout.h"

#include <algorithm>
#include <cctype>

#include "base/cp932.h"
#include "base/paths.h"
#include "base/settings.h"

namespace orrivan::layout {
namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Substring that never throws: out-of-range parts are simply shorter.
std::string_view Mid(std::string_view s, size_t pos, size_t count = std::string_view::npos) {
  if (pos >= s.size()) return {};
  return s.substr(pos, count);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsLibraryComponent(std::string_view part) {
  return EqualsIgnoreCase(part, kLibraryFolderName) || EqualsIgnoreCase(part, kOldLibraryFolderName);
}

}  // namespace

std::filesystem::path LibraryRoot() {
  return std::filesystem::path(settings::GetString(settings::Key::SaveFolder));
}

std::filesystem::path HtmlFolder() { return HomeFolder() / kHtmlFolderName; }
std::filesystem::path ListFramePage() { return HomeFolder() / kListFramePageName; }
std::filesystem::path CalendarFramePage() { return HomeFolder() / kCalendarFramePageName; }
std::filesystem::path WorkingAlbumPath() { return HomeFolder() / kAlbumFileName; }
std::filesystem::path LibraryAlbumPath() { return LibraryRoot() / kAlbumFileName; }

std::filesystem::path GenerationPath(const std::filesystem::path& home, int n) {
  return home / ("Orrivan.rk" + std::to_string(n));
}

FolderForm ClassifyFolderName(std::string_view name) {
  if (name.find('_') != std::string_view::npos) {
    if (name.size() == 11 && AllDigits(name.substr(0, 8)) && name[8] == '_' && AllDigits(name.substr(9, 2)) &&
        name.substr(9, 2) != "00") {
      return FolderForm::DatedNumbered;
    }
    return FolderForm::Extra;
  }
  if (name.size() == 8 && AllDigits(name)) return FolderForm::Dated;
  if (name.size() == 6 && AllDigits(name)) return FolderForm::OldDay;
  if (name.size() == 12 && AllDigits(name.substr(0, 10))) return FolderForm::OldStamp;
  return FolderForm::Extra;
}

std::string CenturyForMonthKey(std::string_view yymm) { return yymm > std::string_view("9500") ? "19" : "20"; }

std::string CenturyForCalendar(std::string_view yy) { return !yy.empty() && yy[0] == '9' ? "19" : "20"; }

std::string CenturyForDisplay(std::string_view yy) { return Mid(yy, 0, 2) >= std::string_view("95") ? "19" : "20"; }

std::string DayKeyOfFolderName(std::string_view name) {
  const size_t underscore = name.rfind('_');
  if (underscore != std::string_view::npos) {
    std::string_view before = name.substr(0, underscore);
    return before.size() == 8 ? std::string(before) : std::string();
  }
  if (name.size() == 8) return std::string(name);
  if (name.size() == 6) return CenturyForCalendar(name) + std::string(name);
  return {};
}

std::string MonthKeyOfFolderName(std::string_view name) {
  const size_t underscore = name.rfind('_');
  if (underscore != std::string_view::npos) {
    std::string_view before = name.substr(0, underscore);
    return std::string(before.substr(0, before.size() >= 2 ? before.size() - 2 : 0));
  }
  if (name.size() == 6 || name.size() == 12) {
    std::string_view yymm = name.substr(0, 4);
    return CenturyForMonthKey(yymm) + std::string(yymm);
  }
  if (name.size() == 8) return std::string(name.substr(0, 6));
  return {};
}

std::string DisplayDate(std::string_view name) {
  const size_t underscore = name.find('_');
  const bool hasUnderscore = underscore != std::string_view::npos;
  std::string text;
  if (name.size() == 12 && !hasUnderscore) {
    text = CenturyForDisplay(name);
    text.append(Mid(name, 0, 2)).append("/").append(Mid(name, 2, 2)).append("/").append(Mid(name, 4, 2));
    text.append(" ").append(Mid(name, 6, 2)).append(":").append(Mid(name, 8, 2));
    return text;
  }
  if (name.size() == 6) {
    text = CenturyForDisplay(name);
    text.append(Mid(name, 0, 2)).append("/").append(Mid(name, 2, 2)).append("/").append(Mid(name, 4, 2));
    return text;
  }
  text.append(Mid(name, 0, 4)).append("/").append(Mid(name, 4, 2)).append("/").append(Mid(name, 6, 2));
  if (hasUnderscore) {
    // A dated folder without a day (day part "00") shows only its month.
    if (underscore >= 2 && name.substr(underscore - 2, 2) == "00") text.resize(std::min<size_t>(text.size(), 7));
    text.append(" ").append(name.substr(underscore));
  }
  return text;
}

int FolderKind(std::string_view storedPath) {
  const std::string part = NameAfterLibrary(storedPath);
  if (part.empty() || (part[0] != '0' && part[0] != '9')) return 2;
  return part.size() == 6 ? 0 : 1;
}

bool IsTrustedTimeStamp(std::string_view stamp) {
  return stamp.size() == 14 && AllDigits(stamp) && stamp >= std::string_view(kEarliestTrustedStamp) &&
         stamp <= std::string_view(kLatestTrustedStamp);
}

std::string ToStoredPath(const std::filesystem::path& path) { return NormaliseStoredPath(path.generic_string()); }

std::filesystem::path FromStoredPath(std::string_view stored) {
  return std::filesystem::path(NormaliseStoredPath(stored));
}

std::string JoinStored(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && !IsSeparator(out.back())) out.push_back('/');
  out.append(name);
  return out;
}

std::string LastComponent(std::string_view stored) {
  while (!stored.empty() && IsSeparator(stored.back())) stored.remove_suffix(1);
  const size_t cut = stored.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? stored : stored.substr(cut + 1));
}

std::string PartAfterLibrary(std::string_view stored) {
  // The last component named "Image Library" (or "ImageLib"): a library root may itself lie below
  // an older library folder, but a day folder never holds one.
  size_t end = stored.size();
  while (end > 0) {
    size_t sep = end;
    while (sep > 0 && !IsSeparator(stored[sep - 1])) --sep;
    std::string_view part = stored.substr(sep, end - sep);
    if (end < stored.size() && IsLibraryComponent(part)) return std::string(stored.substr(end + 1));
    if (sep == 0) break;
    end = sep - 1;
  }
  return {};
}

std::string NameAfterLibrary(std::string_view storedFolder) {
  std::string part = PartAfterLibrary(storedFolder);
  if (part.empty()) return LastComponent(storedFolder);
  while (!part.empty() && IsSeparator(part.back())) part.pop_back();
  return part;
}

std::string DayFolderOfStoredPath(std::string_view stored) {
  const std::string part = PartAfterLibrary(stored);
  if (!part.empty()) {
    const size_t cut = part.find_first_of("/\\");
    return cut == std::string::npos ? part : part.substr(0, cut);
  }
  std::string_view s = stored;
  const size_t cut = s.find_last_of("/\\");
  return cut == std::string_view::npos ? std::string() : LastComponent(s.substr(0, cut));
}

std::string PagePathOfFolder(std::string_view storedFolder) { return JoinStored(storedFolder, kDayPageName); }

bool PathsEqual(std::string_view a, std::string_view b) { return EqualsIgnoreCase(a, b); }

std::string PathOrderKey(std::string_view stored) {
  // The days were ordered by the platform's multibyte-aware case-insensitive comparison over code
  // page 932 bytes: letters fold to upper case (full-width ones too), a double-byte character's
  // trail byte is never folded, and the separator compares as '\'.
  std::string bytes = cp932::Encode(stored);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (cp932::IsLeadByte(c) && i + 1 < bytes.size()) {
      const auto t = static_cast<unsigned char>(bytes[i + 1]);
      if (c == 0x82 && t >= 0x81 && t <= 0x9A) bytes[i + 1] = static_cast<char>(t - 0x21);
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      bytes[i] = static_cast<char>(c - 'a' + 'A');
    } else if (c == '/') {
      bytes[i] = '\\';
    }
  }
  return bytes;
}

}  // namespace orrivan::layout
