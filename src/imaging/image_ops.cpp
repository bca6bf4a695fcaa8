// libjpeg-turbo adapter and resampler. libjpeg reports errors by calling error_exit, which must not
// return; ours longjmps back into the function that armed it, here and nowhere else. Everything that
// must survive the jump (the codec structs, pixel buffers, the encoder's output) lives in heap state
// reached through a pointer that is not changed after setjmp, so no local is left indeterminate.
#include "imaging/image_ops.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace orrivan::imaging {

namespace {

// A frame header may claim up to 65,535 × 65,535 pixels; a picture from a camera is a fraction of
// that. Above this the header is treated as hostile rather than decoded into gigabytes.
constexpr std::uint64_t kMaxFramePixels = 1ull << 28;      // 268 megapixels
constexpr long kMaxDecoderMemory = 768L * 1024 * 1024;     // libjpeg's own working memory

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Warnings are ignored except the two that mean part of the picture is missing: the data ended
// early (libjpeg then invents an end of image and paints the rest grey) or a marker cut a segment.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level != -1) return;  // trace messages
  const int code = cinfo->err->msg_code;
  cinfo->err->num_warnings++;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}  // never print to stderr

void InstallErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
}

inline std::uint8_t ClampToByte(float v) {
  if (v <= 0.0f) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<std::uint8_t>(v + 0.5f);
}

// libjpeg outputs Adobe CMYK inverted (0 = full ink); plain CMYK is the other way round.
void CmykToRgb(std::vector<std::uint8_t>& pixels, std::size_t count, bool inverted) {
  for (std::size_t i = 0; i < count; ++i) {
    int c = pixels[i * 4], m = pixels[i * 4 + 1], y = pixels[i * 4 + 2], k = pixels[i * 4 + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    pixels[i * 3] = static_cast<std::uint8_t>((c * k + 127) / 255);
    pixels[i * 3 + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    pixels[i * 3 + 2] = static_cast<std::uint8_t>((y * k + 127) / 255);
  }
  pixels.resize(count * 3);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                       std::uintmax_t maxBytes) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size > maxBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) return std::nullopt;
  return bytes;
}

// ---- decoding ---------------------------------------------------------------------------------

struct JpegDecoder::State {
  std::span<const std::uint8_t> bytes;
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  bool headerRead = false;
  bool used = false;  // ReadHeader failed or Decode ran: the codec state is spent
  ImageSize size;
  std::vector<std::uint8_t> pixels;

  ~State() { jpeg_destroy_decompress(&cinfo); }
};

JpegDecoder::JpegDecoder(std::span<const std::uint8_t> bytes) : state_(std::make_unique<State>()) {
  state_->bytes = bytes;
}

JpegDecoder::~JpegDecoder() = default;

ImageSize JpegDecoder::size() const { return state_->size; }

bool JpegDecoder::ReadHeader() {
  State* const s = state_.get();
  if (s->headerRead) return true;
  if (s->used) return false;
  s->used = true;
  if (s->bytes.size() < 4 || s->bytes.size() > static_cast<std::size_t>(~0ul)) return false;

  s->cinfo.err = &s->err.pub;
  InstallErrorManager(s->err);
  if (setjmp(s->err.jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&s->cinfo, s->bytes.data(), static_cast<unsigned long>(s->bytes.size()));
  if (jpeg_read_header(&s->cinfo, TRUE) != JPEG_HEADER_OK) return false;
  const std::uint64_t w = s->cinfo.image_width, h = s->cinfo.image_height;
  if (w == 0 || h == 0 || w * h > kMaxFramePixels) return false;
  s->size = {static_cast<int>(w), static_cast<int>(h)};
  s->headerRead = true;
  s->used = false;
  return true;
}

int ChooseDctScale(ImageSize full, ImageSize atLeast) {
  if (atLeast.width <= 0 && atLeast.height <= 0) return 8;
  for (int m = 1; m < 8; ++m) {
    // The decoder's output side for scale m/8 is the side times m/8 rounded up.
    const std::int64_t w = (static_cast<std::int64_t>(full.width) * m + 7) / 8;
    const std::int64_t h = (static_cast<std::int64_t>(full.height) * m + 7) / 8;
    if (w >= atLeast.width && h >= atLeast.height) return m;
  }
  return 8;
}

std::optional<RgbImage> JpegDecoder::Decode(ImageSize atLeast) {
  State* const s = state_.get();
  if (!s->headerRead || s->used) return std::nullopt;
  s->used = true;

  if (setjmp(s->err.jump)) return std::nullopt;
  j_decompress_ptr cinfo = &s->cinfo;
  cinfo->scale_num = static_cast<unsigned>(ChooseDctScale(s->size, atLeast));
  cinfo->scale_denom = 8;
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);

  const std::size_t width = cinfo->output_width, height = cinfo->output_height;
  const std::size_t components = static_cast<std::size_t>(cinfo->output_components);
  if (components != (cmyk ? 4u : 3u)) return std::nullopt;
  const std::size_t stride = width * components;
  s->pixels.resize(stride * height);
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = s->pixels.data() + stride * cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return std::nullopt;
  }
  jpeg_finish_decompress(cinfo);

  if (cmyk) CmykToRgb(s->pixels, width * height, cinfo->saw_Adobe_marker);
  RgbImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels = std::move(s->pixels);
  return image;
}

// ---- resampling -------------------------------------------------------------------------------

namespace {

// For each output index, the source indexes it reads and their weights (summing to 1).
struct AxisWeights {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<int> offset;
  std::vector<float> weights;
};

AxisWeights MakeAxisWeights(int sourceLength, int targetLength) {
  AxisWeights a;
  a.first.resize(targetLength);
  a.count.resize(targetLength);
  a.offset.resize(targetLength);
  const double scale = static_cast<double>(sourceLength) / targetLength;
  for (int i = 0; i < targetLength; ++i) {
    a.offset[i] = static_cast<int>(a.weights.size());
    if (scale > 1.0) {
      // Area averaging: each source pixel counts by how much of it the output pixel covers.
      const double lo = i * scale, hi = (i + 1) * scale;
      const int j0 = static_cast<int>(std::floor(lo));
      const int j1 = std::min(sourceLength, static_cast<int>(std::ceil(hi)));
      a.first[i] = j0;
      for (int j = j0; j < j1; ++j) {
        const double cover = std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j));
        a.weights.push_back(static_cast<float>(cover / scale));
      }
      a.count[i] = j1 - j0;
    } else {
      // Growing (or equal): linear interpolation between the two nearest pixel centres.
      const double centre = (i + 0.5) * scale - 0.5;
      int j0 = static_cast<int>(std::floor(centre));
      double t = centre - j0;
      if (j0 < 0) {
        j0 = 0;
        t = 0.0;
      }
      if (j0 >= sourceLength - 1) {
        j0 = sourceLength - 1;
        t = 0.0;
      }
      a.first[i] = j0;
      if (t == 0.0) {
        a.weights.push_back(1.0f);
        a.count[i] = 1;
      } else {
        a.weights.push_back(static_cast<float>(1.0 - t));
        a.weights.push_back(static_cast<float>(t));
        a.count[i] = 2;
      }
    }
  }
  return a;
}

}  // namespace

RgbImage TurnQuarter(const RgbImage& source, bool clockwise) {
  RgbImage turned;
  if (source.empty()) return turned;
  turned.width = source.height;
  turned.height = source.width;
  turned.pixels.resize(source.pixels.size());
  const std::size_t w = static_cast<std::size_t>(source.width), h = static_cast<std::size_t>(source.height);
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < w; ++x) {
      // Clockwise, the source's bottom-left pixel becomes the top-left one.
      const std::size_t tx = clockwise ? h - 1 - y : y;
      const std::size_t ty = clockwise ? x : w - 1 - x;
      const std::uint8_t* from = &source.pixels[(y * w + x) * 3];
      std::uint8_t* to = &turned.pixels[(ty * h + tx) * 3];
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
  return turned;
}

RgbImage Resample(const RgbImage& source, int width, int height) {
  RgbImage out;
  if (width <= 0 || height <= 0 || source.empty() ||
      source.pixels.size() < static_cast<std::size_t>(source.width) * source.height * 3)
    return out;
  if (width == source.width && height == source.height) return source;

  const AxisWeights horizontal = MakeAxisWeights(source.width, width);
  const AxisWeights vertical = MakeAxisWeights(source.height, height);

  // Horizontal pass into floats, one row per source row.
  const std::size_t tmpStride = static_cast<std::size_t>(width) * 3;
  std::vector<float> tmp(tmpStride * source.height);
  const std::size_t srcStride = static_cast<std::size_t>(source.width) * 3;
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* srow = source.pixels.data() + srcStride * y;
    float* trow = tmp.data() + tmpStride * y;
    for (int x = 0; x < width; ++x) {
      float r = 0, g = 0, b = 0;
      const float* w = horizontal.weights.data() + horizontal.offset[x];
      const std::uint8_t* p = srow + static_cast<std::size_t>(horizontal.first[x]) * 3;
      for (int k = 0; k < horizontal.count[x]; ++k, p += 3) {
        r += w[k] * p[0];
        g += w[k] * p[1];
        b += w[k] * p[2];
      }
      trow[x * 3] = r;
      trow[x * 3 + 1] = g;
      trow[x * 3 + 2] = b;
    }
  }

  // Vertical pass, row by row so the reads stay sequential.
  out.width = width;
  out.height = height;
  out.pixels.resize(tmpStride * height);
  std::vector<float> acc(tmpStride);
  for (int y = 0; y < height; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    const float* w = vertical.weights.data() + vertical.offset[y];
    for (int k = 0; k < vertical.count[y]; ++k) {
      const float* trow = tmp.data() + tmpStride * (vertical.first[y] + k);
      const float wk = w[k];
      for (std::size_t i = 0; i < tmpStride; ++i) acc[i] += wk * trow[i];
    }
    std::uint8_t* orow = out.pixels.data() + tmpStride * y;
    for (std::size_t i = 0; i < tmpStride; ++i) orow[i] = ClampToByte(acc[i]);
  }
  return out;
}

// ---- encoding ---------------------------------------------------------------------------------

namespace {

struct EncoderState {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;

  ~EncoderState() {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);  // jpeg_mem_dest allocates with malloc
  }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeJpeg(const RgbImage& image, int quality) {
  if (image.empty() || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION ||
      image.pixels.size() < static_cast<std::size_t>(image.width) * image.height * 3)
    return std::nullopt;
  const auto s = std::make_unique<EncoderState>();
  EncoderState* const st = s.get();
  st->cinfo.err = &st->err.pub;
  InstallErrorManager(st->err);
  if (setjmp(st->err.jump)) return std::nullopt;

  j_compress_ptr cinfo = &st->cinfo;
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, &st->buffer, &st->size);
  cinfo->image_width = static_cast<JDIMENSION>(image.width);
  cinfo->image_height = static_cast<JDIMENSION>(image.height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
  while (cinfo->next_scanline < cinfo->image_height) {
    // libjpeg's row type is not const, but the compressor only reads it.
    JSAMPROW row = const_cast<JSAMPLE*>(image.pixels.data() + stride * cinfo->next_scanline);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return std::vector<std::uint8_t>(st->buffer, st->buffer + st->size);
}

// ---- writing ----------------------------------------------------------------------------------

bool WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path temp =
      path.parent_path() / ("." + path.filename().string() + ".tmp" + std::to_string(getpid()) +
                            "-" + std::to_string(counter.fetch_add(1)));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool SaveJpeg(const RgbImage& image, const std::filesystem::path& path, int quality) {
  const auto bytes = EncodeJpeg(image, quality);
  return bytes && WriteFileReplacing(path, *bytes);
}

}  // namespace orrivan::imaging
