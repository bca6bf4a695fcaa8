// The commands that write the album run their work inside one AlbumSession: the home folder held,
// the album opened as the program starts it, the generations rotated when the work is done.
#pragma once

#include <functional>

#include "app/album_session.h"
#include "base/interaction.h"

namespace orrivan::cli {

// The message for a home folder another process is writing.
void ReportBusy();

// Holds the home folder (else ReportBusy and kExitFailed), runs the start-up (kExitFailed when it
// ends the program), then body; the exit rotation follows body whichever way it returns. An import
// session also holds the import-in-progress flag.
int WithAlbumSession(Interaction& ui, const std::function<int(AlbumSession&)>& body, bool importing = false);

}  // namespace orrivan::cli
