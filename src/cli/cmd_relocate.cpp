// orrivan-cli relocate DIR: move the whole library into DIR (DIR/Image Library unless DIR is already
// named so). Ctrl-C cancels and puts everything back.
#include <cstdio>
#include <string>

#include "app/relocation.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan::cli {

namespace {

int RunRelocate(const std::string& dir, bool yes) {
  InstallInterruptHandler();
  CliAnswers answers;
  answers.yes = yes;
  CliInteraction ui(answers);
  RelocateResult result = RelocateResult::Failed;
  const int code = WithAlbumSession(ui, [&](AlbumSession& session) {
    CRKCardAlbumDoc& album = session.Album();
    const std::filesystem::path chosen = std::filesystem::absolute(dir);
    const int64_t size = LibrarySize(album);
    if (!HasRoomFor(RelocationTarget(chosen), layout::LibraryRoot(), size)) {
      std::fprintf(stderr, "orrivan-cli: not enough free space for the library (%lld KB) at %s\n",
                   static_cast<long long>(size / 1024), chosen.c_str());
      return kExitFailed;
    }
    result = RelocateLibrary(ui, album, chosen);
    return kExitDone;
  });
  if (code != kExitDone) return code;
  const std::string root = layout::LibraryRoot().string();
  switch (result) {
    case RelocateResult::Relocated:
      std::printf("library moved to %s\n", root.c_str());
      return kExitDone;
    case RelocateResult::Adopted:
      std::printf("library folder is now %s; its album was taken over\n", root.c_str());
      return kExitDone;
    case RelocateResult::RootChanged:
      std::printf("library folder is now %s\n", root.c_str());
      return kExitDone;
    case RelocateResult::Unchanged:
      std::printf("the library is already in %s\n", root.c_str());
      return kExitDone;
    case RelocateResult::Refused:
      return kExitFailed;
    case RelocateResult::Cancelled:
      std::fprintf(stderr, "orrivan-cli: relocation cancelled; the library stays in %s\n", root.c_str());
      return kExitCancelled;
    case RelocateResult::Failed:
      std::fprintf(stderr, "orrivan-cli: relocation failed; the library stays in %s\n", root.c_str());
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace

void AddRelocateCommands(CLI::App& app) {
  auto dir = std::make_shared<std::string>();
  auto yes = std::make_shared<bool>(false);
  CLI::App* sub = app.add_subcommand("relocate", "Move the whole library to another folder");
  sub->add_option("DIR", *dir, "Folder that receives the library (\"Image Library\" is added unless named so)")
      ->required();
  sub->add_flag("--yes,-y", *yes, "Answer questions (a page edited outside the program) with OK");
  sub->callback([dir, yes] {
    const int code = RunRelocate(*dir, *yes);
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
