// A link checker for generated pages: every HREF and SRC of a page (and the two page arguments of
// the navigation pages' "JavaScript:viewWin('a','b')" links) must name an existing file. Relative
// links resolve against the page's folder; "file://" URLs name absolute paths. mailto:, other
// javascript: links, "#" anchors and web URLs are skipped. Pages are code page 932 bytes; values
// are unescaped (character references, then %XX) before they are looked up.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan::test {

struct PageLink {
  std::string raw;                 // as written in the page
  std::filesystem::path resolved;  // empty when skipped
};

struct BrokenLink {
  std::filesystem::path page;
  std::string link;
  std::filesystem::path resolved;
};

// The links of one page's bytes (skipped ones have an empty resolved path).
std::vector<PageLink> ExtractLinks(std::string_view pageBytes, const std::filesystem::path& pageFolder);
std::vector<BrokenLink> CheckPageLinks(const std::filesystem::path& page);
// Every *.htm / *.html file below folder (recursively, not following symbolic links).
std::vector<BrokenLink> CheckLinksUnder(const std::filesystem::path& folder);
// Number of links checked by the last CheckPageLinks / CheckLinksUnder on this thread (to assert that
// a check did look at something).
size_t LastCheckedLinkCount();
// One line per broken link, for a failure message.
std::string Describe(const std::vector<BrokenLink>& broken);

}  // namespace orrivan::test
