// libav adapter for movie previews, built as the movie-frame module (movie_frame_module.h): open,
// find the video stream, decode until the first frame appears, scale it with libswscale. Every
// libav object is owned by a unique_ptr with its own free function, so each early return releases
// what was opened. Nothing but the one export leaves the module.
#include "imaging/movie_frame_module.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace {

// A broken movie makes libav talk on stderr; the import has no log and a failed frame only means
// no preview, so its messages are switched off for the whole process.
void SilenceLibav() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// A movie whose first packets decode to nothing is not worth reading to its end.
constexpr int kMaxPacketsRead = 2000;
constexpr int kMaxFrameSide = 16384;

struct FormatCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ScalerFreer {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

bool ScaleFrame(const AVFrame& frame, int width, int height, std::uint8_t* out) {
  if (frame.width <= 0 || frame.height <= 0 || frame.width > kMaxFrameSide ||
      frame.height > kMaxFrameSide)
    return false;
  std::unique_ptr<SwsContext, ScalerFreer> scaler(sws_getContext(
      frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width, height,
      AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
  if (!scaler) return false;
  // libswscale writes whole SIMD blocks, so it gets an aligned frame of its own; the rows are then
  // copied into the caller's unpadded rows.
  std::unique_ptr<AVFrame, FrameFreer> rgb(av_frame_alloc());
  if (!rgb) return false;
  rgb->format = AV_PIX_FMT_RGB24;
  rgb->width = width;
  rgb->height = height;
  if (av_frame_get_buffer(rgb.get(), 0) < 0) return false;
  if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, rgb->data,
                rgb->linesize) != height)
    return false;
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    std::memcpy(out + stride * y, rgb->data[0] + static_cast<std::ptrdiff_t>(rgb->linesize[0]) * y,
                stride);
  return true;
}

bool ReadFirstFrame(const char* path, int width, int height, std::uint8_t* out) {
  SilenceLibav();
  AVFormatContext* rawFormat = nullptr;
  if (avformat_open_input(&rawFormat, path, nullptr, nullptr) < 0) return false;
  std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
  if (avformat_find_stream_info(format.get(), nullptr) < 0) return false;

  const AVCodec* codec = nullptr;
  const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream < 0 || codec == nullptr) return false;
  std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
  if (!decoder) return false;
  if (avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0)
    return false;
  decoder->thread_count = 1;  // one frame is wanted; extra threads only add start-up cost
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return false;

  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!packet || !frame) return false;

  bool flushed = false;
  for (int read = 0; read < kMaxPacketsRead && !flushed; ++read) {
    if (av_read_frame(format.get(), packet.get()) < 0) {
      // End of file: a decoder with delay still holds frames; an empty packet releases them.
      avcodec_send_packet(decoder.get(), nullptr);
      flushed = true;
    } else {
      const bool ours = packet->stream_index == stream;
      const int sent = ours ? avcodec_send_packet(decoder.get(), packet.get()) : 0;
      av_packet_unref(packet.get());
      if (!ours || (sent < 0 && sent != AVERROR(EAGAIN))) continue;
    }
    if (avcodec_receive_frame(decoder.get(), frame.get()) == 0) return ScaleFrame(*frame, width, height, out);
  }
  return false;
}

}  // namespace

extern "C" ORRIVAN_MOVIE_FRAME_EXPORT int32_t orrivan_movie_read_first_frame_v1(
    const char* path, int32_t width, int32_t height, uint8_t* rgb, size_t rgbSize) {
  if (path == nullptr || rgb == nullptr || width <= 0 || height <= 0 || width > kMaxFrameSide ||
      height > kMaxFrameSide)
    return 0;
  if (rgbSize != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) return 0;
  return ReadFirstFrame(path, width, height, rgb) ? 1 : 0;
}
