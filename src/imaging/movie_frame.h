// The first video frame of a movie, scaled to a fixed size, through FFmpeg's libraries (whatever
// container and codec they read). FFmpeg's error codes and log output stay inside movie_frame.cpp.
#pragma once

#include <filesystem>
#include <optional>

#include "imaging/image_ops.h"

namespace orrivan::imaging {

// A movie's preview frame is always this size, whatever the movie's own aspect.
inline constexpr ImageSize kMovieFrameSize{320, 240};

// Decodes the first frame of the file's best video stream and scales it to `size`. Nothing when the
// file cannot be opened, holds no video stream, or no frame decodes.
std::optional<RgbImage> ReadFirstMovieFrame(const std::filesystem::path& path,
                                            ImageSize size = kMovieFrameSize);

}  // namespace orrivan::imaging
