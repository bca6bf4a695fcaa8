#include "app/album_session.h"

#include "base/paths.h"

namespace orrivan {

AlbumSession::AlbumSession(bool importing) {
  if (importing && lock_.Locked()) importing_.emplace();
}

AlbumSession::~AlbumSession() {
  if (running_) RunExit(*album_, album_->SavedThisRun() != 0);
}

bool AlbumSession::Start(Interaction& ui, const StartupHooks& hooks) {
  album_.emplace(HomeFolder());
  starting_ = true;
  running_ = RunStartup(ui, *album_, started_, hooks);
  starting_ = false;
  return running_;
}

}  // namespace orrivan
