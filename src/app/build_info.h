// What the program was built with, for the version page and the version box: its own version and
// those of the libraries it was compiled against. Compile-time figures only: asking FFmpeg at run
// time would load its libraries just for this.
#pragma once

#include <string>
#include <vector>

namespace orrivan {

struct BuildComponent {
  std::string name;
  std::string version;
};

// "Orrivan" and the build's version.
std::string ProgramName();
std::string ProgramVersion();
// Qt, libjpeg-turbo and FFmpeg (with its libraries' versions), in that order.
std::vector<BuildComponent> BuildComponents();

}  // namespace orrivan
