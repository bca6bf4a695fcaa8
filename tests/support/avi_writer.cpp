// AVI writer on libavformat's muxer and libavcodec's MJPEG encoder (full-range 4:2:0, as cameras
// write their motion JPEG).
#include "support/avi_writer.h"

#include <algorithm>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

namespace orrivan::test {

namespace {

struct OutputCloser {
  void operator()(AVFormatContext* f) const {
    if (f->pb) avio_closep(&f->pb);
    avformat_free_context(f);
  }
};
struct CodecFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

void Fill(AVFrame& frame, const Rgb& c) {
  // Full-range BT.601, the JPEG convention.
  const int y = (77 * c[0] + 150 * c[1] + 29 * c[2] + 128) >> 8;
  const int u = ((-43 * c[0] - 85 * c[1] + 128 * c[2] + 128) >> 8) + 128;
  const int v = ((128 * c[0] - 107 * c[1] - 21 * c[2] + 128) >> 8) + 128;
  for (int row = 0; row < frame.height; ++row)
    std::fill_n(frame.data[0] + static_cast<std::ptrdiff_t>(row) * frame.linesize[0], frame.width, Clamp(y));
  for (int row = 0; row < (frame.height + 1) / 2; ++row) {
    std::fill_n(frame.data[1] + static_cast<std::ptrdiff_t>(row) * frame.linesize[1], (frame.width + 1) / 2, Clamp(u));
    std::fill_n(frame.data[2] + static_cast<std::ptrdiff_t>(row) * frame.linesize[2], (frame.width + 1) / 2, Clamp(v));
  }
}

bool Drain(AVCodecContext* encoder, AVFormatContext* output, AVStream* stream, AVPacket* packet) {
  for (;;) {
    const int r = avcodec_receive_packet(encoder, packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (av_interleaved_write_frame(output, packet) < 0) return false;
  }
}

}  // namespace

bool WriteAvi(const std::filesystem::path& path, const AviSpec& params) {
  if (params.frames.empty() || params.width <= 0 || params.height <= 0) return false;
  av_log_set_level(AV_LOG_QUIET);
  AVFormatContext* raw = nullptr;
  if (avformat_alloc_output_context2(&raw, nullptr, "avi", path.c_str()) < 0 || !raw) return false;
  std::unique_ptr<AVFormatContext, OutputCloser> output(raw);

  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (!codec) return false;
  AVStream* stream = avformat_new_stream(output.get(), nullptr);
  std::unique_ptr<AVCodecContext, CodecFreer> encoder(avcodec_alloc_context3(codec));
  if (!stream || !encoder) return false;
  encoder->width = params.width;
  encoder->height = params.height;
  encoder->time_base = AVRational{1, params.framesPerSecond};
  encoder->framerate = AVRational{params.framesPerSecond, 1};
  encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
  encoder->color_range = AVCOL_RANGE_JPEG;
  if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return false;
  if (avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0) return false;
  stream->time_base = encoder->time_base;

  if (avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
  if (avformat_write_header(output.get(), nullptr) < 0) return false;

  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  if (!frame || !packet) return false;
  frame->format = encoder->pix_fmt;
  frame->width = params.width;
  frame->height = params.height;
  frame->color_range = AVCOL_RANGE_JPEG;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return false;

  for (std::size_t i = 0; i < params.frames.size(); ++i) {
    if (av_frame_make_writable(frame.get()) < 0) return false;
    Fill(*frame, params.frames[i]);
    frame->pts = static_cast<std::int64_t>(i);
    if (avcodec_send_frame(encoder.get(), frame.get()) < 0) return false;
    if (!Drain(encoder.get(), output.get(), stream, packet.get())) return false;
  }
  if (avcodec_send_frame(encoder.get(), nullptr) < 0) return false;
  if (!Drain(encoder.get(), output.get(), stream, packet.get())) return false;
  return av_write_trailer(output.get()) == 0;
}

}  // namespace orrivan::test
