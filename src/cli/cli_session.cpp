#include "cli/cli_session.h"

#include <cstdio>

#include "cli/commands.h"

namespace orrivan::cli {

void ReportBusy() { std::fprintf(stderr, "orrivan-cli: another Orrivan is writing this home folder\n"); }

int WithAlbumSession(Interaction& ui, const std::function<int(AlbumSession&)>& body, bool importing) {
  AlbumSession session(importing);
  if (!session.Locked()) {
    ReportBusy();
    return kExitFailed;
  }
  if (!session.Start(ui)) return kExitFailed;
  return body(session);
}

}  // namespace orrivan::cli
