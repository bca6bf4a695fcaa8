#include "support/jpeg_writer.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <algorithm>
#include <csetjmp>
#include <cmath>
#include <random>
#include <stdexcept>

#include "support/temp_dir.h"

namespace orrivan::test {
namespace {

struct ErrorExit {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorExit*>(cinfo->err)->jump, 1);
}
void Silent(j_common_ptr, int) {}

class TiffBuilder {
 public:
  explicit TiffBuilder(bool big) : big_(big) {}
  void U16(std::string& s, unsigned v) const {
    char b[2] = {static_cast<char>(v >> 8), static_cast<char>(v)};
    if (!big_) std::swap(b[0], b[1]);
    s.append(b, 2);
  }
  void U32(std::string& s, std::uint32_t v) const {
    if (big_) {
      U16(s, v >> 16);
      U16(s, v & 0xFFFF);
    } else {
      U16(s, v & 0xFFFF);
      U16(s, v >> 16);
    }
  }
  bool big_;
};

struct Entry {
  unsigned tag, type;
  std::uint32_t count;
  std::string data;  // the value bytes in file order, any length
};

// Lays out one directory at `offset` with its out-of-line values right after it.
std::string Directory(const TiffBuilder& t, std::vector<Entry> entries, std::uint32_t offset) {
  std::string dir, extra;
  t.U16(dir, static_cast<unsigned>(entries.size()));
  std::uint32_t valueAt = offset + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
  for (const Entry& e : entries) {
    t.U16(dir, e.tag);
    t.U16(dir, e.type);
    t.U32(dir, e.count);
    if (e.data.size() <= 4) {
      std::string v = e.data;
      v.resize(4, '\0');
      dir += v;
    } else {
      t.U32(dir, valueAt + static_cast<std::uint32_t>(extra.size()));
      extra += e.data;
      if (extra.size() % 2) extra += '\0';
    }
  }
  t.U32(dir, 0);  // no next directory
  return dir + extra;
}

std::string ShortValue(const TiffBuilder& t, unsigned v) {
  std::string s;
  t.U16(s, v);
  return s;
}
std::string LongValue(const TiffBuilder& t, std::uint32_t v) {
  std::string s;
  t.U32(s, v);
  return s;
}

std::string Segment(unsigned marker, const std::string& body) {
  std::string s;
  s += '\xFF';
  s += static_cast<char>(marker);
  std::size_t len = body.size() + 2;
  s += static_cast<char>(len >> 8);
  s += static_cast<char>(len & 0xFF);
  return s + body;
}

}  // namespace

RgbPicture MakePhotoContent(int width, int height, std::uint32_t seed) {
  RgbPicture p{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  std::mt19937 rng(seed);
  std::normal_distribution<float> noise(0.0f, 5.0f);
  const float fx = 6.28f / std::max(width, 16), fy = 6.28f / std::max(height, 16);
  const float phase = static_cast<float>(seed % 17);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Sky-to-ground gradient, a soft blob, and a hard-edged "building" for high frequencies.
      float base = 60.0f + 120.0f * static_cast<float>(y) / static_cast<float>(height);
      float blob = 50.0f * std::sin(fx * 1.7f * x + phase) * std::cos(fy * 1.3f * y);
      bool building = x > width / 3 && x < width / 2 && y > height / 2;
      // Fine texture in the lower part, like foliage or gravel, gives the scan a camera's weight.
      float texture = y > height / 2 ? 14.0f * std::sin(0.9f * x + 0.3f * y) * std::sin(1.1f * y - 0.2f * x) : 0.0f;
      float r = base + blob + texture + (building ? 40.0f : 0.0f) + noise(rng);
      float g = 200.0f - base * 0.5f + blob * 0.5f + texture + noise(rng);
      float b = 90.0f + 0.3f * x * 255.0f / width - (building ? 30.0f : 0.0f) + noise(rng);
      std::uint8_t* o = &p.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      o[0] = static_cast<std::uint8_t>(std::clamp(r, 0.0f, 255.0f));
      o[1] = static_cast<std::uint8_t>(std::clamp(g, 0.0f, 255.0f));
      o[2] = static_cast<std::uint8_t>(std::clamp(b, 0.0f, 255.0f));
    }
  }
  return p;
}

std::string MakeExifSegment(const ExifSpec& exif, int width, int height) {
  TiffBuilder t(exif.bigEndian);
  std::vector<Entry> exifEntries;
  if (exif.exifVersion) exifEntries.push_back({0x9000, 7, 4, *exif.exifVersion});
  if (exif.dateTimeOriginal) {
    exifEntries.push_back({0x9003, 2, static_cast<std::uint32_t>(exif.dateTimeOriginal->size() + 1),
                           *exif.dateTimeOriginal + std::string(1, '\0')});
  }
  if (exif.pixelSize) {
    if (exif.pixelSizeAsLong) {
      exifEntries.push_back({0xA002, 4, 1, LongValue(t, static_cast<std::uint32_t>(width))});
      exifEntries.push_back({0xA003, 4, 1, LongValue(t, static_cast<std::uint32_t>(height))});
    } else {
      exifEntries.push_back({0xA002, 3, 1, ShortValue(t, static_cast<unsigned>(width))});
      exifEntries.push_back({0xA003, 3, 1, ShortValue(t, static_cast<unsigned>(height))});
    }
  }
  std::vector<Entry> first;
  if (exif.model) {
    first.push_back({0x0110, 2, static_cast<std::uint32_t>(exif.model->size() + 1),
                     *exif.model + std::string(1, '\0')});
  }
  if (exif.orientation) first.push_back({0x0112, 3, 1, ShortValue(t, static_cast<unsigned>(*exif.orientation))});
  first.push_back({0x8769, 4, 1, std::string(4, '\0')});  // patched below
  std::string tiff = exif.bigEndian ? std::string("MM\0\x2A", 4) : std::string("II\x2A\0", 4);
  t.U32(tiff, 8);
  std::string dir0 = Directory(t, first, 8);
  std::uint32_t exifAt = 8 + static_cast<std::uint32_t>(dir0.size());
  first.back().data = LongValue(t, exifAt);
  dir0 = Directory(t, first, 8);
  tiff += dir0 + Directory(t, exifEntries, exifAt);
  return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

std::string MakeMakerSegment(const MakerSpec& maker) {
  struct MakerEntry {
    unsigned tag;
    std::string data;
  };
  std::vector<MakerEntry> entries;
  entries.push_back({2, "firmware 1.0"});
  if (maker.date) {
    std::string d;
    d += '\x01';
    d += std::string("RK", 2) + '\0';
    d += '\x03';
    d += *maker.date + '\0';
    entries.push_back({1, d});
  }
  if (maker.rotation) {
    std::string d;
    d += '\x00';
    d += static_cast<char>((*maker.rotation << 4) | 0x05);
    entries.push_back({16, d});
  }
  std::string body("RKCI\0", 5);
  body += std::string(5, '\0');  // bytes 9 to 13 of the segment
  body += static_cast<char>(entries.size() >> 8);
  body += static_cast<char>(entries.size() & 0xFF);
  for (const MakerEntry& e : entries) {
    body += static_cast<char>(e.tag >> 8);
    body += static_cast<char>(e.tag & 0xFF);
    body += static_cast<char>(e.data.size() >> 8);
    body += static_cast<char>(e.data.size() & 0xFF);
    body += std::string(12, '\0');
  }
  for (const MakerEntry& e : entries) body += e.data;
  return Segment(0xE1, body);
}

std::string MakeJpeg(const JpegSpec& params) {
  RgbPicture content = MakePhotoContent(params.width, params.height, params.seed);
  jpeg_compress_struct cinfo{};
  ErrorExit err{};
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnError;
  err.mgr.emit_message = Silent;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    throw std::runtime_error("libjpeg could not write the test picture");
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(params.width);
  cinfo.image_height = static_cast<JDIMENSION>(params.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, params.quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = params.sampling == JpegSampling::k444 ? 1 : 2;
  cinfo.comp_info[0].v_samp_factor = params.sampling == JpegSampling::k420 ? 2 : 1;
  cinfo.optimize_coding = params.optimizeTables ? TRUE : FALSE;
  cinfo.restart_interval = static_cast<unsigned>(params.restartInterval);
  cinfo.write_JFIF_header = params.jfif ? TRUE : FALSE;
  if (params.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  if (params.exif) {
    std::string s = MakeExifSegment(*params.exif, params.width, params.height);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(s.data() + 4),
                      static_cast<unsigned>(s.size() - 4));
  }
  if (params.maker) {
    std::string s = MakeMakerSegment(*params.maker);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(s.data() + 4),
                      static_cast<unsigned>(s.size() - 4));
  }
  const std::size_t stride = static_cast<std::size_t>(params.width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = content.rgb.data() + cinfo.next_scanline * stride;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

void WriteJpeg(const std::filesystem::path& path, const JpegSpec& params) {
  WriteFile(path, MakeJpeg(params));
}

std::optional<RgbPicture> DecodeJpeg(const std::string& bytes) {
  jpeg_decompress_struct cinfo{};
  ErrorExit err{};
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnError;
  err.mgr.emit_message = Silent;
  RgbPicture picture;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  picture.width = static_cast<int>(cinfo.output_width);
  picture.height = static_cast<int>(cinfo.output_height);
  picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = picture.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * picture.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return picture;
}

std::string EncodeWithTables(const RgbPicture& picture, const std::uint16_t luminance[64],
                             const std::uint16_t chrominance[64]) {
  jpeg_compress_struct cinfo{};
  ErrorExit err{};
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnError;
  err.mgr.emit_message = Silent;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    throw std::runtime_error("libjpeg could not encode");
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  unsigned int lum[64], chr[64];
  for (int i = 0; i < 64; ++i) {
    lum[i] = luminance[i];
    chr[i] = chrominance[i];
  }
  jpeg_add_quant_table(&cinfo, 0, lum, 100, TRUE);
  jpeg_add_quant_table(&cinfo, 1, chr, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(picture.rgb.data()) + cinfo.next_scanline * stride;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

RgbPicture TurnPicture(const RgbPicture& p, int code) {
  RgbPicture out;
  bool quarter = code == 1 || code == 3;
  out.width = quarter ? p.height : p.width;
  out.height = quarter ? p.width : p.height;
  out.rgb.resize(p.rgb.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      int sx = x, sy = y;
      if (code == 1) sx = p.width - 1 - y, sy = x;
      if (code == 2) sx = p.width - 1 - x, sy = p.height - 1 - y;
      if (code == 3) sx = y, sy = p.height - 1 - x;
      const std::uint8_t* s = &p.rgb[(static_cast<std::size_t>(sy) * p.width + sx) * 3];
      std::uint8_t* o = &out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3];
      o[0] = s[0];
      o[1] = s[1];
      o[2] = s[2];
    }
  }
  return out;
}

double Psnr(const RgbPicture& a, const RgbPicture& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 0.0;
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) {
    double d = static_cast<double>(a.rgb[i]) - b.rgb[i];
    sum += d * d;
  }
  if (sum == 0) return 99.0;
  double mse = sum / static_cast<double>(a.rgb.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace orrivan::test
