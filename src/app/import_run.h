// The small driver that programs call for an import: run detection and the import engine on the
// caller's AlbumSession (which holds the home folder), keep the import-in-progress flag. The album is
// saved by the engine when the run completes; the generations rotate when the session ends.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "base/interaction.h"
#include "import/import_engine.h"
#include "ptp/usb_camera.h"

namespace orrivan {

class AlbumSession;
class CRKCardAlbumDoc;

// One writer per home folder: an exclusive lock on a file in the home folder, held for the object's
// lifetime. Locked() is false when another process holds it.
class HomeLock {
 public:
  HomeLock();
  ~HomeLock();
  HomeLock(const HomeLock&) = delete;
  HomeLock& operator=(const HomeLock&) = delete;
  bool Locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Opens the home folder's working album into `album` for reading (a previous-format file is
// upgraded in memory; the file is never written); a missing file gives an empty album. False (after
// a message) when the file cannot be read.
bool OpenHomeAlbum(CRKCardAlbumDoc& album, Interaction& ui);

// NoDrive: no volume that may be a card (nothing was said); NothingFound: no picture folder (said).
enum class ImportRunResult { Done, NoDrive, NothingFound, NothingToDo, Cancelled, Failed, Busy };

// A card import on the caller's session. Without explicit sources the mounted volumes are scanned
// and the USB cameras listed beside their folders (a camera chosen is imported by ImportUsbCamera);
// with them (card roots or picture folders, in the user's order) they are taken as given. Confirmation
// and choice go through ui. A session that is not running yet is started once sources were found (so
// a command that finds no card runs no start-up); the desktop program passes its running one. Busy
// when the session does not hold the home folder. dayCount, when given, receives the number of days
// of the album afterwards (the view's counter).
ImportRunResult RunCardImport(AlbumSession& session, Interaction& ui, const std::vector<std::filesystem::path>& given,
                              const ImportOptions& options, size_t* dayCount = nullptr);

// The import of sources already found, confirmed and chosen, on the caller's session: started first
// when it is not open yet (see RunCardImport). Busy when the session does not hold the home folder.
ImportRunResult ImportSources(AlbumSession& session, Interaction& ui, const std::vector<std::filesystem::path>& sources,
                              const ImportOptions& options, size_t* dayCount = nullptr);

// The import of one USB camera (as detection listed it) on the caller's session: opened through the
// current camera source (a camera busy or gone is told, Failed), started like ImportSources, then
// downloaded and filed by the card engine's rules.
ImportRunResult ImportUsbCamera(AlbumSession& session, Interaction& ui, const usb::DetectedCamera& camera,
                                const ImportOptions& options, size_t* dayCount = nullptr);

// An other-image import of the folders (at most ten, the user's order) on the caller's session.
// NothingFound when a folder holds nothing to import (said); Failed when one is missing or unreadable.
ImportRunResult RunOtherImport(AlbumSession& session, Interaction& ui, const std::vector<std::filesystem::path>& folders,
                               const ImportOptions& options, size_t* dayCount = nullptr);

// Sources from folders the user named: a DCIM folder or a folder holding RKCAM.RKS is a source itself;
// any other folder is scanned as a card root. In the order given; a folder naming nothing adds nothing.
std::vector<std::filesystem::path> SourcesFromFolders(const std::vector<std::filesystem::path>& folders);

}  // namespace orrivan
