#include "html/html_text.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/paths.h"

namespace orrivan::html {
namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Length of the UTF-8 sequence that starts with c (1 for a stray byte, so a walk always advances).
size_t Utf8Length(unsigned char c) {
  if (c < 0xC0) return 1;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return 4;
}

}  // namespace

std::string EscapeHtml(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PageBytes(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return cp932::Encode(utf8);
}

std::string PageValue(std::string_view utf8) { return PageBytes(EscapeHtml(utf8)); }

std::string PageUrl(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '%': out += "%25"; break;
      case '#': out += "%23"; break;
      case '?': out += "%3F"; break;
      default: out += c;
    }
  }
  return PageValue(out);
}

std::vector<std::string> CutByBytes(std::string_view utf8, size_t maxBytes) {
  std::vector<std::string> pieces;
  std::string piece;
  size_t pieceBytes = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    std::string_view ch = utf8.substr(i, n);
    size_t bytes = n == 1 && static_cast<unsigned char>(ch[0]) < 0x80 ? 1 : cp932::Encode(ch).size();
    if (pieceBytes + bytes > maxBytes && !piece.empty()) {
      pieces.push_back(std::move(piece));
      piece.clear();
      pieceBytes = 0;
    }
    piece.append(ch);
    pieceBytes += bytes;
    i += n;
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> values) {
  std::string out;
  auto value = values.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    size_t j = i + 1;
    size_t width = 0;
    bool zero = false;
    if (pattern[j] == '0') zero = true;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') width = width * 10 + (pattern[j++] - '0');
    if (j < pattern.size() && (pattern[j] == 'd' || pattern[j] == 's')) {
      std::string v = value != values.end() ? *value++ : std::string();
      if (v.size() < width) v.insert(0, width - v.size(), zero ? '0' : ' ');
      out += v;
      i = j;
    } else if (pattern[j] == '%') {
      out += '%';
      i = j;
    } else {
      out += '%';
    }
  }
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t i = 0;
  bool trail = false;
  for (; i < a.size() && i < b.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!trail) {
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    }
    if (x != y) return x < y ? -1 : 1;
    trail = !trail && cp932::IsLeadByte(static_cast<unsigned char>(a[i]));
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string Normalised(std::string path) {
  path = NormaliseStoredPath(path);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool InsideFolder(std::string_view path, std::string_view folder) {
  return !folder.empty() && path.size() > folder.size() + 1 && path.starts_with(folder) && path[folder.size()] == '/';
}

std::string FolderOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string NameOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace orrivan::html
