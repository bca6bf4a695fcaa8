// Code page 932 at the byte boundaries (album file, HTML pages): one codec both ways over iconv
// "CP932". Inside the program text is UTF-8; a character CP932 cannot hold travels as "&#xHHHH;".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan::cp932 {

// UTF-8 -> CP932. A character CP932 cannot hold becomes "&#xHHHH;" (upper-case hex, at least four
// digits); an invalid UTF-8 byte becomes "&#xFFFD;". A literal "&" that opens a well-formed
// "&#x...;" becomes "&#x0026;", so Decode(Encode(s), true) == s for every valid s.
std::string Encode(std::string_view utf8);
// CP932 -> UTF-8. Invalid bytes become U+FFFD. With resolveReferences, "&#xHHHH;" turns back into
// its character (the album reader); decimal references stay text.
std::string Decode(std::string_view bytes, bool resolveReferences = false);
// 0x81-0x9F, 0xE0-0xFC
bool IsLeadByte(unsigned char c);
// The largest n <= maxBytes such that cp932.substr(0, n) splits neither a double-byte character nor
// a "&#x...;" reference.
size_t CutPoint(std::string_view cp932, size_t maxBytes);
// Splits CP932 bytes at '\' and '/'; a trail byte 0x5C (as in "表") is not a separator. Empty
// parts are kept (the caller decides what they mean).
std::vector<std::string> SplitPathBytes(std::string_view cp932);
// Appends one code point as UTF-8 (for readers of other encodings, such as the album's UTF-16).
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace orrivan::cp932
