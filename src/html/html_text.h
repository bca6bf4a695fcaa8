// Page text as the album pages hold it: code page 932 bytes, CR LF line ends, values HTML-escaped.
// Fixed lines are ASCII or come from the string table; every inserted value (title, folder name,
// path) goes through PageValue or PageUrl so that no name can break the markup.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orrivan::html {

inline constexpr char kCrLf[] = "\r\n";

// "&", "<", ">" and '"' as character references.
std::string EscapeHtml(std::string_view utf8);
// UTF-8 -> CP932, with a fast path for ASCII (most page lines).
std::string PageBytes(std::string_view utf8);
// An inserted value: escaped, then CP932.
std::string PageValue(std::string_view utf8);
// A path or URL placed in HREF/SRC: '%', '#' and '?' percent-encoded (a folder named "a#b" must not
// end the path), then escaped and encoded.
std::string PageUrl(std::string_view utf8);
// Cuts text into pieces of at most maxBytes CP932 bytes, never inside a character (a character CP932
// cannot hold counts as its "&#xHHHH;" reference). Pieces stay UTF-8.
std::vector<std::string> CutByBytes(std::string_view utf8, size_t maxBytes);

// printf-style formatting of a UTF-8 pattern from the string table ("%d年%d月", "%s年").
std::string FormatText(const std::string& pattern, std::initializer_list<std::string> values);

// Stored-path pieces as the page writers use them: '/' throughout without a trailing one; the part
// before and after the last separator ('\\' or '/').
std::string Normalised(std::string path);
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
// True when the normalised path lies below the normalised folder (not the folder itself).
bool InsideFolder(std::string_view path, std::string_view folder);

// Collects page lines; every line ends with CR LF.
class PageWriter {
 public:
  // Raw CP932 bytes (already encoded).
  void Line(std::string_view cp932) {
    text_.append(cp932);
    text_.append(kCrLf);
  }
  void Raw(std::string_view cp932) { text_.append(cp932); }
  std::string& Text() { return text_; }

 private:
  std::string text_;
};

// CP932-aware case-insensitive comparison of page bytes (only single-byte ASCII letters fold).
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace orrivan::html
