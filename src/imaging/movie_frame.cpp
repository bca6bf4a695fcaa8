// Loads the movie-frame module on demand and calls it. The module is found beside the program
// (../lib/orrivan/, as the bundled plug-in is) by an absolute path, so the loader searches nowhere
// else, and only a file that no one but its owner can change is loaded.
#include "imaging/movie_frame.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "base/paths.h"

#ifndef ORRIVAN_MOVIE_FRAME_MODULE_FILE
#error "ORRIVAN_MOVIE_FRAME_MODULE_FILE (the module's file name) comes from the build"
#endif

namespace orrivan::imaging {

namespace {

constexpr int kMaxFrameSide = 16384;

bool IsTrustedModuleFile(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool ReadAt(int fd, void* into, std::size_t size, off_t offset) {
  return ::pread(fd, into, size, offset) == static_cast<ssize_t>(size);
}

// The dynamic loader maps a library's segments without checking that the file holds them: a module
// cut short by an interrupted install or copy then faults (SIGBUS) inside dlopen. So the file must
// be a shared object for this machine whose every loaded segment lies within it.
bool IsWholeSharedObject(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  ElfW(Ehdr) header{};
  if (!ReadAt(fd, &header, sizeof header, 0)) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_type != ET_DYN ||
      header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
      header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 || header.e_phoff > size ||
      std::uint64_t{header.e_phnum} * sizeof(ElfW(Phdr)) > size - header.e_phoff)
    return false;
  std::vector<ElfW(Phdr)> segments(header.e_phnum);
  if (!ReadAt(fd, segments.data(), segments.size() * sizeof(ElfW(Phdr)),
              static_cast<off_t>(header.e_phoff)))
    return false;
  for (const auto& segment : segments) {
    if (segment.p_type != PT_LOAD && segment.p_type != PT_DYNAMIC) continue;
    if (segment.p_offset > size || segment.p_filesz > size - segment.p_offset) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<MovieFrameModule> MovieFrameModule::Open(const std::filesystem::path& file) {
  if (!file.is_absolute() || !IsTrustedModuleFile(file) || !IsWholeSharedObject(file))
    return nullptr;
  // RTLD_NOW: a module whose libav* libraries are missing fails here, not in the middle of a call.
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  auto read = reinterpret_cast<OrrivanMovieReadFirstFrameFn>(
      ::dlsym(handle, ORRIVAN_MOVIE_FRAME_READ_FIRST_FRAME));
  if (read == nullptr) {
    ::dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<MovieFrameModule>(new MovieFrameModule(read));
}

std::optional<RgbImage> MovieFrameModule::ReadFirstFrame(const std::filesystem::path& movie,
                                                         ImageSize size) const {
  if (size.width <= 0 || size.height <= 0 || size.width > kMaxFrameSide ||
      size.height > kMaxFrameSide)
    return std::nullopt;
  RgbImage image;
  image.width = size.width;
  image.height = size.height;
  image.pixels.resize(static_cast<std::size_t>(size.width) * size.height * 3);
  if (read_(movie.c_str(), size.width, size.height, image.pixels.data(), image.pixels.size()) != 1)
    return std::nullopt;
  return image;
}

std::filesystem::path BundledMovieFrameModulePath() {
  return (ExecutableFolder() / ".." / "lib" / "orrivan" / "modules" / ORRIVAN_MOVIE_FRAME_MODULE_FILE)
      .lexically_normal();
}

const MovieFrameModule* BundledMovieFrameModule() {
  static const std::unique_ptr<MovieFrameModule> module =
      MovieFrameModule::Open(BundledMovieFrameModulePath());
  return module.get();
}

std::optional<RgbImage> ReadFirstMovieFrame(const std::filesystem::path& path, ImageSize size) {
  const MovieFrameModule* module = BundledMovieFrameModule();
  if (module == nullptr) return std::nullopt;
  return module->ReadFirstFrame(path, size);
}

}  // namespace orrivan::imaging
