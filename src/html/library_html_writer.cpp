#include "html/library_html_writer.h"

#include <ctime>
#include <system_error>

#include "base/paths.h"
#include "base/strings.h"
#include "html/calendar_writer.h"
#include "html/html_text.h"
#include "html/list_page_text.h"
#include "html/page_names.h"
#include "library/layout.h"

namespace orrivan {
namespace fs = std::filesystem;
using html::PageBytes;
using html::PageUrl;
using html::PageValue;
using html::PageWriter;

namespace {

constexpr char kNoDate[] = "20900101";

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsOldDayName(std::string_view name) { return name.size() == 6 || (name.size() == 12 && name[8] != '_'); }

std::string CenturyOf(std::string_view name) { return name.substr(0, 2) < std::string_view("90") ? "20" : "19"; }

using html::FolderOf;
using html::NameOf;
using html::Normalised;

// The path with its last n components removed.
std::string Ancestor(std::string path, int n) {
  for (int i = 0; i < n; ++i) path = FolderOf(path);
  return path;
}

std::string FileUrl(const std::string& path) { return path.starts_with('/') ? "file://" + path : "file:///" + path; }

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// The page head of the sealed pages: the seal comment starts at byte 16, so its three characters
// after "<!--" are bytes 20-22.
void WriteSealedHead(PageWriter& w) {
  w.Line("<HTML>");
  w.Line("<HEAD>");
  w.Line("<!--0   -->  <META NAME=\"GENERATOR\" CONTENT=\"KORVA Orrivan 1.1\">");
  w.Line("  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=" + PageBytes(Str(StrId::Charset)) + "\">");
}

std::string StrBytes(StrId id) { return PageBytes(Str(id)); }

}  // namespace

fs::path CLibraryHtmlWriter::BaseFolder() const { return overrideBase_.empty() ? HomeFolder() : overrideBase_; }
fs::path CLibraryHtmlWriter::HtmlFolder() const { return BaseFolder() / layout::kHtmlFolderName; }

bool CLibraryHtmlWriter::LibraryHasContent(const CRKCardAlbumDoc& album) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  int lastYear = std::min(local.tm_year + 1900, 2037);
  for (const CAlbumData& day : album.Days()) {
    std::string key = layout::MonthKeyOfFolderName(layout::LastComponent(day.folderPath));
    if (key.size() != 6 || !AllDigits(key)) continue;
    int year = std::stoi(key.substr(0, 4));
    int month = std::stoi(key.substr(4, 2));
    if (year >= 1980 && year <= lastYear && month >= 1 && month <= 12) return true;
  }
  return false;
}

// "Stop using this file?": Yes stops, and so does no answer at all. Whichever way it went, the page
// is read-only again afterwards (a hand edit may have left it writable).
bool CLibraryHtmlWriter::ConfirmBrokenPage(const fs::path& path) {
  bool stop = true;
  if (interaction_) {
    std::string text = html::FormatText(Str(StrId::BrokenPageQuestion), {path.string()});
    BoxLook look;
    look.unanswered = Answer::Yes;
    stop = interaction_->Question(text, Icon::Exclamation, false, look) == Answer::Yes;
  }
  html::ProtectPage(path);
  return stop;
}

// ---------------------------------------------------------------------------------------------
// Whole pages

int CLibraryHtmlWriter::WriteFramePages(int which, int atMonth) {
  int ok = 1;
  for (int variant = 1; variant <= 2; ++variant) {
    if (which != 0 && which != variant) continue;
    PageWriter w;
    WriteSealedHead(w);
    w.Line("  <TITLE>" + StrBytes(StrId::LibraryViewTitle) + "</TITLE>");
    w.Line("</HEAD>");
    w.Line("<FRAMESET FRAMEBORDER=1 ROWS=\"100, 67*\" COLS=\"*\">");
    bool monthFrames = false;
    if (atMonth == 1 && earliestDate_ != kNoDate && earliestDate_.size() >= 6) {
      std::string year = earliestDate_.substr(0, 4);
      std::string month = earliestDate_.substr(4, 2);
      if (AllDigits(year) && AllDigits(month) && std::stoi(month) >= 1 && std::stoi(month) <= 12) {
        int m = std::stoi(month);
        w.Line("  <FRAME SRC=\"HTML/" + year + "/calendar" + year + month + (variant == 1 ? "_1" : "_2") +
               ".htm\" NAME=\"calendar\">");
        w.Raw("  <FRAME SRC=\"HTML/" + year + "/" +
              (variant == 1 ? html::kListMonthNames[m - 1] : html::kCalendarMonthNames[m - 1]));
        monthFrames = true;
      }
    }
    if (!monthFrames) {
      w.Line(std::string("  <FRAME SRC=\"HTML/") + (variant == 1 ? html::kCalendarIndex1 : html::kCalendarIndex2) +
             "\" NAME=\"calendar\">");
      w.Raw("  <FRAME SRC=\"HTML/start");
    }
    w.Line(".htm\" NAME=\"start\">");
    w.Line("<NOFRAMES>");
    std::string noFrames = Str(StrId::NoFramesText);
    while (!noFrames.empty() && (noFrames.back() == '\n' || noFrames.back() == '\r')) noFrames.pop_back();
    w.Line("<BODY>" + PageBytes(noFrames));
    w.Line("</BODY>");
    w.Line("</NOFRAMES>");
    w.Line("</FRAMESET>");
    w.Line("</HTML>");
    fs::path page = BaseFolder() / (variant == 1 ? layout::kListFramePageName : layout::kCalendarFramePageName);
    if (!html::WritePage(page, w.Text(), true)) ok = 0;
  }
  return ok;
}

int CLibraryHtmlWriter::WriteStartPage(int hasContent) {
  PageWriter w;
  WriteSealedHead(w);
  w.Line("  <TITLE>start</TITLE>");
  w.Line("</HEAD>");
  w.Line("<BODY>");
  for (int i = 0; i < 3; ++i) w.Line("<BR>");
  w.Line("<TABLE BORDER=\"0\" WIDTH=\"775\" ALIGN=\"CENTER\">");
  w.Line("  <TR>");
  w.Line("    <TD ALIGN=\"CENTER\" VALIGN=\"MIDDLE\" WIDTH=\"775\">");
  w.Line("      <FONT SIZE=\"4\" COLOR=\"#000066\">");
  w.Line("        <B><BR>" + StrBytes(StrId::StartHeading) + "</B>");
  w.Line("       </FONT>");
  w.Line("       <FONT COLOR=\"#000066\">");
  w.Line("         <B><BR><BR>" + StrBytes(hasContent ? StrId::StartHasContent1 : StrId::StartEmpty1) + "<BR></B>");
  w.Line("        </FONT>");
  w.Line("        <FONT COLOR=\"#000066\">");
  w.Line("          <B>" + StrBytes(hasContent ? StrId::StartHasContent2 : StrId::StartEmpty2) + "<BR></B>");
  w.Line("        </FONT>");
  w.Line("       </TD>");
  w.Line("      </TR>");
  w.Line("     </TABLE>");
  w.Line("</BODY>");
  w.Line("</HTML>");
  return html::WritePage(HtmlFolder() / html::kStartPage, w.Text(), true) ? 1 : 0;
}

int CLibraryHtmlWriter::WriteDummyGif() {
  // Written as it is: its attributes are never touched.
  return html::WritePage(HtmlFolder() / html::kDummyGif, html::DummyGifBytes(), false) ? 1 : 0;
}

int CLibraryHtmlWriter::WriteEmptyOverview() {
  PageWriter w;
  WriteSealedHead(w);
  w.Line("  <TITLE>Orrivan</TITLE>");
  w.Line("</HEAD>");
  w.Line("<BODY BGCOLOR=\"#FFFFFF\">");
  w.Line("<TABLE BORDER=\"0\" ALIGN=\"CENTER\" WIDTH=\"775\" CELLSPACING=\"1\" STYLE=\"font-size:9pt\">");
  w.Line("  <TR>");
  w.Line("    <TD COLSPAN=\"13\" BGCOLOR=\"#9999FF\"\tALIGN=\"CENTER\" VALIGN=\"MIDDLE\">");
  w.Line("      <FONT STYLE=\"font-size:16pt\" FACE=\"Times New Roman, Times, serif\">");
  w.Line("        <B>Orrivan</B>");
  w.Line("      </FONT>");
  w.Line("    </TD>");
  w.Line("  </TR>");
  w.Line("</TABLE>");
  w.Line("</BODY>");
  w.Line("</HTML>");
  return WriteSealedPage(HtmlFolder() / html::kOverviewPage, std::move(w.Text())) ? 1 : 0;
}

int CLibraryHtmlWriter::CreateListPage() {
  PageWriter w;
  WriteSealedHead(w);
  w.Line("  <BASE TARGET=\"_blank\">");
  w.Line("  <TITLE>" + listName_ + "</TITLE>");
  w.Line("</HEAD>");
  w.Line("<BODY BGCOLOR=\"#FFFFFF\">");
  w.Line("<BR>");
  w.Line("<TABLE WIDTH=\"775\" BORDER=\"0\" CELLSPACING=\"1\" ALIGN=\"CENTER\" CELLPADDING=\"2\" STYLE=\"font-size:12pt\">");
  w.Line("  <TR>");
  w.Line("    <TD COLSPAN=\"3\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\"><B>" +
         PageBytes(html::FormatText(Str(StrId::ListPageHeading), {year_, std::to_string(month_)})) + "</B></TD>");
  w.Line("    <TD COLSPAN=\"5\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\">");
  w.Line("    <FONT STYLE=\"font-size:10pt\" COLOR=\"#737373\">" + StrBytes(StrId::ListPageHint) + "</FONT></TD>");
  w.Line("  </TR>");
  w.Line("  <TR>");
  w.Line("    <TD WIDTH=\"85\" ALIGN=\"CENTER\">" + StrBytes(StrId::ListColumnDate) + "</TD>");
  w.Line("    <TD WIDTH=\"195\" ALIGN=\"CENTER\">" + StrBytes(StrId::ListColumnTitle) + "</TD>");
  w.Line("    <TD WIDTH=\"75\" ALIGN=\"CENTER\">");
  w.Line("    <FONT COLOR=\"#737373\">" + StrBytes(StrId::ListColumnCount) + "</FONT></TD>");
  w.Line("    <TD COLSPAN=\"5\" ALIGN=\"CENTER\">");
  w.Line("    <FONT COLOR=\"#737373\">" + StrBytes(StrId::ListColumnSamples) + "</FONT></TD>");
  w.Line("  </TR>");
  w.Raw(BuildRow());
  w.Line("</TABLE>");
  w.Line("</BODY>");
  w.Line("</HTML>");
  return WriteSealedPage(ListPagePath(), std::move(w.Text())) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Rows

std::string CLibraryHtmlWriter::PreviewOfImage(const std::string& imagePath) {
  std::string name = NameOf(imagePath);
  std::string target;
  if (html::IsShortcutName(name)) {
    target = html::ResolveShortcut(imagePath);
    if (!target.empty()) name = NameOf(target);
  }
  std::string previewName = PreviewNameOf(name);
  std::string preview = FindPreview(FolderOf(imagePath), previewName);
  if (Exists(preview)) return preview;
  std::string linked = html::ResolveShortcut(preview + ".lnk");
  if (!linked.empty()) return linked;
  if (!target.empty()) {
    std::string beside = FindPreview(FolderOf(target), previewName);
    if (Exists(beside)) return beside;
  }
  return preview;
}

std::string CLibraryHtmlWriter::PreviewLink(const std::string& preview) const {
  std::string path = Normalised(preview);
  std::string base = Normalised(BaseFolder().lexically_normal().string());
  // Anything under the base folder is linked relatively, however deep (a dated import keeps the
  // card's subfolder): an absolute link breaks when the home folder is moved or copied.
  if (html::InsideFolder(path, base)) return "../../" + path.substr(base.size() + 1);
  if (relativeLinks_) {
    std::string part = layout::PartAfterLibrary(path);
    if (!part.empty()) {
      size_t sep = path.size() - part.size() - 1;
      size_t start = path.find_last_of('/', sep - 1);
      return "../../" + path.substr(start == std::string::npos ? 0 : start + 1);
    }
  }
  return FileUrl(path);
}

std::string CLibraryHtmlWriter::TitleCell() const {
  if (title_.empty()) return "<BR>";
  std::string cell;
  for (const std::string& piece : html::CutByBytes(title_, 20)) {
    if (!cell.empty()) cell += "<BR>";
    cell += PageValue(piece);
  }
  return cell;
}

std::string CLibraryHtmlWriter::BuildRow() {
  std::string page = pageLink_;
  if (html::IsShortcutName(page)) {
    std::string target = html::ResolveShortcut(page);
    if (!target.empty()) page = target;
  }
  page = Normalised(page);
  std::string base = Normalised(BaseFolder().lexically_normal().string());
  std::string link = Ancestor(page, 3) == base ? "../../" + page.substr(base.size() + 1) : FileUrl(page);
  std::string anchor = "<A HREF=\"" + PageUrl(link) + "\" TARGET=\"_blank\">";

  const std::string& n = dayName_;
  std::string date;
  if (IsOldDayName(n)) {
    date = year_ + "/" + n.substr(2, 2) + "/" + n.substr(4, 2);
  } else {
    date = year_ + "/" + n.substr(4, 2);
    if (n.size() >= 8 && n.substr(6, 2) == "00") date += n.substr(8);
    else date += "/" + (n.size() > 6 ? n.substr(6) : std::string());
  }

  PageWriter w;
  w.Line(std::string(html::kRowMarker) + PageValue(dayName_) + "-->");
  w.Line("    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"85\" ALIGN=\"CENTER\">" + anchor + PageValue(date) + "</A></TD>");
  w.Line("    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"195\" ALIGN=\"CENTER\">" + anchor + TitleCell() + "</A></TD>");
  w.Line("    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"75\" ALIGN=\"CENTER\"><FONT COLOR=\"#737373\">" +
         PageBytes(html::FormatText(Str(StrId::ImageCount), {std::to_string(imageCount_)})) + "</FONT></TD>");
  for (size_t i = 0; i < 5; ++i) {
    w.Line("    <TD HEIGHT=\"84\" WIDTH=\"84\" BGCOLOR=\"#C6C6C6\" ALIGN=\"CENTER\">");
    if (i < images_.size()) {
      std::string preview = PreviewOfImage(images_[i]);
      bool tall = html::PreviewShape(preview) == html::Shape::Tall;
      w.Line("      <IMG SRC=\"" + PageUrl(PreviewLink(preview)) + (tall ? "\" HEIGHT=\"80\"></TD>" : "\" WIDTH=\"80\"></TD>"));
    } else {
      w.Line("      <IMG SRC=\"../dummy.gif\" WIDTH=\"80\"></TD>");
    }
  }
  w.Line("  </TR>");
  w.Line("  <TR>");
  w.Line("    <TD COLSPAN=\"7\"><BR></TD>");
  w.Line("  </TR>");
  return std::move(w.Text());
}

// ---------------------------------------------------------------------------------------------
// Edits in place

bool CLibraryHtmlWriter::ReadSealedPage(const fs::path& path, std::string& text) {
  std::optional<std::string> page = html::ReadPage(path);
  if (!page) return false;
  if (!html::CheckSealBytes(*page) && ConfirmBrokenPage(path)) return false;
  if (page->empty()) return false;
  text = std::move(*page);
  return true;
}

bool CLibraryHtmlWriter::WriteSealedPage(const fs::path& path, std::string text) {
  html::SealBytes(text);
  return html::WritePage(path, text, true, true);
}

int CLibraryHtmlWriter::InsertRow(std::string& pageText) {
  std::string row = BuildRow();
  switch (html::InsertRowText(pageText, PageValue(dayName_), row)) {
    case html::RowEdit::Done: return WriteSealedPage(ListPagePath(), pageText) ? 1 : 0;
    case html::RowEdit::AlreadyListed: return 2;
    default: return 0;
  }
}

int CLibraryHtmlWriter::RemoveRow(std::string& pageText) {
  switch (html::RemoveRowText(pageText, PageValue(dayName_))) {
    case html::RowEdit::Done: return WriteSealedPage(ListPagePath(), pageText) ? 1 : 0;
    case html::RowEdit::LastRowGone: {
      std::error_code ec;
      html::ResetPageAttributes(ListPagePath());
      return fs::remove(ListPagePath(), ec) ? 2 : 0;
    }
    default: return 0;
  }
}

int CLibraryHtmlWriter::UpdateTitle(std::string& pageText) {
  if (html::UpdateTitleText(pageText, PageValue(dayName_), TitleCell()) != html::RowEdit::Done) return 0;
  return WriteSealedPage(ListPagePath(), pageText) ? 1 : 0;
}

int CLibraryHtmlWriter::UpdateOverview(int added) {
  fs::path path = HtmlFolder() / html::kOverviewPage;
  std::string text;
  if (!ReadSealedPage(path, text)) return 0;
  if (!html::UpdateOverviewText(text, year_, monthIndex_, listName_, added == 1)) return 0;
  return WriteSealedPage(path, std::move(text)) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// The update

fs::path CLibraryHtmlWriter::ListPagePath() const { return yearFolder_ / (listName_ + ".htm"); }

bool CLibraryHtmlWriter::SetDay(const std::string& dayName) {
  dayName_ = layout::LastComponent(dayName);
  const std::string& n = dayName_;
  if (n.size() < 6) return false;
  std::string month;
  if (IsOldDayName(n)) {
    year_ = CenturyOf(n) + n.substr(0, 2);
    month = n.substr(2, 2);
    fullDate_ = CenturyOf(n) + n;
  } else {
    year_ = n.substr(0, 4);
    month = n.substr(4, 2);
    fullDate_ = n;
  }
  if (!AllDigits(year_) || !AllDigits(month)) return false;
  month_ = std::stoi(month);
  if (month_ < 1 || month_ > 12) return false;
  monthIndex_ = month_ - 1;
  listName_ = html::kListMonthNames[monthIndex_];
  yearFolder_ = HtmlFolder() / year_;
  return true;
}

bool CLibraryHtmlWriter::SelectDay(CRKCardAlbumDoc& album, bool withImages) {
  const CAlbumData* found = nullptr;
  for (const CAlbumData& day : album.Days()) {
    if (layout::PathsEqual(layout::LastComponent(day.folderPath), dayName_)) {
      found = &day;
      break;
    }
  }
  if (!found) return false;
  pageLink_ = found->pagePath;
  title_ = found->title;
  images_.clear();
  imageCount_ = 0;
  if (withImages) {
    imageCount_ = album.PicturesOfDay(dayName_);
    for (const CPhotoData* picture : album.PictureResults()) {
      if (images_.size() == 5) break;
      images_.push_back(picture->filePath);
    }
  }
  return true;
}

void CLibraryHtmlWriter::NoteEarliest() {
  if (dayName_.size() == 6 || dayName_.size() == 8) {
    if (fullDate_ < earliestDate_) earliestDate_ = fullDate_;
  } else {
    earliestDate_ = fullDate_;
  }
}

int CLibraryHtmlWriter::Update(CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames, Mode mode) {
  if (mode != Mode::Titles) {
    if (!EnsureFolder(HtmlFolder())) return 0;
    // An addition ends with frame pages of its own (below) unless every day fails.
    if (mode != Mode::Add) WriteFramesAfterUpdate(0);
    hasContent_ = LibraryHasContent(album);
    WriteStartPage(hasContent_ ? 1 : 0);
    std::error_code ec;
    if (!fs::exists(HtmlFolder() / html::kOverviewPage, ec)) WriteEmptyOverview();
    WriteDummyGif();
  }
  earliestDate_ = kNoDate;
  int result = 1;
  for (const std::string& name : dayNames) {
    if (!SetDay(name) || !EnsureFolder(yearFolder_)) {
      result = 0;
      continue;
    }
    if (mode != Mode::Remove && !SelectDay(album, mode == Mode::Add)) {
      result = 0;
      continue;
    }
    if (mode == Mode::Add && imageCount_ == 0) {
      result = 0;
      continue;
    }
    std::error_code ec;
    bool present = fs::exists(ListPagePath(), ec);
    std::string text;
    if (mode == Mode::Add) {
      if (!present) {
        if (!CreateListPage()) {
          result = 0;
          continue;
        }
      } else {
        if (!ReadSealedPage(ListPagePath(), text)) {
          result = 0;
          continue;
        }
        int inserted = InsertRow(text);
        if (inserted == 0) {
          result = 0;
          continue;
        }
      }
      if (!UpdateOverview(1)) result = 0;
      NoteEarliest();
      continue;
    }
    if (!present || !ReadSealedPage(ListPagePath(), text)) {
      result = 0;
      continue;
    }
    if (mode == Mode::Titles) {
      if (!UpdateTitle(text)) result = 0;
      continue;
    }
    int removed = RemoveRow(text);
    if (removed == 0) {
      result = 0;
    } else if (removed == 2) {
      if (!UpdateOverview(0)) result = 0;
      hasContent_ = LibraryHasContent(album);
      if (!hasContent_) WriteStartPage(0);
    }
  }
  if (mode == Mode::Add) WriteFramesAfterUpdate(earliestDate_ != kNoDate ? 1 : 0);
  return result;
}

void CLibraryHtmlWriter::WriteFramesAfterUpdate(int atMonth) {
  if (!keepFramePages_) {
    WriteFramePages(0, atMonth);
    return;
  }
  std::error_code ec;
  if (!fs::exists(BaseFolder() / layout::kListFramePageName, ec)) WriteFramePages(1, 0);
  if (!fs::exists(BaseFolder() / layout::kCalendarFramePageName, ec)) WriteFramePages(2, 0);
}

int CLibraryHtmlWriter::UpdateListPages(CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames, int adding) {
  return Update(album, dayNames, adding ? Mode::Add : Mode::Remove);
}

int CLibraryHtmlWriter::UpdateListTitles(CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames) {
  return Update(album, dayNames, Mode::Titles);
}

}  // namespace orrivan
