#include "app/import_run.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/album_session.h"
#include "base/paths.h"
#include "base/strings.h"
#include "html/template_repair.h"
#include "import/detection.h"
#include "import/other_import.h"
#include "import/usb_import.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

HomeLock::HomeLock() {
  std::error_code ec;
  fs::create_directories(HomeFolder(), ec);
  const fs::path file = HomeFolder() / ".orrivan.lock";
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

HomeLock::~HomeLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool OpenHomeAlbum(CRKCardAlbumDoc& album, Interaction& ui) {
  const fs::path path = layout::WorkingAlbumPath();
  std::error_code ec;
  if (!fs::exists(path, ec)) return album.OnNewDocument();
  // Readers never write the album (a writer may hold the home lock): an old format is upgraded in
  // memory only.
  std::string bytes;
  AlbumError error = AlbumError::OpenFailed;
  std::ifstream in(path, std::ios::binary);
  if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in && !in.bad()) {
    std::string current;
    if (!UpgradeAlbumBytes(bytes, current)) current = std::move(bytes);
    error = album.Load(current);
  }
  if (error == AlbumError::None) return true;
  ui.Message(AlbumErrorText(error), Icon::Stop);
  return false;
}

std::vector<fs::path> SourcesFromFolders(const std::vector<fs::path>& folders) {
  std::vector<fs::path> sources;
  for (const fs::path& given : folders) {
    fs::path folder = given;
    if (!folder.has_filename()) folder = folder.parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) continue;
    bool isSource = CompareIgnoreCase(folder.filename().string(), "DCIM") == 0;
    for (fs::directory_iterator it(folder, ec), end; !isSource && !ec && it != end; it.increment(ec))
      if (CompareIgnoreCase(it->path().filename().string(), "RKCAM.RKS") == 0) isSource = true;
    std::vector<fs::path> found{folder};
    if (!isSource) {
      CImportSourceList list;
      list.ScanRootForSources(folder);
      found = list.Paths();
    }
    // A folder named twice (or by two names) is imported once.
    for (const fs::path& source : found) {
      const bool seen = std::any_of(sources.begin(), sources.end(), [&](const fs::path& s) { return SameFile(s, source); });
      if (!seen) sources.push_back(source);
    }
  }
  return sources;
}

ImportRunResult RunCardImport(AlbumSession& session, Interaction& ui, const std::vector<fs::path>& given,
                              const ImportOptions& options, size_t* dayCount) {
  if (!session.Locked()) return ImportRunResult::Busy;
  ImportInProgressGuard importing;

  DetectResult detected;
  if (given.empty()) {
    detected = DetectCardSources(ui);
  } else {
    const std::vector<fs::path> sources = SourcesFromFolders(given);
    if (sources.empty()) {
      ui.Message(Str(StrId::NoImportableImages), Icon::Information);
      return ImportRunResult::NothingFound;
    }
    detected = ConfirmAndChoose(ui, sources, false);
  }
  switch (detected.outcome) {
    case DetectOutcome::NoDrive:
      return ImportRunResult::NoDrive;
    case DetectOutcome::NoSource:
      return ImportRunResult::NothingFound;
    case DetectOutcome::Cancelled:
      return ImportRunResult::Cancelled;
    case DetectOutcome::Sources:
      break;
  }

  if (detected.cameras.empty()) return ImportSources(session, ui, detected.sources, options, dayCount);
  // Folders and cameras chosen together: the folders in one run, then each camera in a run of its
  // own; the first run that does not end well ends the rest.
  ImportRunResult result = ImportRunResult::NothingToDo;
  if (!detected.sources.empty()) {
    result = ImportSources(session, ui, detected.sources, options, dayCount);
    if (result != ImportRunResult::Done && result != ImportRunResult::NothingToDo) return result;
  }
  for (const usb::DetectedCamera& camera : detected.cameras) {
    const ImportRunResult one = ImportUsbCamera(session, ui, camera, options, dayCount);
    if (one != ImportRunResult::Done && one != ImportRunResult::NothingToDo) return one;
    if (one == ImportRunResult::Done) result = one;
  }
  return result;
}

namespace {

// What an engine run comes to for the drivers' callers.
ImportRunResult RunResultOf(ImportResult result) {
  switch (result) {
    case ImportResult::Done:
      return ImportRunResult::Done;
    case ImportResult::NothingToDo:
      return ImportRunResult::NothingToDo;
    case ImportResult::Cancelled:
      return ImportRunResult::Cancelled;
    case ImportResult::Failed:
      return ImportRunResult::Failed;
  }
  return ImportRunResult::Failed;
}

}  // namespace

ImportRunResult ImportSources(AlbumSession& session, Interaction& ui, const std::vector<fs::path>& sources,
                              const ImportOptions& options, size_t* dayCount) {
  if (!session.Locked()) return ImportRunResult::Busy;
  ImportInProgressGuard importing;
  // The same start as every program that writes the album: refresh from the library copy, open,
  // repair a taken-over library, repair the template choice; at the end the exit rotation.
  if (!session.Open() && !session.Start(ui)) return ImportRunResult::Failed;
  CImportEngine engine(session.Album(), ui, options);
  const ImportResult result = engine.Run(sources);
  if (dayCount) *dayCount = session.Album().DayCount();
  return RunResultOf(result);
}

ImportRunResult ImportUsbCamera(AlbumSession& session, Interaction& ui, const usb::DetectedCamera& which,
                                const ImportOptions& options, size_t* dayCount) {
  if (!session.Locked()) return ImportRunResult::Busy;
  ImportInProgressGuard importing;
  // Opened before the start-up: a camera that is busy or gone costs the user nothing but the box.
  usb::UsbStatus status;
  std::unique_ptr<usb::CUsbCamera> camera = CurrentUsbCameraSource().Open(which, status);
  if (!camera) {
    ui.Message(UsbFailureText(status), Icon::Stop);
    return ImportRunResult::Failed;
  }
  if (!session.Open() && !session.Start(ui)) return ImportRunResult::Failed;
  CUsbImport run(session.Album(), ui, options);
  const ImportResult result = run.Run(*camera);
  if (dayCount) *dayCount = session.Album().DayCount();
  return RunResultOf(result);
}

ImportRunResult RunOtherImport(AlbumSession& session, Interaction& ui, const std::vector<fs::path>& folders,
                               const ImportOptions& options, size_t* dayCount) {
  if (!session.Locked()) return ImportRunResult::Busy;
  ImportInProgressGuard importing;
  if (folders.empty() || folders.size() > kMaxOtherFolders) {
    ui.Message(Str(StrId::FolderListFull), Icon::Stop, BoxLook{Str(StrId::OtherImportCaption), {}});
    return ImportRunResult::Failed;
  }
  // The folders are looked at again: one may have gone since it was chosen.
  for (const fs::path& folder : folders) {
    const FolderState state = InspectFolder(folder);
    if (state == FolderState::HasFiles) continue;
    ui.Message(FolderRefusalText(folder, state, true), Icon::Stop, BoxLook{Str(StrId::OtherImportCaption), {}});
    return state == FolderState::NoFiles ? ImportRunResult::NothingFound : ImportRunResult::Failed;
  }
  if (!session.Running() && !session.Start(ui)) return ImportRunResult::Failed;
  COtherImport engine(session.Album(), ui, options);
  const ImportResult result = engine.Run(folders);
  if (dayCount) *dayCount = session.Album().DayCount();
  return RunResultOf(result);
}

}  // namespace orrivan
