// Helper of bench/preview_vs_djpeg.sh: makes the camera-sized test picture, and measures a preview's
// PSNR against a Lanczos-3 reduction of the full decoded picture to the preview's own size (the
// reference a careful resize would give), so previews of different sizes compare fairly.
//   preview_tool make OUT WIDTH HEIGHT [SEED [ORIENTATION]]
//   preview_tool psnr ORIGINAL PREVIEW        prints the PSNR in dB
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

// The Release bench build has no test-support library; the writer is compiled in here.
#include "support/jpeg_writer.cpp"
#include "support/temp_dir.cpp"

namespace {

using orrivan::test::RgbPicture;

double Lanczos3(double x) {
  x = std::fabs(x);
  if (x < 1e-9) return 1.0;
  if (x >= 3.0) return 0.0;
  const double px = std::numbers::pi * x;
  return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

// One axis of a separable Lanczos-3 reduction: the kernel is widened by the scale, so every source
// pixel under an output pixel contributes (no aliasing), and renormalised at the borders.
std::vector<double> ResizeAxis(const std::vector<double>& in, int length, int lines, int stride,
                               int lineStride, int target) {
  std::vector<double> out(static_cast<std::size_t>(target) * lines * 3);
  const double scale = static_cast<double>(length) / target;
  const double support = 3.0 * std::max(scale, 1.0);
  for (int i = 0; i < target; ++i) {
    const double centre = (i + 0.5) * scale;
    const int j0 = std::max(0, static_cast<int>(std::floor(centre - support)));
    const int j1 = std::min(length, static_cast<int>(std::ceil(centre + support)));
    std::vector<double> w;
    double sum = 0;
    for (int j = j0; j < j1; ++j) {
      w.push_back(Lanczos3((j + 0.5 - centre) / std::max(scale, 1.0)));
      sum += w.back();
    }
    for (double& v : w) v /= sum;
    for (int line = 0; line < lines; ++line) {
      for (int c = 0; c < 3; ++c) {
        double acc = 0;
        for (int j = j0; j < j1; ++j)
          acc += w[j - j0] * in[static_cast<std::size_t>(line) * lineStride + static_cast<std::size_t>(j) * stride + c];
        // Output laid out as rows of the target axis (transposed), so the second pass reads the same way.
        out[(static_cast<std::size_t>(i) * lines + line) * 3 + c] = acc;
      }
    }
  }
  return out;
}

RgbPicture Lanczos(const RgbPicture& src, int width, int height) {
  std::vector<double> in(src.rgb.begin(), src.rgb.end());
  // Horizontal: rows are lines; result is width x height-src transposed (x-major).
  const auto h = ResizeAxis(in, src.width, src.height, 3, src.width * 3, width);
  // h[(x * H + y) * 3]: vertical pass runs along y with x as the line.
  const auto v = ResizeAxis(h, src.height, width, 3, src.height * 3, height);
  // v[(y * width + x) * 3]
  RgbPicture out;
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < out.rgb.size(); ++i)
    out.rgb[i] = static_cast<std::uint8_t>(std::lround(std::clamp(v[i], 0.0, 255.0)));
  return out;
}

int Usage() {
  std::fprintf(stderr, "usage: preview_tool make OUT WIDTH HEIGHT [SEED [ORIENTATION]] | psnr ORIGINAL PREVIEW\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "make" && argc >= 5 && argc <= 7) {
    orrivan::test::JpegSpec params;
    params.width = std::atoi(argv[3]);
    params.height = std::atoi(argv[4]);
    params.quality = 92;
    params.seed = argc >= 6 ? static_cast<std::uint32_t>(std::atoi(argv[5])) : 1;
    params.exif = orrivan::test::ExifSpec{};
    params.exif->dateTimeOriginal = "2007:02:06 02:03:49";
    if (argc == 7) params.exif->orientation = std::atoi(argv[6]);
    orrivan::test::WriteJpeg(argv[2], params);
    return 0;
  }
  if (command == "psnr" && argc == 4) {
    const auto original = orrivan::test::DecodeJpeg(orrivan::test::ReadFile(argv[2]));
    const auto preview = orrivan::test::DecodeJpeg(orrivan::test::ReadFile(argv[3]));
    if (!original || !preview) {
      std::fprintf(stderr, "cannot decode the pictures\n");
      return 1;
    }
    const RgbPicture reference = Lanczos(*original, preview->width, preview->height);
    std::printf("%.2f\n", orrivan::test::Psnr(reference, *preview));
    return 0;
  }
  return Usage();
}
