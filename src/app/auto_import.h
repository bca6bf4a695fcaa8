// The automatic import: the card watcher left a marker naming a newly mounted volume; the program
// (at start-up or from its five-second poll) imports that volume as an ordinary card import, under
// the automatic import's own confirmation and progress caption, and removes the marker at its end.
#pragma once

#include <filesystem>

#include "app/import_run.h"
#include "base/interaction.h"
#include "import/import_engine.h"

namespace orrivan {

class AlbumSession;

enum class AutoImportResult {
  Done,          // the run reached its end
  Off,           // auto-import is switched off ("AutoTakeIn" = 1): the marker is not looked at and stays
  Busy,          // another process writes the home folder: the marker stays
  NoMarker,      // the marker cannot be opened: it stays
  BadMarker,     // it names no existing folder (garbage, over-long, a file, a mount gone): deleted
  NothingFound,  // no picture folder on the volume: deleted without a word
  Cancelled,     // at the confirmation, the choice or during the run (rolled back): deleted
  NothingToDo,   // nothing on the card to take: deleted
  Failed,        // start-up or the run failed, after its message: deleted
};

// Runs the automatic import of the volume a marker names on the caller's session (started when it
// is not open yet, so the desktop program may call it from its start-up hook as well as from its
// poll). It reads "AutoTakeIn" itself, so no caller imports while auto-import is off. A marker that
// another card's marker replaced during the run is left for the next run.
AutoImportResult AutoImport(AlbumSession& session, Interaction& ui, const std::filesystem::path& marker,
                            const ImportOptions& options = {});

// The home folder's marker, "Orrivan.tmp".
std::filesystem::path AutoImportMarker();

}  // namespace orrivan
