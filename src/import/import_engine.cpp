// The import run, in the order the files move: count, library root, dates (dated-folder mode),
// walk and place, undated files, pages and save, removal of moved sources, card cleanup, titles,
// browser. Until the album is saved nothing is final: a failure or cancel puts everything back.
#include "import/import_engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <system_error>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "import/detection.h"
#include "import/import_pages.h"
#include "import/import_texts.h"
#include "import/preview_record.h"
#include "imaging/jpeg_file.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;
using settings::Key;

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Extension3(const std::string& name) {
  return name.size() >= 4 && name[name.size() - 4] == '.' ? Lower(name.substr(name.size() - 3)) : std::string();
}

bool IsKind(const fs::path& p, const char* ext) { return Extension3(p.filename().string()) == ext; }

// The twin of a file: the same name with its last three characters replaced.
std::string TwinName(const std::string& name, const char* ext) { return name.substr(0, name.size() - 3) + ext; }

// Last-write time as local YYYYMMDDhhmmss; empty when the file is missing.
std::string FileTimeStamp(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return {};
  return LocalTimeStamp(st.st_mtim.tv_sec);
}

bool IsValidDate(const std::string& d) {
  if (d.size() != 8 || !std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  const int month = std::stoi(d.substr(4, 2)), day = std::stoi(d.substr(6, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// Entries of a folder in name order ignoring case (a memo meets its JPEG first).
std::vector<fs::directory_entry> SortedEntries(const fs::path& folder, bool& ok) {
  std::vector<fs::directory_entry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  ok = !ec;
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  if (ec) ok = false;
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const int c = CompareIgnoreCase(a.path().filename().string(), b.path().filename().string());
    return c != 0 ? c < 0 : a.path().filename().string() < b.path().filename().string();
  });
  return entries;
}

}  // namespace

// Lower-case names of the memos among files that have a JPG beside them.
std::map<std::string, bool> CImportEngine::MemosWithImages(const std::vector<fs::path>& files) {
  std::map<std::string, bool> names, memos;
  for (const fs::path& f : files) names[Lower(f.filename().string())] = true;
  for (const fs::path& f : files)
    if (IsKind(f, "wav") && names.count(Lower(TwinName(f.filename().string(), "jpg"))))
      memos[Lower(f.filename().string())] = true;
  return memos;
}

CImportEngine::CImportEngine(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options)
    : album_(album), ui_(ui), options_(std::move(options)) {}

bool CImportEngine::IsDcfSource(const fs::path& source) const {
  fs::path p = source;
  if (!p.has_filename()) p = p.parent_path();
  return CompareIgnoreCase(p.filename().string(), "DCIM") == 0;
}

std::vector<fs::directory_entry> CImportEngine::ListFolder(const fs::path& folder, bool& ok) const {
  return SortedEntries(folder, ok);
}

// A folder that cannot be listed (a failing card, an I/O error, a path too long) fails the run: the
// user must never clear a card believing a folder was imported that was never read.
std::vector<fs::path> CImportEngine::TakenSubfolders(const fs::path& source, bool dcf, bool skipHtml) {
  bool ok = false;
  std::vector<fs::path> folders;
  const std::vector<fs::directory_entry> entries = ListFolder(source, ok);
  if (!ok) listingFailed_ = true;
  for (const auto& entry : entries) {
    std::error_code ec;
    if (!entry.is_directory(ec) || entry.is_symlink(ec)) continue;
    const std::string name = entry.path().filename().string();
    if (dcf) {
      const std::string head = name.substr(0, 3);
      if (head < "100" || head > "999") continue;
    } else if (skipHtml && CompareIgnoreCase(name, "HTML") == 0) {
      continue;
    }
    folders.push_back(entry.path());
  }
  return folders;
}

std::vector<fs::path> CImportEngine::TakenFiles(const fs::path& folder, bool dcf) {
  bool ok = false;
  std::vector<fs::path> files;
  const std::vector<fs::directory_entry> entries = ListFolder(folder, ok);
  if (!ok) listingFailed_ = true;
  for (const auto& entry : entries) {
    std::error_code ec;
    if (!entry.is_regular_file(ec)) continue;
    const std::string name = entry.path().filename().string();
    const std::string ext = Extension3(name);
    if (ext != "jpg" && ext != "avi" && ext != "wav") continue;
    if (dcf) {
      if (name.size() < 8) continue;
      const std::string number = name.substr(4, 4);
      if (number < "0001" || number > "9999") continue;
    }
    files.push_back(entry.path());
  }
  return files;
}

int CImportEngine::CountItems(const fs::path& source, int64_t* items, int withPreviews) {
  const bool dcf = IsDcfSource(source);
  int files = 0;
  for (const fs::path& folder : TakenSubfolders(source, dcf, classification_ == 1)) {
    const std::vector<fs::path> taken = TakenFiles(folder, dcf);
    std::map<std::string, bool> names;
    for (const fs::path& f : taken) names[Lower(f.filename().string())] = true;
    for (const fs::path& f : taken) {
      ++files;
      const std::string name = f.filename().string();
      if (withPreviews) {
        std::error_code ec;
        if (fs::exists(folder / layout::kPreviewFolderName / name, ec)) ++files;
      }
      if (items && !(IsKind(f, "wav") && names.count(Lower(TwinName(name, "jpg"))))) ++*items;
    }
  }
  return files;
}

std::string CImportEngine::MakeDatedFolderName(const std::string& date) const {
  return orrivan::MakeDatedFolderName(album_, libraryRoot_, date);
}

std::string CImportEngine::FileKey(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return {};
  std::string key;
  if (IsKind(file, "jpg") && CJpegFile::ReadShootingDate(file, key)) return key;
  key = LocalTimeStamp(st.st_mtim.tv_sec);
  if (key < "19900101000000" || key > layout::kLatestTrustedStamp) key = std::to_string(st.st_size);
  return key;
}

std::optional<std::string> CImportEngine::ExistingName(const fs::path& folder, const std::string& name) {
  auto& names = folderNames_[folder.string()];
  if (names.empty()) {
    bool ok = false;
    for (const auto& entry : SortedEntries(folder, ok)) {
      const std::string real = entry.path().filename().string();
      names.emplace(Lower(real), real);
    }
    names.emplace(std::string(), std::string());  // marks the folder as read
  }
  auto it = names.find(Lower(name));
  if (it == names.end()) return std::nullopt;
  return it->second;
}

void CImportEngine::NotePlacedName(const fs::path& folder, const std::string& name) {
  ExistingName(folder, name);  // reads the folder first if needed
  folderNames_[folder.string()].emplace(Lower(name), name);
}

ExistingNameLookup CImportEngine::CachedLookup() {
  return [this](const fs::path& folder, const std::string& name) { return ExistingName(folder, name); };
}

std::optional<CImportEngine::Collision> CImportEngine::ResolveNameCollision(const fs::path& source,
                                                                          const fs::path& target) {
  return orrivan::ResolveNameCollision(source, target, &FileKey, CachedLookup());
}

std::string CImportEngine::CreateDay(const fs::path& folder) {
  CreateFolder(folder);
  const std::string stored = AddNewDayRecord(album_, folder, mode_ == kTransferShortcut);
  newDays_.push_back(stored);
  records_.newDays.push_back(stored);
  return stored;
}

void CImportEngine::Advance(const fs::path& source) {
  // A memo with its still image beside it shares the image's progress item.
  if (IsKind(source, "wav")) {
    bool ok = false;
    const std::string twin = Lower(TwinName(source.filename().string(), "jpg"));
    for (const auto& e : SortedEntries(source.parent_path(), ok))
      if (Lower(e.path().filename().string()) == twin) return;
  }
  ++position_;
  if (progress_) {
    progress_->SetPosition(position_);
  }
}

bool CImportEngine::CheckCancel() {
  if (progress_ && progress_->Cancelled()) records_.cancelled = true;
  return records_.cancelled;
}

bool CImportEngine::FileIntoFolder(const fs::path& source, const fs::path& targetFolder,
                                   const std::string& dayFolder, Folder* folder, bool& placed) {
  placed = false;
  std::string name = source.filename().string();
  for (size_t i = name.size() - 3; i < name.size(); ++i)
    name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  const bool isMemo = IsKind(source, "wav");
  const std::string twinKey = Lower((source.parent_path() / TwinName(source.filename().string(), "jpg")).string());

  std::optional<Collision> collision;
  if (isMemo && folder && folder->memos.count(Lower(source.filename().string()))) {
    // The memo follows the name its still image got in this run.
    auto twin = twins_.find(twinKey);
    if (twin != twins_.end() && !twin->second.deferred) {
      const int k = twin->second.suffix;
      // A shortcut's memo stands in the folder as its link.
      const std::string placedName = SuffixedName(name, k) + (mode_ == kTransferShortcut ? ".lnk" : "");
      const std::optional<std::string> real = ExistingName(targetFolder, placedName);
      if (!real) {
        collision = Collision{false, k};
      } else if (FileKey(targetFolder / *real) == FileKey(source)) {
        collision = Collision{true, k};
      }
    }
  }
  if (!collision && mode_ == kTransferShortcut) {
    collision = ResolveShortcutCollision(source, targetFolder, name);
    if (!collision) return false;
  }
  if (!collision) {
    if (NameTaken(CachedLookup(), targetFolder, name) && mode_ != kTransferNone) {
      collision = ResolveNameCollision(source, targetFolder / name);
      if (!collision) return false;
    } else {
      collision = Collision{false, 0};
    }
  }
  if (IsKind(source, "jpg")) {
    TwinFiling& filing = twins_[Lower(source.string())];
    filing.day = layout::LastComponent(dayFolder);
    filing.suffix = collision->suffix;
    filing.deferred = false;
  }
  if (collision->duplicate) return true;

  const std::string targetName = SuffixedName(name, collision->suffix);
  const fs::path target = targetFolder / targetName;
  // Taken before the placement: a move takes the source away.
  const std::shared_ptr<const PreparedFile> prepared = prefetch_ ? prefetch_->Take(source) : nullptr;
  const std::optional<EnumeratedFile> enumerated = EnumeratedFile::FromPath(source);
  if (!enumerated) return false;
  if (!PlaceFile(source, target, mode_)) return false;
  NotePlacedName(targetFolder, mode_ == kTransferShortcut ? targetName + ".lnk" : targetName);
  placed = true;
  ++placedCount_;

  // A record of this very path whose file was gone (removed by hand) gives way to the new one.
  const fs::path placedPath = mode_ == kTransferShortcut ? ShortcutPath(target) : target;
  if (auto stale = album_.FindPicturePosition(layout::ToStoredPath(placedPath))) {
    const int64_t staleSize = (*stale)->second->size;
    album_.RemovePictureAt(*stale);
    if (auto day = album_.FindDayPosition(dayFolder)) {
      CAlbumData& record = album_.EditDay(*day);
      record.pictureCount -= 1;
      record.totalSize = SaturateSize(std::max<int64_t>(0, record.totalSize - staleSize));
    }
  }
  MakePreviewAndRecord(*enumerated, target, mode_, album_, records_, prepared.get());
  AddToDayTotal(album_, dayFolder, enumerated->size);
  return true;
}

bool CImportEngine::FileIntoDay(const fs::path& source, const std::string& day, Folder* folder) {
  std::string dayFolder = FindDayFolder(album_, day);
  if (dayFolder.empty()) {
    dayFolder = CreateDay(libraryRoot_ / day);
  } else {
    // A day the album knows whose folder was removed by hand gets its folder back.
    CreateFolder(layout::FromStoredPath(dayFolder));
  }
  if (!OpenDayForFile(album_, dayFolder, dayTemplatesBefore_)) return false;
  bool placed = false;
  if (!FileIntoFolder(source, layout::FromStoredPath(dayFolder), dayFolder, folder, placed)) return false;
  CloseDayForFile(album_, dayFolder, placed, dayTemplatesBefore_, touchedDays_);
  return true;
}

bool CImportEngine::ImportFolderByDate(const fs::path& path) {
  Folder folder;
  folder.path = path;
  const std::vector<fs::path> files = TakenFiles(path, dcf_);
  if (listingFailed_) return false;
  folder.memos = MemosWithImages(files);

  for (const fs::path& file : files) {
    std::string day;
    if (IsKind(file, "jpg")) {
      std::string date;
      if (!CJpegFile::ReadShootingDate(file, date)) {
        undated_.push_back(file);
        twins_[Lower(file.string())] = TwinFiling{{}, 0, true};
        Advance(file);
        if (CheckCancel()) return false;
        continue;
      }
      day = date.substr(0, 8);
    } else if (IsKind(file, "wav") && folder.memos.count(Lower(file.filename().string()))) {
      const std::string twinKey = Lower((path / TwinName(file.filename().string(), "jpg")).string());
      auto twin = twins_.find(twinKey);
      if (twin != twins_.end() && twin->second.deferred) {
        undated_.push_back(file);  // follows its still image into whatever day it gets
        continue;
      }
      day = twin != twins_.end() ? twin->second.day
                                 : FileTimeStamp(path / TwinName(file.filename().string(), "JPG")).substr(0, 8);
      if (day.empty()) day = FileTimeStamp(file).substr(0, 8);
    } else {
      day = FileTimeStamp(file).substr(0, 8);
    }
    if (!FileIntoDay(file, day, &folder)) return false;
    Advance(file);
    if (CheckCancel()) return false;
  }
  return true;
}

bool CImportEngine::ImportByDate(const fs::path& source) {
  const std::vector<fs::path> folders = TakenSubfolders(source, dcf_, false);
  if (listingFailed_) return false;
  for (const fs::path& folder : folders) {
    takenFolders_.push_back(folder);
    if (!ImportFolderByDate(folder)) return false;
  }
  return true;
}

bool CImportEngine::ImportIntoDatedFolder(const fs::path& source, const fs::path& datedFolder) {
  const std::string dayFolder = layout::ToStoredPath(datedFolder);
  const std::vector<fs::path> subfolders = TakenSubfolders(source, dcf_, true);
  if (listingFailed_) return false;
  for (const fs::path& sub : subfolders) {
    takenFolders_.push_back(sub);
    const fs::path target = datedFolder / sub.filename();
    CreateFolder(target);
    Folder folder;
    folder.path = sub;
    const std::vector<fs::path> files = TakenFiles(sub, dcf_);
    if (listingFailed_) return false;
    folder.memos = MemosWithImages(files);
    for (const fs::path& file : files) {
      bool placed = false;
      if (!FileIntoFolder(file, target, dayFolder, &folder, placed)) return false;
      if (placed) ++dayFiles_[dayFolder];
      Advance(file);
      if (CheckCancel()) return false;
    }
  }
  if (auto day = album_.FindDayPosition(dayFolder)) {
    CAlbumData& record = album_.EditDay(*day);
    record.pictureCount = dayFiles_[dayFolder];
  }
  return true;
}

bool CImportEngine::ImportUndatedFiles() {
  bool askedOnce = false;
  while (!undated_.empty()) {
    // Memos wait for their still image and are not counted on their own.
    int count = 0;
    for (const fs::path& f : undated_)
      if (IsKind(f, "jpg")) ++count;
    UndatedChoice choice = ui_.AskUndated(count, askedOnce);
    if (askedOnce && choice.kind == UndatedChoice::Kind::FileDate) choice.kind = UndatedChoice::Kind::Leave;
    askedOnce = true;
    if (choice.kind == UndatedChoice::Kind::Cancel || choice.kind == UndatedChoice::Kind::Leave) {
      undatedLeft_ = true;
      return true;
    }

    std::string given;
    if (choice.kind == UndatedChoice::Kind::GivenDate) {
      given = choice.date;
      if (!IsValidDate(given)) {
        std::optional<std::string> asked =
            ui_.AskDate(DateQuestion{Str(StrId::DateDialogTitle), std::string(), Str(StrId::DatePrompt)});
        if (!asked || !IsValidDate(*asked)) return true;
        given = *asked;
      }
    }
    std::vector<fs::path> remaining;
    for (const fs::path& file : undated_) {
      std::string day = given;
      if (IsKind(file, "wav")) {
        auto twin = twins_.find(Lower((file.parent_path() / TwinName(file.filename().string(), "jpg")).string()));
        if (twin == twins_.end() || twin->second.deferred) {
          remaining.push_back(file);
          continue;
        }
        day = twin->second.day;
      } else if (day.empty()) {
        const std::string stamp = FileTimeStamp(file);
        if (!layout::IsTrustedTimeStamp(stamp)) {
          remaining.push_back(file);
          continue;
        }
        day = stamp.substr(0, 8);
      }
      Folder folder;
      folder.path = file.parent_path();
      if (IsKind(file, "wav")) folder.memos[Lower(file.filename().string())] = true;
      if (!FileIntoDay(file, day, &folder)) return false;
      if (CheckCancel()) return false;
    }
    // Memos whose image has now been filed follow it.
    std::vector<fs::path> still;
    for (const fs::path& file : remaining) {
      if (IsKind(file, "wav")) {
        auto twin = twins_.find(Lower((file.parent_path() / TwinName(file.filename().string(), "jpg")).string()));
        if (twin != twins_.end() && !twin->second.deferred) {
          Folder folder;
          folder.path = file.parent_path();
          folder.memos[Lower(file.filename().string())] = true;
          if (!FileIntoDay(file, twin->second.day, &folder)) return false;
          continue;
        }
      }
      still.push_back(file);
    }
    undated_ = std::move(still);
  }
  return true;
}

std::vector<CImportEngine::WalkFolder> CImportEngine::WalkFolders(const std::vector<fs::path>& sources, bool skipHtml) {
  std::vector<WalkFolder> folders;
  const bool failedBefore = listingFailed_;
  for (const fs::path& source : sources) {
    const bool dcf = IsDcfSource(source);
    for (fs::path& folder : TakenSubfolders(source, dcf, skipHtml)) folders.emplace_back(std::move(folder), dcf);
  }
  listingFailed_ = failedBefore;  // the walk itself finds out
  return folders;
}

void CImportEngine::StartPrefetch(const std::vector<WalkFolder>& folders) {
  const unsigned workers = ImportWorkerCount(options_.threads);
  if (workers <= 1) return;
  const bool failedBefore = listingFailed_;
  std::vector<fs::path> plan;
  for (const auto& [folder, dcf] : folders) {
    for (fs::path& file : TakenFiles(folder, dcf))
      if (!IsKind(file, "wav")) plan.push_back(std::move(file));
  }
  listingFailed_ = failedBefore;
  PrefetchOptions options;
  options.turnUpright = settings::GetInt(Key::ImageRotation) == 0;
  options.shortcut = mode_ == kTransferShortcut;
  options.workers = workers;
  prefetch_ = std::make_unique<CImportPrefetch>(std::move(plan), options);
}

void CImportEngine::RollBack() {
  prefetch_.reset();  // nothing the workers made is placed any more
  album_.Load(snapshot_);
  UndoPlacements();
  // A failed save comes after the day pages: the pages of days this run made go with their folders.
  for (const fs::path& folder : records_.createdFolders) {
    const fs::path page = folder / layout::kDayPageName;
    ClearAttributes(page);
    ::unlink(page.c_str());
  }
  RemoveCreatedFolders();
}

// Only folders that hold nothing at all go: a file the import did not take (RAW, sidecar,
// thumbnail) keeps its folder.
void CImportEngine::CleanupMovedFolders() {
  for (auto it = takenFolders_.rbegin(); it != takenFolders_.rend(); ++it) {
    std::error_code ec;
    std::vector<fs::path> dirs;
    bool empty = true;
    for (fs::recursive_directory_iterator walk(*it, ec), end; !ec && walk != end; walk.increment(ec)) {
      std::error_code ec2;
      if (walk->is_directory(ec2) && !walk->is_symlink(ec2)) {
        dirs.push_back(walk->path());
      } else {
        empty = false;
        break;
      }
    }
    if (ec || !empty) continue;
    for (auto d = dirs.rbegin(); d != dirs.rend(); ++d) fs::remove(*d, ec);
    fs::remove(*it, ec);
  }
}

void CImportEngine::ApplyTitles() {
  if (options_.title) {
    for (const std::string& folder : newDays_) SetDayTitle(album_, folder, *options_.title);
    return;
  }
  if (classification_ != 1 || settings::GetInt(Key::InputTitle) != 0) return;
  for (const DatedSource& dated : datedSources_) {
    std::optional<std::string> title = ui_.AskTitle(TitleQuestionFor(UpperAscii(dated.source.string())));
    if (title) SetDayTitle(album_, dated.dayFolder, *title);
  }
}

ImportResult CImportEngine::Run(const std::vector<fs::path>& sources) {
  classification_ = options_.classification.value_or(settings::GetInt(Key::Classitication) == 1 ? 1 : 0);
  mode_ = options_.transferMode.value_or(settings::GetInt(Key::CopyImage) == 1 ? kTransferMove : kTransferCopy);

  // 2. Count.
  std::vector<std::pair<fs::path, int64_t>> counted;
  total_ = 0;
  for (const fs::path& source : sources) {
    int64_t items = 0;
    CountItems(source, &items, 0);
    counted.emplace_back(source, items);
    total_ += items;
  }
  if (listingFailed_) {
    // Nothing was placed yet; "nothing found" would tell the user the card is empty.
    ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return ImportResult::Failed;
  }
  if (total_ == 0) {
    ui_.Message(Str(StrId::NoImportableImages), Icon::Information);
    return ImportResult::NothingToDo;
  }

  // 3. Library root.
  std::optional<fs::path> root = SettleImportLibraryRoot(album_, ui_);
  if (!root) return ImportResult::Failed;
  libraryRoot_ = *root;
  snapshot_ = album_.SaveBytes();

  // 4. Dated-folder mode: one date per source; Cancel drops the source.
  std::vector<fs::path> walk;
  if (classification_ == 1) {
    for (const auto& [source, items] : counted) {
      std::optional<std::string> date =
          ui_.AskDate(DateQuestion{Str(StrId::DateDialogTitle), UpperAscii(source.string()), Str(StrId::DatePrompt)});
      if (!date || !IsValidDate(*date)) {
        total_ -= items;
        continue;
      }
      const std::string name = MakeDatedFolderName(*date);
      if (name.empty()) {
        ui_.Message(import_texts::kNoDatedFolderName, Icon::Exclamation);
        total_ -= items;
        continue;
      }
      const std::string folder = CreateDay(libraryRoot_ / name);
      datedSources_.push_back({source, folder});
      walk.push_back(source);
    }
    if (walk.empty()) {
      RollBack();
      return ImportResult::NothingToDo;
    }
  } else {
    for (const auto& entry : counted) walk.push_back(entry.first);
  }

  // 5. Progress.
  progress_ = ui_.OpenProgress(Str(options_.progressCaption));
  if (progress_) {
    progress_->SetText(Str(options_.placingText.value_or(mode_ == kTransferMove ? StrId::MovingFiles : StrId::CopyingFiles)),
                       std::string());
    progress_->SetRange(total_);
    progress_->SetPosition(0);
  }

  // 7-11. Walk, then the undated files.
  StartPrefetch(WalkFolders(walk, classification_ == 1));
  bool ok = true;
  for (size_t i = 0; ok && i < walk.size(); ++i) {
    dcf_ = IsDcfSource(walk[i]);
    ok = classification_ == 1 ? ImportIntoDatedFolder(walk[i], layout::FromStoredPath(datedSources_[i].dayFolder))
                              : ImportByDate(walk[i]);
  }
  if (ok && !records_.cancelled && classification_ == 0 && !undated_.empty()) ok = ImportUndatedFiles();
  if (records_.cancelled) {
    progress_.reset();
    RollBack();
    return ImportResult::Cancelled;
  }
  if (!ok) {
    progress_.reset();
    RollBack();
    ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return ImportResult::Failed;
  }
  progress_.reset();
  prefetch_.reset();
  if (placedCount_ == 0 && undatedLeft_) {
    // The user left the undated files on the card and nothing else was new: the run ends here.
    // A card whose every file is already in the library goes on: the user sees it was read.
    RollBack();
    return ImportResult::NothingToDo;
  }

  // 13. Titles, 14. pages and save.
  ApplyTitles();
  if (!WriteImportPagesAndSave(album_, ui_, classification_ == 1 ? newDays_ : touchedDays_, {})) {
    RollBack();
    return ImportResult::Failed;
  }
  // Only now, with the album saved, do the sources of moves across file systems go; then the card
  // folders the move emptied.
  if (mode_ == kTransferMove) {
    std::vector<fs::path> stayed;
    if (!CommitMoves(&stayed)) ui_.Message(import_texts::FilesStayedOnCard(stayed), Icon::Exclamation);
    CleanupMovedFolders();
  }
  OpenLibraryAfterImport(ui_, options_.openBrowser);
  return ImportResult::Done;
}

}  // namespace orrivan
