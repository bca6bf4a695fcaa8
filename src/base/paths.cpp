// Home folder resolution and stored-path helpers.
#include "base/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <cstdlib>
#include <mutex>

namespace orrivan {
namespace {

std::mutex& HomeMutex() {
  static std::mutex m;
  return m;
}

std::filesystem::path& ChosenHome() {
  static std::filesystem::path home;
  return home;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Canonical form of a path that may not exist yet: the existing head resolved, the rest appended.
std::filesystem::path Resolved(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::path r = std::filesystem::weakly_canonical(std::filesystem::absolute(p, ec), ec);
  if (ec) return std::filesystem::absolute(p).lexically_normal();
  // weakly_canonical keeps a trailing separator as an empty last element; drop it.
  std::string s = r.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

void SetHomeFolder(const std::filesystem::path& home) {
  std::lock_guard lock(HomeMutex());
  ChosenHome() = home.empty() ? home : std::filesystem::absolute(home);
}

std::filesystem::path HomeFolder() {
  {
    std::lock_guard lock(HomeMutex());
    if (!ChosenHome().empty()) return ChosenHome();
  }
  if (const char* env = std::getenv("ORRIVAN_HOME"); env && *env) {
    return std::filesystem::absolute(env);
  }
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (pictures.isEmpty()) {
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / "Pictures" / "Orrivan";
  }
  return std::filesystem::path(pictures.toStdString()) / "Orrivan";
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

std::filesystem::path BundledPluginFolder() {
  return (ExecutableFolder() / ".." / "lib" / "orrivan" / "plugins").lexically_normal();
}

std::filesystem::path HomePluginFolder() { return HomeFolder() / "Plugins"; }

std::vector<std::string> SplitStoredPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t i = 0;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    parts.emplace_back("//");
    i = 2;
  } else if (!path.empty() && IsSeparator(path[0])) {
    parts.emplace_back("/");
    i = 1;
  }
  // A drive letter ("C:") needs no marker of its own: it is the first non-empty part anyway.
  while (i < path.size()) {
    size_t j = i;
    while (j < path.size() && !IsSeparator(path[j])) ++j;
    if (j > i) parts.emplace_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

std::string NormaliseStoredPath(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsInside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  if (inner.empty() || outer.empty()) return false;
  std::filesystem::path in = Resolved(inner);
  std::filesystem::path out = Resolved(outer);
  auto ii = in.begin();
  for (auto oi = out.begin(); oi != out.end(); ++oi, ++ii) {
    if (ii == in.end() || *ii != *oi) return false;
  }
  return true;
}

}  // namespace orrivan
