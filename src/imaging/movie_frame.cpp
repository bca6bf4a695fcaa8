// libav adapter for movie previews: open, find the video stream, decode until the first frame
// appears, scale it with libswscale. Every libav object is owned by a unique_ptr with its own free
// function, so each early return releases what was opened.
#include "imaging/movie_frame.h"

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

namespace orrivan::imaging {

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

std::optional<RgbImage> ScaleFrame(const AVFrame& frame, ImageSize size) {
  if (frame.width <= 0 || frame.height <= 0 || frame.width > kMaxFrameSide ||
      frame.height > kMaxFrameSide || size.width <= 0 || size.height <= 0)
    return std::nullopt;
  std::unique_ptr<SwsContext, ScalerFreer> scaler(sws_getContext(
      frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), size.width, size.height,
      AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
  if (!scaler) return std::nullopt;
  // libswscale writes whole SIMD blocks, so it gets an aligned frame of its own; the rows are then
  // copied into the unpadded image.
  std::unique_ptr<AVFrame, FrameFreer> rgb(av_frame_alloc());
  if (!rgb) return std::nullopt;
  rgb->format = AV_PIX_FMT_RGB24;
  rgb->width = size.width;
  rgb->height = size.height;
  if (av_frame_get_buffer(rgb.get(), 0) < 0) return std::nullopt;
  if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, rgb->data,
                rgb->linesize) != size.height)
    return std::nullopt;
  RgbImage image;
  image.width = size.width;
  image.height = size.height;
  const std::size_t stride = static_cast<std::size_t>(size.width) * 3;
  image.pixels.resize(stride * size.height);
  for (int y = 0; y < size.height; ++y)
    std::memcpy(image.pixels.data() + stride * y, rgb->data[0] + static_cast<std::ptrdiff_t>(rgb->linesize[0]) * y,
                stride);
  return image;
}

}  // namespace

std::optional<RgbImage> ReadFirstMovieFrame(const std::filesystem::path& path, ImageSize size) {
  SilenceLibav();
  AVFormatContext* rawFormat = nullptr;
  if (avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr) < 0) return std::nullopt;
  std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
  if (avformat_find_stream_info(format.get(), nullptr) < 0) return std::nullopt;

  const AVCodec* codec = nullptr;
  const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream < 0 || codec == nullptr) return std::nullopt;
  std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
  if (!decoder) return std::nullopt;
  if (avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0)
    return std::nullopt;
  decoder->thread_count = 1;  // one frame is wanted; extra threads only add start-up cost
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return std::nullopt;

  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!packet || !frame) return std::nullopt;

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
    if (avcodec_receive_frame(decoder.get(), frame.get()) == 0) return ScaleFrame(*frame, size);
  }
  return std::nullopt;
}

}  // namespace orrivan::imaging
