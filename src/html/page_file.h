// The files behind the album pages: attributes (protected pages are read-only, 0444; normal pages
// 0644), whole-page reads and atomic writes, the checksum seal of the pages edited in place,
// dummy.gif, folder creation that moves a file out of the way, link (".lnk") resolution and the
// frame size of a preview JPEG.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orrivan::html {

// Both act only on an existing regular file (never through a symbolic link, which would change the
// file it points to).
void ResetPageAttributes(const std::filesystem::path& path);
void ProtectPage(const std::filesystem::path& path);

// Writes a page whole through a temporary file in the same folder and a rename, so a crash leaves
// the old page or the new one, never a torn one. durable syncs the new bytes before the rename (pages
// edited in place, which no rebuild would restore; regenerated pages are rewritten by every rebuild
// anyway). protect sets 0444. A page that already holds these bytes and mode is left alone. False
// when the page could not be written; the old page is then unchanged.
bool WritePage(const std::filesystem::path& path, std::string_view bytes, bool protect, bool durable = false);
// The whole file; nullopt when it cannot be read.
std::optional<std::string> ReadPage(const std::filesystem::path& path);

// The seal: bytes 20-22 hold "1", the XOR and the sum (mod 256) of all bytes of the page, both taken
// with bytes 20-22 set to spaces.
inline constexpr size_t kSealOffset = 20;
// False (page unchanged) when it is shorter than the seal.
bool SealBytes(std::string& page);
bool CheckSealBytes(std::string_view page);
bool SealPage(const std::filesystem::path& path);
bool CheckSeal(const std::filesystem::path& path);

// The 41-byte placeholder picture of the empty sample cells.
std::string_view DummyGifBytes();

// Creates the folder unless one exists. A file of that name is renamed to name.000 .. name.999 (the
// first free one) first. Returns 1 when the folder exists afterwards, else 0.
int EnsureFolder(const std::filesystem::path& path);

// A shortcut is a symbolic link "<name>.lnk"; its absolute target, or empty when it is not one.
std::string ResolveShortcut(const std::filesystem::path& path);
// Ends with ".lnk" (any case).
bool IsShortcutName(std::string_view name);

// Frame size of a JPEG held in memory: the widest baseline frame (FF C0) found by walking from the
// first start-of-image marker to the first end-of-image marker; JFXX extension segments are skipped.
// ok only when a frame was found and the end-of-image marker reached.
struct FrameSize {
  int width = 0;
  int height = 0;
  bool ok = false;
};
FrameSize ScanJpegFrame(std::string_view bytes);
FrameSize ReadJpegFrameSize(const std::filesystem::path& path);

enum class Shape { Wide, Tall, Unknown };
// A square preview counts as wide.
Shape PreviewShape(const std::filesystem::path& path);

}  // namespace orrivan::html
