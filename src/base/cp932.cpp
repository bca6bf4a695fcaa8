// CP932 <-> UTF-8 over iconv. An iconv descriptor carries shift state and is not safe to share
// between threads, so each thread keeps its own pair.
#include "base/cp932.h"

#include <fmt/format.h>
#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace orrivan::cp932 {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts one whole unit (a character, or a run of them); false when iconv refuses it.
  bool Convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[64];
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

Converter& ToCp932() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

Converter& FromCp932() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a well-formed one.
size_t Utf8Length(std::string_view s, size_t i, char32_t& cp) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  size_t n;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}


void AppendReference(std::string& out, char32_t cp) {
  out += fmt::format("&#x{:04X};", static_cast<uint32_t>(cp));
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// A reference "&#xHHHH;" (1 to 8 hex digits) at s[i]: its length, and its code point when
// wanted; 0 when none starts there. Only the hexadecimal form is ours: decimal references are text.
size_t ReferenceLength(std::string_view s, size_t i, char32_t* cp) {
  if (s.compare(i, 3, "&#x") != 0 && s.compare(i, 3, "&#X") != 0) return 0;
  size_t j = i + 3;
  uint32_t value = 0;
  while (j < s.size() && j - (i + 3) < 8 && IsHex(s[j])) {
    char c = s[j];
    value = value * 16 + static_cast<uint32_t>((c >= '0' && c <= '9') ? c - '0' : (c | 0x20) - 'a' + 10);
    ++j;
  }
  if (j == i + 3 || j >= s.size() || s[j] != ';') return 0;
  if (cp) *cp = value;
  return j + 1 - i;
}

bool Resolvable(char32_t cp) { return cp != 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF); }

}  // namespace

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string Encode(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  Converter& conv = ToCp932();
  size_t i = 0;
  while (i < utf8.size()) {
    // A literal '&' that would read back as one of our references is itself written as one, so
    // that the album reader gives back exactly what was stored.
    if (char32_t cp = 0; utf8[i] == '&' && ReferenceLength(utf8, i, &cp) > 0 && Resolvable(cp)) {
      AppendReference(out, U'&');
      ++i;
      continue;
    }
    // ASCII runs pass through untouched (CP932 is ASCII-compatible, 0x5C included).
    size_t run = i;
    while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80 &&
           (run == i || utf8[run] != '&')) {
      ++run;
    }
    if (run > i) {
      out.append(utf8.substr(i, run - i));
      i = run;
      continue;
    }
    char32_t cp = 0;
    size_t n = Utf8Length(utf8, i, cp);
    if (n == 0) {
      AppendReference(out, 0xFFFD);
      ++i;
      continue;
    }
    std::string one;
    if (conv.Valid() && conv.Convert(utf8.substr(i, n), one)) {
      out += one;
    } else {
      AppendReference(out, cp);
    }
    i += n;
  }
  return out;
}

std::string Decode(std::string_view bytes, bool resolveReferences) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  Converter& conv = FromCp932();
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      char32_t cp = 0;
      size_t refLen = resolveReferences ? ReferenceLength(bytes, i, &cp) : 0;
      if (refLen > 0 && Resolvable(cp)) {
        AppendUtf8(out, cp);
        i += refLen;
      } else {
        out += static_cast<char>(c);
        ++i;
      }
      continue;
    }
    size_t n = (IsLeadByte(c) && i + 1 < bytes.size()) ? 2 : 1;
    std::string one;
    if (conv.Valid() && conv.Convert(bytes.substr(i, n), one)) {
      out += one;
      i += n;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++i;  // the next byte may begin a character of its own
    }
  }
  return out;
}

size_t CutPoint(std::string_view cp932, size_t maxBytes) {
  if (maxBytes >= cp932.size()) return cp932.size();
  size_t i = 0;
  size_t last = 0;
  while (i < cp932.size()) {
    size_t n = 1;
    unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (IsLeadByte(c) && i + 1 < cp932.size()) {
      n = 2;
    } else if (c == '&') {
      if (size_t r = ReferenceLength(cp932, i, nullptr); r > 0) n = r;
    }
    if (i + n > maxBytes) break;
    i += n;
    last = i;
  }
  return last;
}

std::vector<std::string> SplitPathBytes(std::string_view cp932) {
  std::vector<std::string> parts;
  std::string current;
  size_t i = 0;
  while (i < cp932.size()) {
    unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (IsLeadByte(c) && i + 1 < cp932.size()) {
      current.append(cp932.substr(i, 2));
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/') {
      parts.push_back(std::move(current));
      current.clear();
    } else {
      current += static_cast<char>(c);
    }
    ++i;
  }
  parts.push_back(std::move(current));
  return parts;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace orrivan::cp932
