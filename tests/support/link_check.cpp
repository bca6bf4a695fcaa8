#include "support/link_check.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "base/cp932.h"

namespace orrivan::test {
namespace fs = std::filesystem;
namespace {

thread_local size_t checkedLinks = 0;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(s[i]) != Lower(prefix[i])) return false;
  return true;
}

std::string Unescape(std::string_view cp932Value) {
  std::string text = cp932::Decode(cp932Value, true);
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      static constexpr std::pair<std::string_view, char> kNamed[] = {
          {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
      bool matched = false;
      for (auto [name, c] : kNamed) {
        if (std::string_view(text).substr(i, name.size()) == name) {
          out += c;
          i += name.size() - 1;
          matched = true;
          break;
        }
      }
      if (matched) continue;
    }
    out += text[i];
  }
  return out;
}

// %XX escapes, after the query and fragment are gone (an escaped "#" belongs to the name).
std::string PercentDecode(const std::string& out) {
  std::string decoded;
  auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : (Lower(c) >= 'a' && Lower(c) <= 'f') ? Lower(c) - 'a' + 10 : -1; };
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '%' && i + 2 < out.size() && hex(out[i + 1]) >= 0 && hex(out[i + 2]) >= 0) {
      decoded += static_cast<char>(hex(out[i + 1]) * 16 + hex(out[i + 2]));
      i += 2;
    } else {
      decoded += out[i];
    }
  }
  return decoded;
}

fs::path Resolve(const std::string& link, const fs::path& pageFolder) {
  std::string target = link;
  bool absolute = StartsWithNoCase(target, "file://");
  if (absolute) target = target.substr(7);
  size_t cut = target.find_first_of("?#");
  if (cut != std::string::npos) target.resize(cut);
  target = PercentDecode(target);
  if (absolute) return fs::path(target);
  return (pageFolder / target).lexically_normal();
}

void AddLink(std::vector<PageLink>& links, std::string_view raw, const fs::path& pageFolder) {
  std::string value = Unescape(raw);
  PageLink link{std::string(raw), {}};
  if (value.empty() || value[0] == '#' || StartsWithNoCase(value, "mailto:") || StartsWithNoCase(value, "http:") ||
      StartsWithNoCase(value, "https:") || StartsWithNoCase(value, "data:")) {
    links.push_back(link);
    return;
  }
  if (StartsWithNoCase(value, "javascript:")) {
    // viewWin('navigation page','lower page'): both are files.
    size_t open = value.find("viewWin(");
    if (open != std::string::npos) {
      size_t p = open;
      for (int arg = 0; arg < 2; ++arg) {
        size_t q1 = value.find('\'', p);
        size_t q2 = q1 == std::string::npos ? q1 : value.find('\'', q1 + 1);
        if (q2 == std::string::npos) break;
        links.push_back({value.substr(q1 + 1, q2 - q1 - 1), Resolve(value.substr(q1 + 1, q2 - q1 - 1), pageFolder)});
        p = q2 + 1;
      }
    }
    links.push_back(link);
    return;
  }
  link.resolved = Resolve(value, pageFolder);
  links.push_back(link);
}

}  // namespace

std::vector<PageLink> ExtractLinks(std::string_view page, const fs::path& pageFolder) {
  std::vector<PageLink> links;
  for (size_t i = 0; i < page.size(); ++i) {
    size_t nameLength = 0;
    if (StartsWithNoCase(page.substr(i), "href")) nameLength = 4;
    else if (StartsWithNoCase(page.substr(i), "src")) nameLength = 3;
    if (nameLength == 0) continue;
    // An attribute name stands after a blank.
    if (i == 0 || (page[i - 1] != ' ' && page[i - 1] != '\t' && page[i - 1] != '\n' && page[i - 1] != '\r')) continue;
    size_t p = i + nameLength;
    while (p < page.size() && (page[p] == ' ' || page[p] == '\t')) ++p;
    if (p >= page.size() || page[p] != '=') continue;
    ++p;
    while (p < page.size() && (page[p] == ' ' || page[p] == '\t')) ++p;
    if (p >= page.size()) break;
    size_t end;
    size_t start;
    if (page[p] == '"' || page[p] == '\'') {
      start = p + 1;
      end = page.find(page[p], start);
      if (end == std::string_view::npos) break;
    } else {
      start = p;
      end = page.find_first_of(" \t\r\n>", start);
      if (end == std::string_view::npos) end = page.size();
    }
    AddLink(links, page.substr(start, end - start), pageFolder);
    i = end;
  }
  return links;
}

std::vector<BrokenLink> CheckPageLinks(const fs::path& page) {
  std::ifstream in(page, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<BrokenLink> broken;
  checkedLinks = 0;
  for (const PageLink& link : ExtractLinks(bytes, page.parent_path())) {
    if (link.resolved.empty()) continue;
    ++checkedLinks;
    std::error_code ec;
    if (!fs::exists(link.resolved, ec)) broken.push_back({page, link.raw, link.resolved});
  }
  return broken;
}

std::vector<BrokenLink> CheckLinksUnder(const fs::path& folder) {
  std::vector<BrokenLink> broken;
  size_t total = 0;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
    std::string ext = it->path().extension().string();
    for (char& c : ext) c = Lower(c);
    if (ext != ".htm" && ext != ".html") continue;
    std::vector<BrokenLink> page = CheckPageLinks(it->path());
    total += checkedLinks;
    broken.insert(broken.end(), page.begin(), page.end());
  }
  checkedLinks = total;
  return broken;
}

size_t LastCheckedLinkCount() { return checkedLinks; }

std::string Describe(const std::vector<BrokenLink>& broken) {
  std::string text;
  for (const BrokenLink& b : broken)
    text += b.page.string() + ": " + b.link + " -> " + b.resolved.string() + "\n";
  return text;
}

}  // namespace orrivan::test
