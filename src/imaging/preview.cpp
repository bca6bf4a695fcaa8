// Preview naming, the 320 rule and MakePreview: load, analyse, scale, save, as the import's
// per-file step needs it.
#include "imaging/preview.h"

#include <cctype>
#include <system_error>

#include "base/paths.h"
#include "imaging/memo_picture.h"
#include "imaging/movie_frame.h"

namespace orrivan::imaging {

namespace {

// A camera writes a few megabytes a picture; anything far beyond that is not read into memory.
constexpr std::uintmax_t kMaxStillImageBytes = 512ull * 1024 * 1024;

bool HasExtension(std::string_view name, std::string_view ext3) {
  return name.size() >= 4 && name[name.size() - 4] == '.' &&
         EqualsIgnoreCase(name.substr(name.size() - 3), ext3);
}

PreviewOutcome Save(const RgbImage& image, const std::filesystem::path& preview) {
  return SaveJpeg(image, preview, kJpegQuality) ? PreviewOutcome::Written : PreviewOutcome::Failed;
}

PreviewOutcome Written(const std::optional<std::vector<std::uint8_t>>& bytes, const std::filesystem::path& preview) {
  return bytes && WriteFileReplacing(preview, *bytes) ? PreviewOutcome::Written : PreviewOutcome::Failed;
}

PreviewOutcome MemoPreview(const std::filesystem::path& memo, const std::filesystem::path& preview) {
  if (ExistsIgnoringCase(memo.parent_path(), ImageTwinName(memo.filename().string())))
    return PreviewOutcome::SharedWithImage;
  // Decoded and saved again rather than copied, so the memo preview is written the same way as
  // every other preview.
  JpegDecoder decoder(MemoPicture());
  if (!decoder.ReadHeader()) return PreviewOutcome::Failed;
  const auto picture = decoder.Decode({0, 0});
  return picture ? Save(*picture, preview) : PreviewOutcome::Failed;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> StillPreviewBytes(std::span<const std::uint8_t> image, int turn) {
  JpegDecoder decoder(image);
  if (!decoder.ReadHeader()) return std::nullopt;
  const bool quarter = turn == 1 || turn == 3;
  ImageSize full = decoder.size();
  if (quarter) full = {full.height, full.width};
  const ImageSize target = PreviewSize(full);
  auto decoded = decoder.Decode(quarter ? ImageSize{target.height, target.width} : target);
  if (!decoded) return std::nullopt;
  if (quarter) *decoded = TurnQuarter(*decoded, turn == 3);
  if (decoded->size() != target) *decoded = Resample(*decoded, target.width, target.height);
  return EncodeJpeg(*decoded, kJpegQuality);
}

std::optional<std::vector<std::uint8_t>> MoviePreviewBytes(const std::filesystem::path& movie) {
  const auto frame = ReadFirstMovieFrame(movie, kMovieFrameSize);
  if (!frame) return std::nullopt;
  return EncodeJpeg(*frame, kJpegQuality);
}

FileKind KindOfFile(std::string_view name) {
  if (HasExtension(name, "avi")) return FileKind::Movie;
  if (HasExtension(name, "wav")) return FileKind::Memo;
  return FileKind::Still;
}

std::string PreviewName(std::string_view placedName) {
  std::string name(placedName);
  switch (KindOfFile(placedName)) {
    case FileKind::Movie:
      return name.substr(0, name.size() - 4) + "a.JPG";
    case FileKind::Memo:
      return ImageTwinName(placedName);
    case FileKind::Still:
      for (std::size_t i = name.size() >= 3 ? name.size() - 3 : 0; i < name.size(); ++i)
        name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
      return name;
  }
  return name;
}

std::filesystem::path PreviewPath(const std::filesystem::path& placed) {
  return placed.parent_path() / kPreviewFolderName / PreviewName(placed.filename().string());
}

std::string ImageTwinName(std::string_view memoName) {
  if (memoName.size() < 3) return std::string(memoName) + "JPG";
  return std::string(memoName.substr(0, memoName.size() - 3)) + "JPG";
}

ImageSize PreviewSize(ImageSize full) {
  if (full.width <= kPreviewLongSide && full.height <= kPreviewLongSide) return full;
  // 64-bit products: the sides come from a file header.
  if (full.width >= full.height) {
    const auto shorter = static_cast<int>(std::int64_t{full.height} * kPreviewLongSide / full.width);
    return {kPreviewLongSide, shorter > 0 ? shorter : 1};
  }
  const auto shorter = static_cast<int>(std::int64_t{full.width} * kPreviewLongSide / full.height);
  return {shorter > 0 ? shorter : 1, kPreviewLongSide};
}

std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                      std::string_view name) {
  std::error_code ec;
  const std::filesystem::path exact = folder / std::string(name);
  if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec))) return exact;
  // A bare file name lies in the current folder.
  const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
  for (auto it = std::filesystem::directory_iterator(where, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (EqualsIgnoreCase(it->path().filename().string(), name)) return it->path();
  }
  return std::nullopt;
}

bool ExistsIgnoringCase(const std::filesystem::path& folder, std::string_view name) {
  return FindIgnoringCase(folder, name).has_value();
}

std::filesystem::path ResolvePreviewPath(const std::filesystem::path& placed) {
  const std::filesystem::path wanted = PreviewPath(placed);
  return FindIgnoringCase(wanted.parent_path(), wanted.filename().string()).value_or(wanted);
}

PreviewOutcome MakePreview(const std::filesystem::path& image, const std::filesystem::path& preview) {
  return MakePreview(image, preview, 0);
}

PreviewOutcome MakePreview(const std::filesystem::path& image, const std::filesystem::path& preview, int turn) {
  switch (KindOfFile(image.filename().string())) {
    case FileKind::Movie:
      return Written(MoviePreviewBytes(image), preview);
    case FileKind::Memo:
      return MemoPreview(image, preview);
    case FileKind::Still: {
      const auto bytes = ReadFileBytes(image, kMaxStillImageBytes);
      return bytes ? Written(StillPreviewBytes(*bytes, turn), preview) : PreviewOutcome::Failed;
    }
  }
  return PreviewOutcome::Failed;
}

}  // namespace orrivan::imaging
