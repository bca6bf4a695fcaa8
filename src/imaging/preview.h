// Previews: the reduced JPEG that every imported file gets in its folder's PREVIEW subfolder, the
// names those files take, and the size rule. The page writers find previews by these names, so the
// naming here is the one place that decides them.
#pragma once

#include <filesystem>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image_ops.h"

namespace orrivan::imaging {

inline constexpr char kPreviewFolderName[] = "PREVIEW";
// A preview's longer side is at most this many pixels.
inline constexpr int kPreviewLongSide = 320;

// What a placed file is, by its last three characters: "avi" a movie, "wav" a voice memo (either
// without regard to case, and only after a dot), anything else a still image.
enum class FileKind { Still, Movie, Memo };
FileKind KindOfFile(std::string_view name);

// The preview's file name for a placed file's name:
//   still image  ABCD0001.JPG -> ABCD0001.JPG   (the last three characters upper-cased)
//   movie        ABCD0002.AVI -> ABCD0002a.JPG
//   voice memo   ABCD0003.WAV -> ABCD0003.JPG   (so a memo shares its image twin's preview)
std::string PreviewName(std::string_view placedName);

// placed's folder / PREVIEW / PreviewName(placed's name).
std::filesystem::path PreviewPath(const std::filesystem::path& placed);

// The name of the still image a voice memo belongs to: the last three characters become "JPG".
std::string ImageTwinName(std::string_view memoName);

// Longer side cut to 320 and the shorter one scaled in integer arithmetic (truncated, at least 1);
// a picture no larger than 320 either way keeps its size.
ImageSize PreviewSize(ImageSize full);

enum class PreviewOutcome {
  Written,          // the preview file was (re)written
  SharedWithImage,  // a voice memo beside its image: the image's preview serves, nothing written
  Failed,           // nothing usable could be read or the file could not be written
};

// Writes the preview of `image` to `preview` (whose folder must exist), replacing a file of that
// name even when it is read-only. A movie gives its first frame at 320 x 240; a voice memo without
// an image twin beside it gives the built-in memo picture; a still image is decoded once with DCT
// scaling, resampled to PreviewSize and saved at quality 75.
PreviewOutcome MakePreview(const std::filesystem::path& image, const std::filesystem::path& preview);
// The same, with a still image's pixels turned a quarter turn before the scaling (turn: 0 none, 1
// counter-clockwise, 3 clockwise, the rotation codes of the orientation reader): the preview of a
// picture that is shown upright without its file being rewritten.
PreviewOutcome MakePreview(const std::filesystem::path& image, const std::filesystem::path& preview, int turn);

// The encoded preview of a still image held in memory (the whole file), turned as MakePreview turns
// it; the bytes MakePreview would write for a file of these contents. Nothing when the image cannot
// be decoded.
std::optional<std::vector<std::uint8_t>> StillPreviewBytes(std::span<const std::uint8_t> image, int turn);
// The encoded preview of a movie: its first frame, as MakePreview writes it.
std::optional<std::vector<std::uint8_t>> MoviePreviewBytes(const std::filesystem::path& movie);

// The entry of `folder` named `name` without regard to ASCII case (the exact name first), with its
// real spelling; nothing when there is none.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                      std::string_view name);
bool ExistsIgnoringCase(const std::filesystem::path& folder, std::string_view name);

// Where the preview of `placed` goes: PreviewPath(placed), unless its folder already holds that
// name in another case (a library written elsewhere), which is then reused rather than doubled.
std::filesystem::path ResolvePreviewPath(const std::filesystem::path& placed);

}  // namespace orrivan::imaging
