#include "app/build_info.h"

#include <jconfig.h>
#include <QtGlobal>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/version.h>
#include <libavutil/ffversion.h>
#include <libswscale/version.h>
}

#ifndef ORRIVAN_VERSION
#error "ORRIVAN_VERSION comes from the build"
#endif


namespace orrivan {

std::string ProgramName() { return "Orrivan"; }

std::string ProgramVersion() { return ORRIVAN_VERSION; }

std::vector<BuildComponent> BuildComponents() {
  return {
      {"Qt", QT_VERSION_STR},
      {"libjpeg-turbo", AV_STRINGIFY(LIBJPEG_TURBO_VERSION)},
      {"FFmpeg", FFMPEG_VERSION " (libavformat " AV_STRINGIFY(LIBAVFORMAT_VERSION) ", libavcodec " AV_STRINGIFY(
                     LIBAVCODEC_VERSION) ", libswscale " AV_STRINGIFY(LIBSWSCALE_VERSION) ")"},
  };
}

}  // namespace orrivan
