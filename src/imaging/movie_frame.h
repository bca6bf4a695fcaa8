// The first video frame of a movie, scaled to a fixed size. The libav* adapter that reads it is a
// module of its own (movie_frame_module.h), loaded at the first movie, so that only runs that meet
// a movie pay for libav*'s libraries; a missing or broken module means no movie frames, nothing worse.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "imaging/image_ops.h"
#include "imaging/movie_frame_module.h"

namespace orrivan::imaging {

// A movie's preview frame is always this size, whatever the movie's own aspect.
inline constexpr ImageSize kMovieFrameSize{320, 240};

// One loaded movie-frame module. Never unloaded: libav* keeps process-wide state that does not
// survive its library going away.
class MovieFrameModule {
 public:
  // Nothing when the file is missing, not a regular file, writable by group or others, cannot be
  // loaded (or its libraries cannot), or lacks the export of this build's version.
  static std::unique_ptr<MovieFrameModule> Open(const std::filesystem::path& file);

  // Decodes the first frame of the file's best video stream and scales it to `size`. Nothing when
  // the file cannot be opened, holds no video stream, or no frame decodes.
  std::optional<RgbImage> ReadFirstFrame(const std::filesystem::path& movie, ImageSize size) const;

 private:
  explicit MovieFrameModule(OrrivanMovieReadFirstFrameFn read) : read_(read) {}
  OrrivanMovieReadFirstFrameFn read_;
};

// ExecutableFolder()/../lib/orrivan/modules/ and the module's file name, normalised.
std::filesystem::path BundledMovieFrameModulePath();

// The bundled module, opened at the first call (from any thread) and kept; null when it could not
// be opened, which is then final for the process.
const MovieFrameModule* BundledMovieFrameModule();

// ReadFirstFrame through the bundled module; nothing when the module is not there.
std::optional<RgbImage> ReadFirstMovieFrame(const std::filesystem::path& path,
                                            ImageSize size = kMovieFrameSize);

}  // namespace orrivan::imaging
