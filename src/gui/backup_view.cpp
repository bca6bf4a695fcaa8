#include "gui/backup_view.h"

namespace orrivan::gui {

CBackupFormView::CBackupFormView(ViewContext& context, QWidget* parent)
    : TransferFormView(context, ViewId::Copy, StrId::CopyViewHeading, settings::Key::PreviewPicCopy,
                       StrId::CopyButton, "Copy", false,
                       [](CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                          const std::filesystem::path& destination) {
                         return BackupLibraries(album, ui, selected, destination);
                       },
                       parent) {
  setObjectName("BackupFormView");
}

}  // namespace orrivan::gui
