/* The movie-frame module's interface: the one export the program looks up by name in
 * lib/orrivan/modules/movie_frame.so. The module holds the libav* adapter, so only a run that meets
 * a movie loads libav* and its tree of libraries; every other command starts without them.
 *
 * The export decodes the first frame of the file's best video stream, scales it to width x height
 * and writes it as 8-bit RGB rows, top to bottom, no padding, into rgb (rgbSize bytes, which must
 * be width * height * 3). It returns 1 when the frame was written and 0 for anything else; it
 * keeps nothing of the call. The version in the name changes whenever this contract does, so a
 * module of another build is refused at lookup rather than called wrongly.
 */
#ifndef ORRIVAN_IMAGING_MOVIE_FRAME_MODULE_H
#define ORRIVAN_IMAGING_MOVIE_FRAME_MODULE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ORRIVAN_MOVIE_FRAME_EXPORT __attribute__((visibility("default")))
#define ORRIVAN_MOVIE_FRAME_READ_FIRST_FRAME "orrivan_movie_read_first_frame_v1"

typedef int32_t (*OrrivanMovieReadFirstFrameFn)(const char* path, int32_t width, int32_t height,
                                                uint8_t* rgb, size_t rgbSize);

#ifdef __cplusplus
}
#endif

#endif
