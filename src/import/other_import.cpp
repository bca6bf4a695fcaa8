// The other-image run, in the order the files move: count, library root, the one date (dated-folder
// mode), walk and place, undated files, titles, pages and save, removal of moved sources, browser.
// The user's folders themselves are never removed: they are the user's, not a card's.
#include "import/other_import.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "base/settings.h"
#include "base/strings.h"
#include "import/detection.h"
#include "import/import_texts.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;
using settings::Key;

namespace {

// Only the three-letter extensions count, as on a card: a ".jpeg" is not taken.
bool IsImportableName(const std::string& name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') return false;
  const std::string ext = UpperAscii(name.substr(name.size() - 3));
  return ext == "JPG" || ext == "AVI" || ext == "WAV";
}

bool IsRegularFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec);
}

// Characters of a UTF-8 text: every byte that does not continue a sequence starts one.
size_t CharacterCount(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                           [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The last `count` characters of a UTF-8 text.
std::string LastCharacters(const std::string& text, size_t count) {
  size_t start = text.size();
  while (start > 0 && count > 0) {
    --start;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) --count;
  }
  return text.substr(start);
}

bool IsValidDate(const std::string& d) {
  if (d.size() != 8 || !std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  const int month = std::stoi(d.substr(4, 2)), day = std::stoi(d.substr(6, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

fs::path WithoutTrailingSlash(fs::path folder) {
  if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path()) folder = folder.parent_path();
  return folder;
}

}  // namespace

FolderState InspectFolder(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return FolderState::Missing;
  fs::directory_iterator it(folder, ec);
  if (ec) return FolderState::Unreadable;
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return FolderState::Unreadable;
    if (IsImportableName(it->path().filename().string()) && IsRegularFile(*it)) return FolderState::HasFiles;
  }
  return ec ? FolderState::Unreadable : FolderState::NoFiles;
}

int TransferModeOfChoice(int choice) {
  switch (choice) {
    case 1:
      return kTransferMove;
    case 2:
      return kTransferShortcut;
    default:
      return kTransferCopy;
  }
}

std::string ShortenedPath(const std::string& path, size_t limit) {
  if (CharacterCount(path) <= limit) return path;
  static const std::string kGap = "...";
  // The folder's own name is kept whole when it fits; the start gives way first.
  const size_t keep = limit > kGap.size() ? limit - kGap.size() : 0;
  return kGap + LastCharacters(path, keep);
}

std::string FolderRefusalText(const fs::path& folder, FolderState state, bool endsImport) {
  std::string text = ShortenedPath(folder.string()) + "\n";
  switch (state) {
    case FolderState::Missing:
      text += Str(StrId::FolderMissing);
      break;
    case FolderState::Unreadable:
      text += Str(StrId::FolderUnreadable);
      break;
    default:
      text += Str(StrId::NoImagesInFolder1) + Str(StrId::NoImagesInFolder2);
      break;
  }
  if (endsImport) text += "\n" + Str(StrId::ImportAborted);
  return text;
}

COtherFolderList::AddResult COtherFolderList::Add(const fs::path& given) {
  const fs::path folder = WithoutTrailingSlash(given);
  if (folders_.size() >= kMaxOtherFolders) return AddResult::Full;
  for (const fs::path& listed : folders_) {
    std::error_code ec;
    if (listed == folder || fs::equivalent(listed, folder, ec)) return AddResult::AlreadyListed;
  }
  switch (InspectFolder(folder)) {
    case FolderState::HasFiles:
      folders_.push_back(folder);
      return AddResult::Added;
    case FolderState::NoFiles:
      return AddResult::NoFiles;
    case FolderState::Missing:
      return AddResult::Missing;
    case FolderState::Unreadable:
      return AddResult::Unreadable;
  }
  return AddResult::NoFiles;
}

void COtherFolderList::Remove(size_t index) {
  if (index < folders_.size()) folders_.erase(folders_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::vector<fs::path> ImportableFiles(const std::vector<fs::path>& folders) {
  std::vector<fs::path> files;
  for (const fs::path& folder : folders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      if (IsImportableName(it->path().filename().string()) && IsRegularFile(*it)) files.push_back(it->path());
  }
  std::stable_sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
    const int c = CompareIgnoreCase(a.filename().string(), b.filename().string());
    return c != 0 ? c < 0 : a.string() < b.string();
  });
  return files;
}

// ---- shortcuts ----

std::optional<CImportEngine::Collision> CImportEngine::ResolveShortcutCollision(const fs::path& source,
                                                                              const fs::path& targetFolder,
                                                                              const std::string& name) {
  std::error_code ec;
  const fs::path original = fs::absolute(source, ec);
  const std::string key = FileKey(source);
  for (int k = 0; k <= 999; ++k) {
    const std::string candidate = SuffixedName(name, k);
    bool taken = false;
    if (const auto link = ExistingName(targetFolder, candidate + ".lnk")) {
      taken = true;
      // The same original linked before: the picture is in the library already.
      const fs::path to = fs::read_symlink(targetFolder / *link, ec);
      if (!ec && (to == original || fs::equivalent(to, original, ec))) return Collision{true, k};
    }
    if (const auto real = ExistingName(targetFolder, candidate)) {
      taken = true;
      if (!key.empty() && FileKey(targetFolder / *real) == key) return Collision{true, k};
    }
    if (!taken && !NameTaken(CachedLookup(), targetFolder, candidate)) return Collision{false, k};
  }
  return std::nullopt;
}

// ---- the run ----

COtherImport::COtherImport(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options)
    : CImportEngine(album, ui, std::move(options)) {}

int COtherImport::CountFolder(const fs::path& folder, int64_t& items) {
  const std::vector<fs::path> files = TakenFiles(folder, false);
  const std::map<std::string, bool> memos = MemosWithImages(files);
  for (const fs::path& file : files) {
    std::string lower = file.filename().string();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!memos.count(lower)) ++items;
  }
  return static_cast<int>(files.size());
}

std::optional<fs::path> COtherImport::MakeSourceFolder(const fs::path& datedFolder, const std::string& name) {
  // The suffix counts from 1: Trip, Trip_1, Trip_2, ... (bounded: the dated folder is new, so only
  // the sources of this run can be in the way).
  for (int n = 0; n <= 999; ++n) {
    const fs::path folder = datedFolder / (n == 0 ? name : name + "_" + std::to_string(n));
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) continue;
    if (CreateFolder(folder)) return folder;
    return std::nullopt;  // not a taken name: the folder cannot be made at all
  }
  return std::nullopt;
}

bool COtherImport::ImportFolderIntoDated(const fs::path& source, const fs::path& datedFolder) {
  const std::optional<fs::path> target = MakeSourceFolder(datedFolder, WithoutTrailingSlash(source).filename().string());
  if (!target) return false;
  sourceFolders_.push_back(*target);
  const std::string dayFolder = layout::ToStoredPath(datedFolder);
  Folder folder;
  folder.path = source;
  const std::vector<fs::path> files = TakenFiles(source, false);
  if (listingFailed_) return false;
  folder.memos = MemosWithImages(files);
  for (const fs::path& file : files) {
    bool placed = false;
    if (!FileIntoFolder(file, *target, dayFolder, &folder, placed)) return false;
    if (placed) ++dayFiles_[dayFolder];
    Advance(file);
    if (CheckCancel()) return false;
  }
  return true;
}

void COtherImport::AskTheTitle(const std::vector<fs::path>& folders) {
  if (options_.title) {
    for (const std::string& folder : newDays_) SetDayTitle(album_, folder, *options_.title);
    return;
  }
  if (classification_ != 1 || datedSources_.empty() || settings::GetInt(Key::InputTitle) != 0) return;
  // One question for the whole run; an empty entry or Cancel leaves the title empty.
  std::optional<std::string> title = ui_.AskTitle(TitleQuestionFor(UpperAscii(folders.front().string())));
  if (title) SetDayTitle(album_, datedSources_.front().dayFolder, *title);
}

ImportResult COtherImport::Run(const std::vector<fs::path>& given) {
  classification_ = options_.classification.value_or(settings::GetInt(Key::Classitication) == 1 ? 1 : 0);
  mode_ = options_.transferMode.value_or(kTransferCopy);
  dcf_ = false;
  std::vector<fs::path> folders;
  for (const fs::path& folder : given) folders.push_back(WithoutTrailingSlash(folder));

  // 1. Count; a folder that went away or cannot be read since it was chosen ends the run here.
  total_ = 0;
  for (const fs::path& folder : folders) {
    const FolderState state = InspectFolder(folder);
    if (state != FolderState::HasFiles) {
      ui_.Message(FolderRefusalText(folder, state, true), Icon::Stop, BoxLook{Str(StrId::OtherImportCaption), {}});
      return state == FolderState::NoFiles ? ImportResult::NothingToDo : ImportResult::Failed;
    }
    CountFolder(folder, total_);
  }
  if (listingFailed_) {
    ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return ImportResult::Failed;
  }
  if (total_ == 0) {
    ui_.Message(Str(StrId::NoImportableImages), Icon::Information);
    return ImportResult::NothingToDo;
  }

  // 2. Library root.
  std::optional<fs::path> root = SettleImportLibraryRoot(album_, ui_);
  if (!root) return ImportResult::Failed;
  libraryRoot_ = *root;
  snapshot_ = album_.SaveBytes();

  // 3. Dated-folder mode: one date for the whole run.
  fs::path datedFolder;
  if (classification_ == 1) {
    std::optional<std::string> date =
        ui_.AskDate(DateQuestion{Str(StrId::DateDialogTitle), UpperAscii(folders.front().string()), Str(StrId::DatePrompt)});
    if (!date || !IsValidDate(*date)) return ImportResult::NothingToDo;
    const std::string name = MakeDatedFolderName(*date);
    if (name.empty()) {
      ui_.Message(import_texts::kNoDatedFolderName, Icon::Exclamation);
      return ImportResult::NothingToDo;
    }
    const std::string stored = CreateDay(libraryRoot_ / name);
    datedSources_.push_back({folders.front(), stored});
    datedFolder = layout::FromStoredPath(stored);
  }

  // 4. Progress.
  progress_ = ui_.OpenProgress(Str(StrId::OtherImportCaption));
  if (progress_) {
    const StrId text = mode_ == kTransferMove       ? StrId::MovingFiles
                       : mode_ == kTransferShortcut ? StrId::CreatingShortcuts
                                                    : StrId::CopyingFiles;
    progress_->SetText(Str(text), std::string());
    progress_->SetRange(total_);
    progress_->SetPosition(0);
  }

  // 5-6. Walk the folders in the user's order, then the undated files.
  std::vector<WalkFolder> walk;
  for (const fs::path& folder : folders) walk.emplace_back(folder, false);
  StartPrefetch(walk);
  bool ok = true;
  for (size_t i = 0; ok && !records_.cancelled && i < folders.size(); ++i)
    ok = classification_ == 1 ? ImportFolderIntoDated(folders[i], datedFolder) : ImportFolderByDate(folders[i]);
  if (ok && classification_ == 1) {
    if (auto day = album_.FindDayPosition(datedSources_.front().dayFolder))
      album_.EditDay(*day).pictureCount = dayFiles_[datedSources_.front().dayFolder];
  }
  if (ok && !records_.cancelled && classification_ == 0 && !undated_.empty()) ok = ImportUndatedFiles();
  progress_.reset();
  prefetch_.reset();
  if (records_.cancelled) {
    RollBack();
    return ImportResult::Cancelled;
  }
  if (!ok) {
    RollBack();
    ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return ImportResult::Failed;
  }
  if (placedCount_ == 0 && undatedLeft_) {
    // The user left the undated files where they are and nothing else was new: the run ends here.
    RollBack();
    return ImportResult::NothingToDo;
  }

  AskTheTitle(folders);
  if (!WriteImportPagesAndSave(album_, ui_, classification_ == 1 ? newDays_ : touchedDays_, {})) {
    RollBack();
    return ImportResult::Failed;
  }
  // The sources of a move go only now that the album is saved.
  if (mode_ == kTransferMove) {
    std::vector<fs::path> stayed;
    if (!CommitMoves(&stayed))
      ui_.Message(import_texts::FilesStayedOnCard(stayed, import_texts::kFilesStayedInFolders), Icon::Exclamation);
  }
  OpenLibraryAfterImport(ui_, options_.openBrowser);
  return ImportResult::Done;
}

}  // namespace orrivan
