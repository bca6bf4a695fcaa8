// Text helpers of the template plug-in: HTML escaping, URL encoding of relative links and the
// UTF-8 to code page 932 conversion of a finished page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orrivan::templates {

// Escapes &, <, > and " (and ') so any text is shown as text, in content and in attribute values.
std::string EscapeHtml(std::string_view text);

// Percent-encodes a path for an href or src: "/" and unreserved characters stay, all else is %XX
// of its UTF-8 bytes (browsers decode paths as UTF-8 whatever the page's charset).
std::string EncodeUrlPath(std::string_view path);

// Percent-encodes a mailto: field value completely (RFC 6068: UTF-8, %XX).
std::string EncodeMailtoField(std::string_view text);

// The page as code page 932 bytes. A character the code page cannot hold becomes "&#xHHHH;", which
// is plain HTML wherever the page puts text. Nothing when the converter is unavailable.
std::optional<std::string> ToCp932(std::string_view utf8);

}  // namespace orrivan::templates
