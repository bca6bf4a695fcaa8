// `orrivan-cli jpeg info FILE...` and `orrivan-cli jpeg rotate FILE [--code N]`: the camera-file
// services of the import (shooting date, orientation, lossless turn) on single files.
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "imaging/jpeg_file.h"

namespace orrivan::cli {
namespace {

const char* TurnName(std::uint8_t code) {
  switch (code) {
    case kRotationNone: return "none";
    case kRotationCounterClockwise: return "a quarter turn counter-clockwise";
    case kRotationHalf: return "a half turn";
    case kRotationClockwise: return "a quarter turn clockwise";
    default: return "unknown";
  }
}

}  // namespace

void AddJpegCommands(CLI::App& app) {
  CLI::App* jpeg = app.add_subcommand("jpeg", "Shooting date, orientation and lossless turns of JPEG files");
  jpeg->require_subcommand(1);

  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App* info = jpeg->add_subcommand(
      "info", "Print per file: name, shooting date (or -), rotation code, Exif version code");
  info->add_option("FILE", *files, "JPEG files")->required();
  info->callback([files] {
    bool allRead = true;
    for (const std::string& f : *files) {
      std::string date;
      bool dated = CJpegFile::ReadShootingDate(f, date);
      int version = 0;
      std::uint8_t code = CJpegFile::ReadOrientation(f, version);
      std::cout << f << '\t' << (dated ? date : "-") << '\t' << static_cast<int>(code) << '\t'
                << version << '\n';
      std::error_code ec;
      if (!std::filesystem::is_regular_file(f, ec)) {
        std::cerr << "cannot read " << f << "\n";
        allRead = false;
      }
    }
    if (!allRead) Exit(kExitFailed);
  });

  struct RotateArgs {
    std::string file;
    std::optional<int> code;
  };
  auto args = std::make_shared<RotateArgs>();
  CLI::App* rotate = jpeg->add_subcommand(
      "rotate", "Turn a JPEG file upright in place, without loss where its size allows");
  rotate->add_option("FILE", args->file, "JPEG file")->required();
  rotate->add_option("--code", args->code,
                     "Rotation code instead of the file's own: 0 none, 1 quarter turn "
                     "counter-clockwise, 2 half turn, 3 quarter turn clockwise")
      ->check(CLI::Range(0, 3));
  rotate->callback([args] {
    int version = 0;
    std::uint8_t own = CJpegFile::ReadOrientation(args->file, version);
    std::uint8_t code = args->code ? static_cast<std::uint8_t>(*args->code) : own;
    if (code == kRotationUnknown) {
      std::cerr << args->file << ": orientation unknown or the file cannot be turned\n";
      Exit(kExitFailed);
    }
    if (code == kRotationNone) {
      std::cout << args->file << ": already upright, nothing done\n";
      return;
    }
    if (!CJpegFile::OwnerMayWrite(args->file)) {
      std::cerr << args->file << ": read-only (the owner may not write it); the file is unchanged\n";
      Exit(kExitFailed);
    }
    if (!CJpegFile::RotateFile(args->file, code, version)) {
      std::cerr << args->file << ": cannot be turned; the file is unchanged\n";
      Exit(kExitFailed);
    }
    std::cout << args->file << ": turned " << TurnName(code) << "\n";
  });
}

}  // namespace orrivan::cli
