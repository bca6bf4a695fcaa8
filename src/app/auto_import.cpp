#include "app/auto_import.h"

#include "app/album_session.h"
#include "base/paths.h"
#include "base/settings.h"
#include "import/detection.h"
#include "import/marker_file.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

fs::path AutoImportMarker() { return HomeFolder() / layout::kMarkerFileName; }

AutoImportResult AutoImport(AlbumSession& session, Interaction& ui, const fs::path& marker,
                            const ImportOptions& options) {
  if (!session.Locked()) return AutoImportResult::Busy;
  if (settings::GetInt(settings::Key::AutoTakeIn) != 0) return AutoImportResult::Off;

  // The marker is the program's own file, read before anything is asked; a garbage marker asks
  // nothing. The volume itself is looked at only after the confirmation.
  const MarkerContents read = ReadMarker(marker);
  if (read.status == MarkerContents::Status::CannotOpen) return AutoImportResult::NoMarker;
  auto end = [&](AutoImportResult result) {
    DeleteMarker(marker, read);
    return result;
  };
  if (read.status != MarkerContents::Status::Ok) return end(AutoImportResult::BadMarker);

  ImportInProgressGuard importing;
  if (!ConfirmAutoImport(ui)) return end(AutoImportResult::Cancelled);
  std::error_code ec;
  // A card pulled since the watcher saw it, or a marker naming a file.
  if (!fs::is_directory(read.volume, ec)) return end(AutoImportResult::BadMarker);
  const DetectResult detected = ChooseAutoSources(ui, read.volume);
  switch (detected.outcome) {
    case DetectOutcome::NoDrive:
    case DetectOutcome::NoSource:
      return end(AutoImportResult::NothingFound);
    case DetectOutcome::Cancelled:
      return end(AutoImportResult::Cancelled);
    case DetectOutcome::Sources:
      break;
  }

  ImportOptions automatic = options;
  automatic.progressCaption = StrId::AutoImportCaption;
  switch (ImportSources(session, ui, detected.sources, automatic)) {
    case ImportRunResult::Done:
      return end(AutoImportResult::Done);
    case ImportRunResult::NothingToDo:
      return end(AutoImportResult::NothingToDo);
    case ImportRunResult::Cancelled:
      return end(AutoImportResult::Cancelled);
    case ImportRunResult::NoDrive:
    case ImportRunResult::NothingFound:
      return end(AutoImportResult::NothingFound);
    case ImportRunResult::Busy:
    case ImportRunResult::Failed:
      break;
  }
  return end(AutoImportResult::Failed);
}

}  // namespace orrivan
