// The day page of the bundled templates. Every link is relative to the day folder (the file's own
// name, PREVIEW/...), so a day folder that is moved out, backed up or relocated keeps a working
// page. Only the targets of shortcut days, which lie outside the library by nature, are absolute.
#include "day_page.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>

#include "color_patterns.h"
#include "html/plugin_api.h"
#include "page_text.h"

namespace orrivan::templates {

namespace fs = std::filesystem;

bool TemplateHasButtons(int templateIndex) { return templateIndex == 0 || templateIndex == 2; }

namespace {

constexpr const char* kPreviewFolder = "PREVIEW";

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return out;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == Lower(tail);
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Slashes(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string BaseName(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The file's path below the day folder ("IMG_0001.JPG", "100CANON/IMG_0001.JPG"). A path stored
// under an older library root is matched by the day folder's name; anything else falls back to
// the bare file name.
std::string RelativeToDay(const std::string& dayFolder, const std::string& filePath) {
  const std::string folder = Slashes(dayFolder);
  const std::string path = Slashes(filePath);
  if (path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
      path[folder.size()] == '/') {
    return path.substr(folder.size() + 1);
  }
  const std::string marker = "/" + Lower(BaseName(folder)) + "/";
  const size_t at = Lower(path).rfind(marker);
  if (BaseName(folder).size() > 0 && at != std::string::npos)
    return path.substr(at + marker.size());
  return BaseName(path);
}

// The name of the file (or link to a file) in folder that is name ignoring case; empty when there
// is none. Names composed from a record's name are looked up this way, as on the camera's card.
std::string FindNoCase(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::is_regular_file(folder / name, ec)) return name;
  const std::string wanted = Lower(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    std::error_code statError;
    if (Lower(candidate) == wanted && fs::is_regular_file(it->path(), statError)) return candidate;
  }
  return {};
}

enum class Kind { Image, Movie, Memo };

Kind KindOf(std::string_view name) {
  if (EndsWithNoCase(name, ".avi")) return Kind::Movie;
  if (EndsWithNoCase(name, ".wav")) return Kind::Memo;
  return Kind::Image;
}

// The preview's name for a placed file: a still image keeps its name with the extension (its last
// three characters) upper-cased, a movie takes its stem + "a.JPG", a memo its stem + "JPG".
std::string PreviewName(const std::string& name) {
  if (name.size() < 4) return name;
  switch (KindOf(name)) {
    case Kind::Movie:
      return name.substr(0, name.size() - 4) + "a.JPG";
    case Kind::Memo:
      return name.substr(0, name.size() - 3) + "JPG";
    case Kind::Image: {
      std::string out = name;
      for (size_t i = out.size() - 3; i < out.size(); ++i) {
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
      }
      return out;
    }
  }
  return name;
}

struct Entry {
  Kind kind = Kind::Image;
  std::string name;     // shown
  std::string href;     // URL of the file
  std::string preview;  // URL of the preview, empty when none exists
  std::string stamp;    // "2004/03/15 10:20:30"
  long long size = 0;
  std::string audio;      // URL of the voice memo played beside the entry
  std::string memoKey;    // folder + stem, lower case, for pairing memos with their pictures
  std::string relative;   // the file below the day folder
  std::string subfolder;  // "" or "100CANON/"
  std::string previewRelative;
};

std::string FileUrl(const std::string& dayFolder, const std::string& relative, bool isShortcut) {
  if (isShortcut) {
    // A shortcut day files links to the originals; the page points at the original itself, since
    // a browser does not follow a ".lnk" name to a picture it can show.
    std::error_code ec;
    const fs::path target = fs::read_symlink(fs::path(dayFolder) / relative, ec);
    if (!ec && target.is_absolute()) return "file://" + EncodeUrlPath(target.string());
  }
  return EncodeUrlPath(relative);
}

Entry MakeEntry(const DayPageRequest& request, const DayPhoto& photo) {
  Entry entry;
  entry.relative = RelativeToDay(request.dayFolder, photo.filePath);
  const size_t slash = entry.relative.rfind('/');
  const std::string subfolder =
      slash == std::string::npos ? "" : entry.relative.substr(0, slash + 1);
  entry.subfolder = subfolder;
  const std::string fileName = BaseName(entry.relative);
  const bool isShortcut = EndsWithNoCase(fileName, ".lnk") && fileName.size() > 4;
  entry.name = isShortcut ? fileName.substr(0, fileName.size() - 4) : fileName;
  entry.kind = KindOf(entry.name);
  entry.href = FileUrl(request.dayFolder, entry.relative, isShortcut);
  entry.size = photo.size;
  if (AllDigits(photo.year) && AllDigits(photo.month) && AllDigits(photo.day)) {
    entry.stamp = photo.year + "/" + photo.month + "/" + photo.day;
    if (AllDigits(photo.hour) && AllDigits(photo.minute) && AllDigits(photo.second)) {
      entry.stamp += " " + photo.hour + ":" + photo.minute + ":" + photo.second;
    }
  }
  const size_t dot = entry.name.rfind('.');
  entry.memoKey = Lower(subfolder + entry.name.substr(0, dot));

  const fs::path previewFolder = fs::path(request.dayFolder) / subfolder / kPreviewFolder;
  std::vector<std::string> candidates = {PreviewName(entry.name)};
  if (isShortcut) {
    candidates.push_back(PreviewName(entry.name) + ".lnk");
    candidates.push_back(PreviewName(fileName));
  }
  for (const std::string& candidate : candidates) {
    const std::string found = FindNoCase(previewFolder, candidate);
    if (!found.empty()) {
      entry.previewRelative = subfolder + kPreviewFolder + "/" + found;
      entry.preview = EncodeUrlPath(entry.previewRelative);
      break;
    }
  }
  return entry;
}

// The URL of the voice memo recorded with a picture (same stem, ".wav" in any case, or its link in
// a shortcut day); empty when there is none.
std::string MemoBeside(const DayPageRequest& request, const Entry& picture) {
  const std::string stem = picture.name.substr(0, picture.name.rfind('.'));
  const fs::path folder = fs::path(request.dayFolder) / picture.subfolder;
  for (const char* tail : {".WAV", ".WAV.lnk"}) {
    const std::string found = FindNoCase(folder, stem + tail);
    if (!found.empty())
      return FileUrl(request.dayFolder, picture.subfolder + found, EndsWithNoCase(found, ".lnk"));
  }
  return {};
}

// The entries in album order. A memo with a picture of the same stem plays beside that picture;
// a memo alone is an entry of its own.
std::vector<Entry> MakeEntries(const DayPageRequest& request) {
  std::vector<Entry> all;
  for (const DayPhoto& photo : request.photos) all.push_back(MakeEntry(request, photo));
  std::map<std::string, size_t> pictures;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].kind == Kind::Image) pictures.emplace(all[i].memoKey, i);
  }
  std::vector<bool> paired(all.size(), false);
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].kind != Kind::Memo) continue;
    const auto picture = pictures.find(all[i].memoKey);
    if (picture != pictures.end() && all[picture->second].audio.empty()) {
      all[picture->second].audio = all[i].href;
      paired[i] = true;
    }
  }
  // The album's list of a day leaves out a memo whose picture exists, so the memo is found on disk.
  for (Entry& entry : all) {
    if (entry.kind == Kind::Image && entry.audio.empty()) entry.audio = MemoBeside(request, entry);
  }
  std::vector<Entry> entries;
  for (size_t i = 0; i < all.size(); ++i) {
    if (paired[i]) continue;
    if (all[i].kind == Kind::Memo) all[i].audio = all[i].href;
    entries.push_back(std::move(all[i]));
  }
  return entries;
}

std::string StripZero(std::string_view two) {
  return std::string(two.size() == 2 && two[0] == '0' ? two.substr(1) : two);
}

std::string DateText(std::string_view year, std::string_view month, std::string_view day) {
  std::string text = std::string(year) + "年" + StripZero(month) + "月";
  if (!day.empty() && day != "00") text += StripZero(day) + "日";
  return text;
}

// The day's date from its folder name (YYYYMMDD, YYYYMMDD_NN, and the older YYMMDD and
// YYMMDDhhmm.. forms), else from its first picture, else the folder name as it is.
std::string DayDate(const DayPageRequest& request) {
  const std::string name = BaseName(Slashes(request.dayFolder));
  const std::string_view n = name;
  if ((n.size() == 8 && AllDigits(n)) ||
      (n.size() == 11 && n[8] == '_' && AllDigits(n.substr(0, 8)) && AllDigits(n.substr(9)))) {
    return DateText(n.substr(0, 4), n.substr(4, 2), n.substr(6, 2));
  }
  if ((n.size() == 6 || (n.size() == 12 && n.find('_') == std::string_view::npos)) &&
      AllDigits(n.substr(0, 6))) {
    const std::string year = (n.substr(0, 2) >= "95" ? "19" : "20") + std::string(n.substr(0, 2));
    return DateText(year, n.substr(2, 2), n.substr(4, 2));
  }
  for (const DayPhoto& photo : request.photos) {
    if (AllDigits(photo.year) && AllDigits(photo.month) && AllDigits(photo.day)) {
      return DateText(photo.year, photo.month, photo.day);
    }
  }
  return name;
}

std::string SizeText(long long size) {
  char text[32];
  if (size >= 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(size) / (1024.0 * 1024.0));
  } else {
    std::snprintf(text, sizeof text, "%lld KB", (size + 1023) / 1024);
  }
  return text;
}

class PageBuilder {
 public:
  explicit PageBuilder(const DayPageRequest& request)
      : request_(request),
        pattern_(PatternAt(request.colorIndex)),
        entries_(MakeEntries(request)),
        date_(DayDate(request)) {}

  std::string Build() {
    Head();
    switch (request_.templateIndex) {
      case 1:
        LargeList();
        break;
      case 2:
        DetailTable();
        break;
      case 3:
        Slides();
        break;
      default:
        Grid();
        break;
    }
    Line("<p class=\"foot\">" + std::to_string(entries_.size()) + " 件</p>");
    Line("</body>");
    Line("</html>");
    return page_;
  }

 private:
  void Line(const std::string& text) { page_ += text + "\r\n"; }

  void Head() {
    const std::string& title = request_.title.empty() ? date_ : request_.title;
    const ColorPattern& p = pattern_;
    Line("<!DOCTYPE html>");
    Line("<html lang=\"ja\">");
    Line("<head>");
    Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">");
    Line("<meta name=\"generator\" content=\"Orrivan templates\">");
    Line("<title>" + EscapeHtml(title) + "</title>");
    Line("<style type=\"text/css\">");
    Line("body { margin: 0; background: " + p.ground.Css() + "; color: " + p.text.Css() +
         "; font-family: sans-serif; font-size: 13px; }");
    Line("a { color: " + p.link.Css() + "; }");
    Line(".band { background: " + p.accent.Css() + "; color: " + p.accentText.Css() +
         "; padding: 12px 24px; }");
    Line(".band h1 { margin: 0; font-size: 22px; }");
    Line(".band .date { font-size: 14px; }");
    Line(".buttons { text-align: right; padding: 8px 24px 0 24px; }");
    Line(".buttons a, .buttons button { background: " + p.accent.Css() +
         "; color: " + p.accentText.Css() +
         "; border: 0; padding: 4px 16px; margin-left: 8px; font-weight: bold; font-size: 13px;"
         " text-decoration: none; cursor: pointer; }");
    Line(".size { font-size: 11px; }");
    Line(".cell { background: " + p.panel.Css() + "; }");
    Line(".cap { color: " + p.link.Css() + "; font-weight: bold; }");
    Line(".foot { text-align: center; font-size: 11px; }");
    Line("img { border: 0; }");
    Line("audio { width: 200px; height: 28px; }");
    Line("table.grid { margin: 16px auto; border-spacing: 8px; }");
    Line(
        "table.grid td { width: 170px; height: 190px; text-align: center; vertical-align: middle; "
        "}");
    Line("table.grid img { max-width: 160px; max-height: 120px; }");
    Line("table.grid audio { width: 160px; }");
    Line("table.large { margin: 16px auto; border-spacing: 0 12px; width: 760px; }");
    Line("table.large td.pic { width: 340px; text-align: center; padding: 10px; }");
    Line("table.large td.info { padding: 10px 20px; vertical-align: top; font-size: 14px; }");
    Line("table.large img { max-width: 320px; max-height: 320px; }");
    Line("table.detail { margin: 16px auto; border-collapse: collapse; width: 760px; }");
    Line("table.detail th { background: " + p.accent.Css() + "; color: " + p.accentText.Css() +
         "; padding: 4px; }");
    Line("table.detail td { border-bottom: 1px solid " + p.accent.Css() + "; padding: 4px 8px; }");
    Line("table.detail img { max-width: 80px; max-height: 80px; }");
    Line(".slides { text-align: center; }");
    Line(".slide { display: inline-block; margin: 20px auto; padding: 16px; }");
    Line(".slide img { max-width: 320px; max-height: 320px; }");
    Line(".slide .caption { margin-top: 8px; font-size: 14px; }");
    Line("@media print { .buttons { display: none; } }");
    Line("</style>");
    Line("</head>");
    Line("<body>");
    if (request_.templateIndex == 3) {
      Line("<div class=\"band\" style=\"text-align: center; padding: 28px;\">");
    } else {
      Line("<div class=\"band\">");
    }
    Line("<div class=\"date\">" + EscapeHtml(date_) + "</div>");
    if (!request_.title.empty()) Line("<h1>" + EscapeHtml(request_.title) + "</h1>");
    Line("</div>");
    if (TemplateHasButtons(request_.templateIndex)) Buttons();
  }

  bool HasMailProgram() const {
    return !request_.mailName.empty() && request_.mailName != ORRIVAN_NO_MAIL_PROGRAM;
  }

  void Buttons() {
    const bool print = request_.printButton != 1;
    const bool mail = HasMailProgram();
    if (!print && !mail) return;
    Line("<div class=\"buttons\">");
    if (mail) Line(MailButton());
    if (print) Line("<button type=\"button\" onclick=\"window.print()\">PRINT</button>");
    Line("</div>");
  }

  // The page cannot attach files; the message names the pictures at the size the user chose for
  // mail: the files themselves (640x480 class) or their previews (320x240 class).
  std::string MailButton() const {
    const bool small = request_.tempSize == 1;
    std::string body = date_ + (request_.title.empty() ? "" : " " + request_.title) + "\r\n";
    body += small ? "320×240pixels\r\n" : "640×480pixels\r\n";
    for (const Entry& entry : entries_) {
      if (entry.kind != Kind::Image) continue;
      const bool usePreview = small && !entry.previewRelative.empty();
      body += (usePreview ? entry.previewRelative : entry.subfolder + entry.name) + "\r\n";
    }
    const std::string subject = request_.title.empty() ? date_ : request_.title;
    const std::string href =
        "mailto:?subject=" + EncodeMailtoField(subject) + "&body=" + EncodeMailtoField(body);
    return "<a href=\"" + EscapeHtml(href) + "\" title=\"" + EscapeHtml(request_.mailName) +
           "\">MAIL</a>";
  }

  std::string Picture(const Entry& entry) const {
    if (entry.preview.empty()) {
      return "<a href=\"" + entry.href + "\">" + EscapeHtml(entry.name) + "</a>";
    }
    return "<a href=\"" + entry.href + "\"><img src=\"" + entry.preview + "\" alt=\"" +
           EscapeHtml(entry.name) + "\"></a>";
  }

  static std::string Audio(const Entry& entry) {
    if (entry.audio.empty()) return {};
    return "<audio controls preload=\"none\" src=\"" + entry.audio + "\"></audio>";
  }

  static std::string KindText(const Entry& entry) {
    switch (entry.kind) {
      case Kind::Movie:
        return "動画";
      case Kind::Memo:
        return "音声メモ";
      case Kind::Image:
        return entry.audio.empty() ? "静止画" : "静止画＋音声";
    }
    return {};
  }

  // タイプ１: small pictures in a grid of four columns.
  void Grid() {
    Line("<table class=\"grid\">");
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (i % 4 == 0) Line("<tr>");
      const Entry& e = entries_[i];
      Line("<td class=\"cell\">" + Picture(e) + "<br>");
      Line("<span class=\"cap\">" + EscapeHtml(e.name) + "</span><br>");
      Line("<span class=\"size\">" + EscapeHtml(e.stamp) + "</span>");
      if (!e.audio.empty()) Line("<br>" + Audio(e));
      Line("</td>");
      if (i % 4 == 3 || i + 1 == entries_.size()) Line("</tr>");
    }
    Line("</table>");
  }

  // タイプ２: one large picture a row, its particulars beside it.
  void LargeList() {
    Line("<table class=\"large\">");
    for (const Entry& e : entries_) {
      Line("<tr>");
      Line("<td class=\"cell pic\">" + Picture(e) + "</td>");
      Line("<td class=\"info\"><span class=\"cap\">" + EscapeHtml(e.name) + "</span><br>");
      Line(EscapeHtml(e.stamp) + "<br>");
      Line(KindText(e) + " " + SizeText(e.size));
      if (!e.audio.empty()) Line("<br>" + Audio(e));
      Line("</td>");
      Line("</tr>");
    }
    Line("</table>");
  }

  // タイプ３: a table of small pictures with name, time, size and memo.
  void DetailTable() {
    Line("<table class=\"detail\">");
    Line(
        "<tr><th>No.</th><th>画像</th><th>ファイル名</th><th>撮影日時</th><th>種類</th>"
        "<th>サイズ</th><th>音声</th></tr>");
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      Line("<tr>");
      Line("<td>" + std::to_string(i + 1) + "</td>");
      Line("<td class=\"cell\">" + Picture(e) + "</td>");
      Line("<td><a href=\"" + e.href + "\">" + EscapeHtml(e.name) + "</a></td>");
      Line("<td>" + EscapeHtml(e.stamp) + "</td>");
      Line("<td>" + KindText(e) + "</td>");
      Line("<td class=\"size\">" + SizeText(e.size) + "</td>");
      Line("<td>" + Audio(e) + "</td>");
      Line("</tr>");
    }
    Line("</table>");
  }

  // タイプ４: one large picture after another, centred, with its caption underneath.
  void Slides() {
    Line("<div class=\"slides\">");
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      Line("<div class=\"slide cell\">" + Picture(e));
      Line("<div class=\"caption\">" + std::to_string(i + 1) + " / " +
           std::to_string(entries_.size()) + "　<span class=\"cap\">" + EscapeHtml(e.name) +
           "</span>　" + EscapeHtml(e.stamp) + "</div>");
      if (!e.audio.empty()) Line("<div>" + Audio(e) + "</div>");
      Line("</div><br>");
    }
    Line("</div>");
  }

  const DayPageRequest& request_;
  const ColorPattern& pattern_;
  std::vector<Entry> entries_;
  std::string date_;
  std::string page_;
};

}  // namespace

std::string BuildDayPage(const DayPageRequest& request) { return PageBuilder(request).Build(); }

bool WriteDayPage(const std::string& dayFolder, const std::string& pageUtf8) {
  const auto bytes = ToCp932(pageUtf8);
  if (!bytes) return false;
  // Write beside the page and rename over it, so a failed write never leaves half a page.
  std::string temporary = dayFolder + "/.INDEX.HTM.XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0644) == 0;
  size_t done = 0;
  while (ok && done < bytes->size()) {
    const ssize_t n = write(fd, bytes->data() + done, bytes->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (close(fd) != 0) ok = false;
  if (ok) ok = std::rename(temporary.c_str(), (dayFolder + "/INDEX.HTM").c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace orrivan::templates
