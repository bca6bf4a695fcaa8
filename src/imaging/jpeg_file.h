// The program's own handling of the camera's JPEG files: shooting date and orientation from the
// Exif and maker ("RKCI") segments, and lossless quarter and half turns of baseline 4:2:0 files
// (ITU-T T.81 sequential Huffman process, Annex K tables), done in the DCT domain when the sides
// are multiples of 16 and through pixel planes otherwise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace orrivan {

// Rotation code: the turn that makes the image upright.
inline constexpr std::uint8_t kRotationNone = 0;
inline constexpr std::uint8_t kRotationCounterClockwise = 1;  // Exif Orientation 8
inline constexpr std::uint8_t kRotationHalf = 2;              // Exif Orientation 3
inline constexpr std::uint8_t kRotationClockwise = 3;         // Exif Orientation 6
inline constexpr std::uint8_t kRotationUnknown = 255;         // unknown, or the file cannot be turned

// Exif version code written by ReadOrientation (0 when the file has no Exif segment).
inline constexpr int kExifVersionNone = 0;
inline constexpr int kExifVersion210 = 210;
inline constexpr int kExifVersion220 = 220;

// The one camera model whose files count as Exif 2.10 whatever their version tag says
// (compared without regard to case, trailing blanks included).
inline constexpr char kSpecialModel[] = "RKC-710  ";

// Metadata is read from this many leading bytes of a file only.
inline constexpr std::size_t kMetadataReadLimit = 65536;

class CJpegFile {
 public:
  // Writes the shooting date as 14 digits YYYYMMDDhhmmss to `out`; false (and `out` untouched)
  // when the file has no valid date in its first 64 KiB.
  static bool ReadShootingDate(const std::filesystem::path& path, std::string& out);

  // Returns the rotation code (0..3, or 255) and writes the Exif version code (0, 210 or 220).
  // Codes 0..3 are returned only for files that RotateFile can turn; the check reads the file
  // only up to its start of scan.
  static std::uint8_t ReadOrientation(const std::filesystem::path& path, int& outVersion);

  // Turns the file in place so that it stands upright. Code 0 is true at once; codes above 3 are
  // false. The new contents replace the old atomically (temporary file, fsync, rename), keeping
  // the file's mode; on any failure the file is left as it was. A file without its owner's write
  // bit is read-only and never turned (false, unchanged).
  static bool RotateFile(const std::filesystem::path& path, std::uint8_t code, int version);
  // True when the file's owner may write it, read from its mode: access() says yes to root for
  // every file, and the rename would replace a read-only file without asking.
  static bool OwnerMayWrite(const std::filesystem::path& path);

  // The same services on bytes in memory (fuzzing, tests, callers that already hold the file).
  // `bytes` is the whole file; the metadata readers look at its first 64 KiB only.
  static bool ReadShootingDate(std::span<const std::uint8_t> bytes, std::string& out);
  static std::uint8_t ReadOrientation(std::span<const std::uint8_t> bytes, int& outVersion);
  // On success `out` holds the turned file; on failure `out` is unspecified and false is returned.
  // threads as TurnJpeg takes it (0: as many as help); a caller already running one turn per core
  // passes 1.
  static bool RotateBytes(std::span<const std::uint8_t> in, std::uint8_t code, int version,
                          std::vector<std::uint8_t>& out, unsigned threads = 0);
  // The second half of RotateFile, for a caller that turned the bytes already: the same mode check
  // and the same atomic replacement.
  static bool ReplaceWithTurned(const std::filesystem::path& path, const std::vector<std::uint8_t>& turned);
};

}  // namespace orrivan
