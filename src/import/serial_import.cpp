// The serial import run, in the order the files move: date (dated-folder mode), connection and
// listings, then per file battery check, fetch into the receive folder, day, upright turn, collision
// check, move into the library, preview and record; after the last file the connection ends and the
// run closes like a card import (titles, pages, save, browser). Until the album is saved nothing is
// final: a link failure or a cancel puts everything back.
#include "import/serial_import.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "imaging/jpeg_file.h"
#include "import/import_pages.h"
#include "import/import_texts.h"
#include "import/preview_record.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;
using settings::Key;

namespace {

// Bound on collision suffixes: a folder never holds this many files of one name.
constexpr int kMaxSuffix = 9999;

// The receive folders under the home: the prefix, then six letters of mkdtemp.
constexpr char kReceivePrefix[] = ".orrivan-receive-";

bool IsMovieName(const std::string& name) { return EndsWithIgnoreCase(name, ".AVI"); }
bool IsStillName(const std::string& name) { return EndsWithIgnoreCase(name, ".JPG"); }

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool IsValidDay(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::string DayText(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return text;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A 14-digit stamp as a moment of the local clock.
std::time_t LocalMoment(const std::string& stamp) {
  std::tm t{};
  t.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
  t.tm_mon = std::stoi(stamp.substr(4, 2)) - 1;
  t.tm_mday = std::stoi(stamp.substr(6, 2));
  t.tm_hour = std::stoi(stamp.substr(8, 2));
  t.tm_min = std::stoi(stamp.substr(10, 2));
  t.tm_sec = std::stoi(stamp.substr(12, 2));
  t.tm_isdst = -1;
  return std::mktime(&t);
}

void SetModified(const fs::path& file, std::time_t moment) {
  const timespec times[2] = {{0, UTIME_OMIT}, {moment, 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

std::string UpperExtension(std::string name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name;
  for (size_t i = dot + 1; i < name.size(); ++i)
    name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  return name;
}

bool IsValidDateText(const std::string& d) {
  if (d.size() != 8 || !AllDigits(d)) return false;
  return IsValidDay(std::stoi(d.substr(0, 4)), std::stoi(d.substr(4, 2)), std::stoi(d.substr(6, 2)));
}

}  // namespace

// ---- days and keys ----

std::string MovieNameDay(const std::string& name, const std::tm& today) {
  const int year = today.tm_year + 1900, month = today.tm_mon + 1, day = today.tm_mday;
  const std::string todayText = DayText(year, month, day);
  const std::string mmdd = name.substr(0, std::min<size_t>(4, name.size()));
  if (mmdd.size() != 4 || !AllDigits(mmdd)) return todayText;
  const int nameMonth = std::stoi(mmdd.substr(0, 2)), nameDay = std::stoi(mmdd.substr(2, 2));
  if (mmdd == "1231") return DayText(year, 12, 31);
  if (IsValidDay(year, nameMonth, nameDay)) {
    // Tomorrow still counts as this year: the camera's clock may run a little ahead. After a
    // month's last day tomorrow is the next month's first (after 12/31 that is "1301": every
    // name is this year's).
    const int tomorrow = day == DaysInMonth(year, month) ? (month + 1) * 100 + 1 : month * 100 + day + 1;
    const int key = nameMonth * 100 + nameDay;
    const int chosen = key >= 101 && key <= tomorrow ? year : year - 1;
    // 02/29 of a leap year that lies after tomorrow would be last year's, which has none.
    if (!IsValidDay(chosen, nameMonth, nameDay)) return todayText;
    return DayText(chosen, nameMonth, nameDay);
  }
  if (nameMonth == 2 && nameDay == 29 && IsLeap(year - 1)) return DayText(year - 1, 2, 29);
  return todayText;
}

SerialDay SerialFileDay(const fs::path& received, const std::string& name, std::time_t now) {
  std::tm today{};
  localtime_r(&now, &today);
  SerialDay result;
  if (IsMovieName(name)) {
    result.day = MovieNameDay(name, today);
    result.stamp = result.day + "010000";
    SetModified(received, LocalMoment(result.stamp));
    return result;
  }
  std::string stamp;
  if (CJpegFile::ReadShootingDate(received, stamp)) {
    result.stamp = stamp;
    result.day = stamp.substr(0, 8);
    result.shootingDate = true;
    SetModified(received, LocalMoment(stamp));
    return result;
  }
  result.day = DayText(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
  result.stamp = result.day + "010000";
  return result;
}

std::string SerialCollisionKey(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return {};
  std::string key;
  if (IsStillName(file.filename().string()) && CJpegFile::ReadShootingDate(file, key)) return key;
  return std::to_string(st.st_size);
}

// ---- the worker part ----

LinkResult ConnectAndListFolders(CCameraLink& link, const std::function<void()>& beforeStep) {
  auto step = [&](auto&& operation) {
    if (beforeStep) beforeStep();
    return operation();
  };
  LinkResult r = step([&] { return link.Connect(); });
  if (r == LINK_OK) r = step([&] { return link.CheckBattery(); });
  if (r == LINK_OK) r = step([&] { return link.GoToRoot(); });
  if (r == LINK_OK) r = step([&] { return link.ChangeFolder("DCIM"); });
  if (r == LINK_OK) r = step([&] { return link.CheckBattery(); });
  if (r == LINK_OK) r = step([&] { return link.ListFolders(); });
  if (r != LINK_OK) link.Disconnect();
  return r;
}

std::optional<size_t> PreselectedFolder(const CCameraLink& link) {
  const std::vector<std::string>& folders = link.FolderList();
  if (folders.empty()) return std::nullopt;
  for (size_t i = 0; i < folders.size(); ++i)
    if (folders[i] == link.CameraFolder()) return i;
  return 0;
}

// ---- the run ----

CSerialImport::CSerialImport(CRKCardAlbumDoc& album, Interaction& ui, SerialImportOptions options)
    : album_(album), ui_(ui), options_(std::move(options)) {}

CSerialImport::~CSerialImport() { RemoveReceiveFolder(); }

bool CSerialImport::Prepare() {
  classification_ = options_.classification.value_or(settings::GetInt(Key::Classitication) == 1 ? 1 : 0);
  if (!SettleLibraryRoot()) return false;
  snapshot_ = album_.SaveBytes();
  return true;
}

// The dated folder is made before anything is received, so that its subfolders can take the files.
// False when the user cancelled or no folder name is left for the date.
bool CSerialImport::AskDatedFolder() {
  const std::string caption = Str(StrId::DateDialogTitle) + "\n" + titleSource_ + "\n" + Str(StrId::DatePrompt);
  const std::optional<std::string> date = ui_.AskDate(caption);
  if (!date || !IsValidDateText(*date)) return false;
  const std::string name = MakeDatedFolderName(*date);
  if (name.empty()) {
    ui_.Message(import_texts::kNoDatedFolderName, Icon::Exclamation);
    return false;
  }
  datedFolder_ = CreateDay(libraryRoot_ / name);
  return true;
}

ImportResult CSerialImport::RunAllFolders(CCameraLink& link) {
  if (!Prepare()) return ImportResult::Failed;
  if (classification_ == 1) {
    titleSource_ = "\\DCIM";
    if (!AskDatedFolder()) {
      RollBack();
      return ImportResult::Cancelled;
    }
  }
  LinkResult r = link.Connect();
  if (r == LINK_OK) r = link.CheckBattery();
  if (r == LINK_OK) r = link.GoToRoot();
  if (r == LINK_OK) r = link.ChangeFolder("DCIM");
  if (r == LINK_OK) r = link.ListFolders();
  if (r != LINK_OK) return LinkFailed(link, r);

  std::vector<CameraFolder> folders;
  size_t files = 0;
  const std::vector<std::string> names = link.FolderList();
  for (const std::string& name : names) {
    r = link.CheckBattery();
    if (r == LINK_OK) r = link.ChangeFolder(name);
    if (r == LINK_OK) r = link.ListFiles();
    if (r == LINK_OK) {
      folders.push_back({name, link.FileList()});
      files += link.FileList().size();
      r = link.GoUp();
    }
    if (r != LINK_OK) return LinkFailed(link, r);
  }
  if (files == 0) {
    link.Disconnect();
    ui_.Message(Str(StrId::NoImportableImages), Icon::Information);
    RollBack();
    return ImportResult::NothingToDo;
  }
  return Transfer(link, folders, true);
}

ImportResult CSerialImport::RunChosenFolder(CCameraLink& link, const std::string& folder) {
  if (!Prepare()) {
    link.Disconnect();
    return ImportResult::Failed;
  }
  if (classification_ == 1) {
    titleSource_ = "\\DCIM\\" + folder;
    if (!AskDatedFolder()) {
      link.Disconnect();
      RollBack();
      return ImportResult::Cancelled;
    }
  }
  LinkResult r = link.ChangeFolder(folder);
  if (r == LINK_OK) r = link.ListFiles();
  if (r != LINK_OK) return LinkFailed(link, r);
  if (link.FileList().empty()) {
    link.Disconnect();
    ui_.Message(Str(StrId::SerialFolderEmpty), Icon::Stop);
    RollBack();
    return ImportResult::NothingToDo;
  }
  return Transfer(link, {{folder, link.FileList()}}, false);
}

ImportResult CSerialImport::LinkFailed(CCameraLink& link, LinkResult code) {
  progress_.reset();
  link.Disconnect();
  ShowLinkError(ui_, code);
  RollBack();
  return code == LINK_ERR_CANCELLED ? ImportResult::Cancelled : ImportResult::Failed;
}

ImportResult CSerialImport::Transfer(CCameraLink& link, const std::vector<CameraFolder>& folders,
                                     bool goUpAfterEach) {
  size_t total = 0;
  for (const CameraFolder& folder : folders) total += folder.files.size();
  auto placementFailed = [&] {
    progress_.reset();
    link.Disconnect();
    RollBack();
    ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return ImportResult::Failed;
  };
  if (!EnsureReceiveFolder()) return placementFailed();

  progress_ = ui_.OpenProgress(Str(StrId::ImportCaption));
  size_t k = 0;
  for (const CameraFolder& folder : folders) {
    if (folder.files.empty()) continue;
    LinkResult r = LINK_OK;
    if (goUpAfterEach) {
      r = link.CheckBattery();
      if (r == LINK_OK) r = link.ChangeFolder(folder.name);
      if (r != LINK_OK) return LinkFailed(link, r);
    }
    // Dated-folder mode keeps the camera's folders one level deep.
    if (classification_ == 1 && !CreateFolder(layout::FromStoredPath(datedFolder_) / folder.name))
      return placementFailed();
    for (const std::string& name : folder.files) {
      ++k;
      if (progress_) {
        progress_->SetText(Str(StrId::SerialTransferring), name + "(" + std::to_string(k) + "/" +
                                                                 std::to_string(total) + ")" +
                                                                 Str(StrId::SerialReceiving));
      }
      // Each file its own folder: a name the camera lists twice never meets its namesake.
      const fs::path into = receiveFolder_ / std::to_string(k);
      std::error_code ec;
      if (!fs::create_directory(into, ec)) return placementFailed();
      r = link.CheckBattery();
      if (r == LINK_OK) {
        link.SetSlowMode(IsMovieName(name));
        r = link.FetchFile(progress_.get(), into, name);
      }
      if (r != LINK_OK) return LinkFailed(link, r);
      if (!FileReceived(into / name, folder.name)) return placementFailed();
      if (progress_ && progress_->Cancelled()) {
        progress_.reset();
        link.Disconnect();
        RollBack();
        return ImportResult::Cancelled;
      }
    }
    if (goUpAfterEach) {
      r = link.GoUp();
      if (r != LINK_OK) return LinkFailed(link, r);
    }
  }
  progress_.reset();
  link.Disconnect();
  return Finish();
}

bool CSerialImport::EnsureReceiveFolder() {
  if (!receiveFolder_.empty()) return true;
  std::error_code ec;
  fs::create_directories(HomeFolder(), ec);
  // A receive folder already there was left by a run that was killed: a run writes only while it
  // holds the home folder's lock, so no living run owns it.
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(HomeFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(kReceivePrefix, 0) == 0 && it->is_directory(ec) && !it->is_symlink(ec)) stale.push_back(it->path());
  }
  for (const fs::path& folder : stale) fs::remove_all(folder, ec);
  std::string pattern = (HomeFolder() / (std::string(kReceivePrefix) + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  receiveFolder_ = pattern;
  return true;
}

void CSerialImport::RemoveReceiveFolder() {
  if (receiveFolder_.empty()) return;
  std::error_code ec;
  fs::remove_all(receiveFolder_, ec);
  receiveFolder_.clear();
}

// ---- filing ----

bool CSerialImport::TurnUpright(const fs::path& received) {
  if (settings::GetInt(Key::ImageRotation) != 0 || !IsStillName(received.filename().string())) return false;
  int version = kExifVersionNone;
  const std::uint8_t code = CJpegFile::ReadOrientation(received, version);
  if (code != kRotationCounterClockwise && code != kRotationClockwise) return false;
  struct stat st {};
  if (::stat(received.c_str(), &st) != 0) return false;
  if (!CJpegFile::RotateFile(received, code, version)) return false;
  // The turned file is a new one; it keeps the day it was given.
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ::utimensat(AT_FDCWD, received.c_str(), times, 0);
  return true;
}

bool CSerialImport::FileReceived(const fs::path& received, const std::string& cameraFolder) {
  const std::string name = received.filename().string();
  const std::time_t now = options_.now ? options_.now() : std::time(nullptr);
  SerialDay day = SerialFileDay(received, name, now);
  if (!day.shootingDate && !IsMovieName(name)) {
    // By date, a picture without a date is filed as received now; in a dated folder its record
    // takes the day at 01:00:00 like a movie's.
    if (classification_ == 0) day.stamp = LocalTimeStamp(now);
  }
  // The key of a still image is read from the file as the library will hold it.
  TurnUpright(received);

  bool placed = false;
  if (classification_ == 1) {
    if (!FileIntoFolder(received, layout::FromStoredPath(datedFolder_) / cameraFolder, datedFolder_, day, placed))
      return false;
    if (placed) {
      if (auto position = album_.FindDayPosition(datedFolder_)) album_.EditDay(*position).pictureCount += 1;
    }
    return true;
  }

  std::string dayFolder = FindDayFolder(day.day);
  if (dayFolder.empty()) {
    dayFolder = CreateDay(libraryRoot_ / day.day);
  } else {
    // A day the album knows whose folder was removed by hand gets its folder back.
    CreateFolder(layout::FromStoredPath(dayFolder));
  }
  auto position = album_.FindDayPosition(dayFolder);
  if (!position) return false;
  {
    CAlbumData& record = album_.EditDay(*position);
    if (!dayTemplatesBefore_.count(dayFolder)) dayTemplatesBefore_[dayFolder] = record.templateName;
    record.templateName = TemplateString();
    record.pictureCount += 1;
  }
  if (!FileIntoFolder(received, layout::FromStoredPath(dayFolder), dayFolder, day, placed)) return false;
  const bool touched = std::find(touchedDays_.begin(), touchedDays_.end(), dayFolder) != touchedDays_.end();
  if (!placed) {
    CAlbumData& record = album_.EditDay(*album_.FindDayPosition(dayFolder));
    record.pictureCount -= 1;
    if (!touched) record.templateName = dayTemplatesBefore_[dayFolder];
  } else if (!touched) {
    touchedDays_.push_back(dayFolder);
  }
  return true;
}

bool CSerialImport::FileIntoFolder(const fs::path& received, const fs::path& targetFolder,
                                   const std::string& dayFolder, const SerialDay& day, bool& placed) {
  placed = false;
  const std::string name = UpperExtension(received.filename().string());
  int suffix = 0;
  if (NameTaken(targetFolder, name)) {
    bool duplicate = false;
    const std::optional<int> resolved = ResolveNameCollision(received, targetFolder / name, duplicate);
    if (!resolved) return false;
    if (duplicate) {
      // Already in the library: the received copy goes.
      std::error_code ec;
      fs::remove(received, ec);
      return true;
    }
    suffix = *resolved;
  }
  std::string targetName = name;
  if (suffix > 0) {
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    targetName = stem + "_" + std::to_string(suffix) + ext;
  }
  const fs::path target = targetFolder / targetName;

  std::optional<EnumeratedFile> enumerated = EnumeratedFile::FromPath(received);
  if (!enumerated) return false;
  // The record's time when the picture has no shooting date of its own.
  if (!day.shootingDate) enumerated->modified = timespec{LocalMoment(day.stamp), 0};
  if (!PlaceFile(received, target, kTransferMove)) return false;
  placed = true;
  ++placedCount_;
  MakePreviewAndRecord(*enumerated, target, kTransferMove, album_, records_);
  if (auto position = album_.FindDayPosition(dayFolder)) {
    CAlbumData& record = album_.EditDay(*position);
    record.totalSize = SaturateSize(static_cast<int64_t>(record.totalSize) + enumerated->size);
  }
  return true;
}

std::optional<std::string> CSerialImport::ExistingName(const fs::path& folder, const std::string& name) const {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string real = it->path().filename().string();
    if (EqualsIgnoreCase(real, name)) return real;
  }
  return std::nullopt;
}

// A name counts as taken when it exists, or when its still-image / memo twin does, all in any case.
bool CSerialImport::NameTaken(const fs::path& folder, const std::string& name) const {
  if (ExistingName(folder, name)) return true;
  if (name.size() < 4) return false;
  const std::string stem = name.substr(0, name.size() - 3);
  if (EndsWithIgnoreCase(name, ".JPG")) return ExistingName(folder, stem + "WAV").has_value();
  if (EndsWithIgnoreCase(name, ".WAV")) return ExistingName(folder, stem + "JPG").has_value();
  return false;
}

std::optional<int> CSerialImport::ResolveNameCollision(const fs::path& received, const fs::path& target,
                                                       bool& duplicate) {
  duplicate = false;
  const fs::path folder = target.parent_path();
  const std::string planned = target.filename().string();
  const size_t dot = planned.rfind('.');
  const std::string stem = dot == std::string::npos ? planned : planned.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : planned.substr(dot);
  const std::string receivedKey = SerialCollisionKey(received);
  for (int k = 0; k <= kMaxSuffix; ++k) {
    const std::string name = k == 0 ? planned : stem + "_" + std::to_string(k) + ext;
    const std::optional<std::string> real = ExistingName(folder, name);
    const std::string key = real ? SerialCollisionKey(folder / *real) : std::string();
    if (!key.empty() && key == receivedKey) {
      duplicate = true;
      return k;
    }
    if (key.empty() && !NameTaken(folder, name)) return k;
  }
  return std::nullopt;
}

// ---- days ----

bool CSerialImport::SettleLibraryRoot() {
  fs::path root = layout::LibraryRoot();
  std::error_code ec;
  if (fs::is_directory(root, ec)) {
    libraryRoot_ = root;
    return true;
  }
  // A root the album already has days under is a disk that is not mounted: never file pictures
  // under an empty mount point.
  const std::string stored = layout::ToStoredPath(root);
  for (const CAlbumData& day : album_.Days()) {
    if (day.folderPath.size() > stored.size() && layout::PathsEqual(day.folderPath.substr(0, stored.size()), stored) &&
        (day.folderPath[stored.size()] == '/' || day.folderPath[stored.size()] == '\\')) {
      ui_.Message(import_texts::kLibraryRootMissing + std::string("\n") + root.string(), Icon::Stop);
      return false;
    }
  }
  fs::create_directories(root, ec);
  if (!fs::is_directory(root, ec)) {
    root = HomeFolder() / layout::kLibraryFolderName;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root, ec)) {
      ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
      return false;
    }
  }
  libraryRoot_ = root;
  return true;
}

std::string CSerialImport::TemplateString() const {
  return settings::GetString(Key::TemplateType) + "," + settings::GetString(Key::TemplateBackCol);
}

std::string CSerialImport::FindDayFolder(const std::string& day) const {
  for (const CAlbumData& record : album_.Days())
    if (EqualsIgnoreCase(layout::LastComponent(record.folderPath), day)) return record.folderPath;
  return {};
}

std::string CSerialImport::CreateDay(const fs::path& folder) {
  CreateFolder(folder);
  CAlbumData day;
  day.folderPath = layout::ToStoredPath(folder);
  day.pagePath = layout::PagePathOfFolder(day.folderPath);
  day.templateName = TemplateString();
  day.printButton = settings::GetInt(Key::PrintButton);
  day.mailName = settings::GetString(Key::MailName);
  day.shortcutDay = 0;
  album_.AddDay(day);
  newDays_.push_back(day.folderPath);
  records_.newDays.push_back(day.folderPath);
  return day.folderPath;
}

std::string CSerialImport::MakeDatedFolderName(const std::string& date) const {
  int highest = 0;
  for (const CAlbumData& day : album_.Days()) {
    const std::string name = layout::LastComponent(day.folderPath);
    const size_t underscore = name.rfind('_');
    if (underscore == std::string::npos) continue;
    if (!EqualsIgnoreCase(name.substr(0, underscore), date)) continue;
    highest = std::max(highest, std::atoi(name.c_str() + underscore + 1));
  }
  for (int k = highest + 1; k <= 99; ++k) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d", k);
    const std::string candidate = date + suffix;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(libraryRoot_ / candidate, ec))) return candidate;
  }
  return {};
}

// ---- the end ----

void CSerialImport::RollBack() {
  progress_.reset();
  if (!snapshot_.empty()) album_.Load(snapshot_);
  UndoPlacements();
  RemoveCreatedFolders();
  RemoveReceiveFolder();
}

void CSerialImport::ApplyTitles() {
  auto setTitle = [&](const std::string& folder, const std::string& title) {
    if (title.empty()) return;
    if (auto day = album_.FindDayPosition(folder)) album_.EditDay(*day).title = title;
  };
  if (options_.title) {
    for (const std::string& folder : newDays_) setTitle(folder, *options_.title);
    return;
  }
  if (classification_ != 1 || settings::GetInt(Key::InputTitle) != 0) return;
  const std::string caption = Str(StrId::TitleDialogTitle) + "\n" + Str(StrId::TitlePrompt) + "\n" +
                              Str(StrId::TitleSourceLabel) + titleSource_;
  const std::optional<std::string> title = ui_.AskTitle(caption, std::string());
  if (title) setTitle(datedFolder_, *title);
}

bool CSerialImport::WritePagesAndSave() {
  std::unique_ptr<Progress> box = ui_.OpenProgress(Str(StrId::HtmlCaption));
  if (box) box->SetText(Str(StrId::HtmlText), Str(StrId::PleaseWait));
  const std::vector<std::string>& days = classification_ == 1 ? newDays_ : touchedDays_;
  WriteDayPagesForImport(album_, days);
  bool saved = false;
  if (options_.save) {
    saved = options_.save(album_, ui_);
  } else {
    saved = album_.OnSaveDocument(layout::WorkingAlbumPath());
    if (!saved) ui_.Message(AlbumErrorText(album_.LastError()), Icon::Stop);
  }
  if (!saved) return false;
  RegenerateLibraryPages(album_, &ui_, days);
  return true;
}

void CSerialImport::OpenLibrary() {
  if (!options_.openBrowser || settings::GetInt(Key::ShowLibrary) != 0) return;
  const fs::path page =
      settings::GetInt(Key::DisplayMethod) != 0 ? layout::CalendarFramePage() : layout::ListFramePage();
  if (!ui_.OpenInBrowser(page)) ui_.Message(Str(StrId::LibraryOpenError), Icon::Stop);
}

ImportResult CSerialImport::Finish() {
  if (placedCount_ == 0 && classification_ == 0) {
    // Everything received was in the library already: nothing to write.
    RollBack();
    return ImportResult::NothingToDo;
  }
  ApplyTitles();
  if (!WritePagesAndSave()) {
    RollBack();
    return ImportResult::Failed;
  }
  CommitMoves();
  RemoveReceiveFolder();
  OpenLibrary();
  return ImportResult::Done;
}

}  // namespace orrivan
