// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once
#include <filesystem>
#include <string>

namespace orrivan::test {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "orrivan-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes bytes to a file, creating its parent folders.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace orrivan::test
