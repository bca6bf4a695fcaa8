// Text helpers of the template plug-in. The plug-in stands alone (no engine), so it carries its own
// small code page 932 encoder on top of iconv.
#include "page_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace orrivan::templates {

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::string PercentEncode(std::string_view text, bool keepSlash) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (IsUnreserved(c) || (keepSlash && c == '/')) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Length of the UTF-8 sequence starting with lead byte c and its code point; 1 and the byte itself
// for a malformed sequence, so the caller always moves on.
size_t DecodeUtf8(std::string_view s, size_t at, unsigned* codePoint) {
  const auto c = static_cast<unsigned char>(s[at]);
  size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || at + length > s.size()) {
    *codePoint = c;
    return 1;
  }
  unsigned value = length == 1   ? c
                   : length == 2 ? (c & 0x1F)
                   : length == 3 ? (c & 0x0F)
                                 : (c & 0x07);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(s[at + i]);
    if ((next & 0xC0) != 0x80) {
      *codePoint = c;
      return 1;
    }
    value = (value << 6) | (next & 0x3F);
  }
  *codePoint = value;
  return length;
}

}  // namespace

std::string EncodeUrlPath(std::string_view path) { return PercentEncode(path, true); }

std::string EncodeMailtoField(std::string_view text) { return PercentEncode(text, false); }

std::optional<std::string> ToCp932(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.reserve(utf8.size());
  std::vector<char> chunk(4096);
  size_t at = 0;
  bool failed = false;
  while (at < utf8.size() && !failed) {
    char* in = const_cast<char*>(utf8.data() + at);
    size_t inLeft = utf8.size() - at;
    char* dst = chunk.data();
    size_t dstLeft = chunk.size();
    const size_t result = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    const int error = errno;
    out.append(chunk.data(), chunk.size() - dstLeft);
    at = utf8.size() - inLeft;
    if (result != static_cast<size_t>(-1)) break;
    if (error == E2BIG) continue;
    if (error == EILSEQ || error == EINVAL) {
      // A character the code page lacks, or broken UTF-8: write it as a character reference.
      unsigned codePoint = 0;
      at += DecodeUtf8(utf8, at, &codePoint);
      char reference[16];
      std::snprintf(reference, sizeof reference, "&#x%04X;", codePoint);
      out += reference;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    failed = true;
  }
  iconv_close(cd);
  if (failed) return std::nullopt;
  return out;
}

}  // namespace orrivan::templates
