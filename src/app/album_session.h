// One session of a program that writes the album: the home folder's lock for its whole life, the
// start-up sequence, the album, and the exit rotation when it ends, whichever way it ends. Shared by
// orrivan-cli's writing commands and the import driver; the desktop program holds one for its run.
#pragma once

#include <optional>

#include "app/import_run.h"
#include "app/startup.h"
#include "import/detection.h"
#include "library/album_document.h"

namespace orrivan {

class AlbumSession {
 public:
  // Takes the lock (see Locked()); an import session also raises the import-in-progress flag, held
  // until the rotation is done.
  explicit AlbumSession(bool importing = false);
  // Runs RunExit when Start succeeded, while the lock (and the flag) are still held.
  ~AlbumSession();
  AlbumSession(const AlbumSession&) = delete;
  AlbumSession& operator=(const AlbumSession&) = delete;

  // False when another process writes this home folder; nothing else may then be done.
  bool Locked() const { return lock_.Locked(); }
  // Opens the album by the start-up sequence (RunStartup). False when the program ends at once: no
  // rotation follows.
  bool Start(Interaction& ui, const StartupHooks& hooks = {});

  // The album; only after Start.
  CRKCardAlbumDoc& Album() { return *album_; }
  const StartupResult& Started() const { return started_; }
  // Start succeeded: the album is open and the exit rotation will run.
  bool Running() const { return running_; }
  // The album may be worked on: running, or inside Start (its start-up hooks, the marker's automatic
  // import among them, run on the album being opened).
  bool Open() const { return running_ || starting_; }

 private:
  // Declared in this order so the album goes first, then the flag, then the lock.
  HomeLock lock_;
  std::optional<ImportInProgressGuard> importing_;
  std::optional<CRKCardAlbumDoc> album_;
  StartupResult started_;
  bool running_ = false;
  bool starting_ = false;
};

}  // namespace orrivan
