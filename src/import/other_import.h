// The import of pictures that already sit in folders of the computer (a phone's export, a stick, an
// archive): up to ten folders in the user's order, the files directly in each, filed by the card
// import's steps with copy, move or shortcut placement, by date or into one dated folder with a
// subfolder per source named after it. Also the folder list and the checks the folder dialog makes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "import/import_engine.h"

namespace orrivan {

// The dialog's list holds at most this many folders.
inline constexpr size_t kMaxOtherFolders = 10;

// What a folder offers the import.
enum class FolderState {
  HasFiles,    // at least one file ending in .JPG, .AVI or .WAV (any case) directly inside
  NoFiles,     // none (a .jpeg is not a .JPG)
  Missing,     // not there (any more), or not a folder
  Unreadable,  // cannot be listed
};
// Looks only as far as the first importable file, so a folder of thousands answers at once.
FolderState InspectFolder(const std::filesystem::path& folder);

// The transfer value of the dialog's choice: 0 copy, 1 move, 2 shortcut; anything else copy.
int TransferModeOfChoice(int choice);

// The path for a message box: longer than `limit` characters (not bytes), its middle gives way to
// "..." so that the start and the folder's own name stay readable.
std::string ShortenedPath(const std::string& path, size_t limit = 30);

// The text of the box for a folder the import cannot take (the dialog's check before it starts and
// the driver's, for a folder that went away meanwhile): the shortened path and the reason.
std::string FolderRefusalText(const std::filesystem::path& folder, FolderState state, bool endsImport);

// The dialog's folder list.
class COtherFolderList {
 public:
  enum class AddResult { Added, Full, NoFiles, Missing, Unreadable, AlreadyListed };
  // Refuses an eleventh folder, a folder without importable files and a folder already listed.
  AddResult Add(const std::filesystem::path& folder);
  void Remove(size_t index);
  const std::vector<std::filesystem::path>& Folders() const { return folders_; }

 private:
  std::vector<std::filesystem::path> folders_;
};

// The importable files directly in the folders (JPG, AVI, WAV), sorted by name ignoring case: the
// dialog's preview list.
std::vector<std::filesystem::path> ImportableFiles(const std::vector<std::filesystem::path>& folders);

class COtherImport : public CImportEngine {
 public:
  // options.transferMode may be kTransferShortcut; its default is a copy.
  COtherImport(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options = {});

  // The whole run over the folders, in their order.
  ImportResult Run(const std::vector<std::filesystem::path>& folders);

  // The subfolders of the dated folder that the sources went into, in source order.
  const std::vector<std::filesystem::path>& SourceFolders() const { return sourceFolders_; }

 private:
  int CountFolder(const std::filesystem::path& folder, int64_t& items);
  bool ImportFolderIntoDated(const std::filesystem::path& source, const std::filesystem::path& datedFolder);
  // The source's name in the dated folder, or name_n with the first n from 1 that is free.
  std::optional<std::filesystem::path> MakeSourceFolder(const std::filesystem::path& datedFolder,
                                                        const std::string& name);
  void AskTheTitle(const std::vector<std::filesystem::path>& folders);

  std::vector<std::filesystem::path> sourceFolders_;
};

}  // namespace orrivan
