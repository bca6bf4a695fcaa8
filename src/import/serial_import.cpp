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
  std::optional<fs::path> root = SettleImportLibraryRoot(album_, ui_);
  if (!root) return false;
  libraryRoot_ = *root;
  snapshot_ = album_.SaveBytes();
  return true;
}

// The dated folder is made before anything is received, so that its subfolders can take the files.
// False when the user cancelled or no folder name is left for the date.
bool CSerialImport::AskDatedFolder() {
  const std::optional<std::string> date =
      ui_.AskDate(DateQuestion{Str(StrId::DateDialogTitle), titleSource_, Str(StrId::DatePrompt)});
  if (!date || !IsValidDateText(*date)) return false;
  const std::string name = MakeDatedFolderName(album_, libraryRoot_, *date);
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

  std::string dayFolder = FindDayFolder(album_, day.day);
  if (dayFolder.empty()) {
    dayFolder = CreateDay(libraryRoot_ / day.day);
  } else {
    // A day the album knows whose folder was removed by hand gets its folder back.
    CreateFolder(layout::FromStoredPath(dayFolder));
  }
  if (!OpenDayForFile(album_, dayFolder, dayTemplatesBefore_)) return false;
  if (!FileIntoFolder(received, layout::FromStoredPath(dayFolder), dayFolder, day, placed)) return false;
  CloseDayForFile(album_, dayFolder, placed, dayTemplatesBefore_, touchedDays_);
  return true;
}

bool CSerialImport::FileIntoFolder(const fs::path& received, const fs::path& targetFolder,
                                   const std::string& dayFolder, const SerialDay& day, bool& placed) {
  placed = false;
  const std::string name = UpperExtension(received.filename().string());
  int suffix = 0;
  if (NameTaken(&ExistingNameInFolder, targetFolder, name)) {
    // The serial key leaves out the modification time, which a fetched file does not keep.
    const std::optional<NameCollision> resolved =
        ResolveNameCollision(received, targetFolder / name, &SerialCollisionKey, &ExistingNameInFolder);
    if (!resolved) return false;
    if (resolved->duplicate) {
      // Already in the library: the received copy goes.
      std::error_code ec;
      fs::remove(received, ec);
      return true;
    }
    suffix = resolved->suffix;
  }
  const fs::path target = targetFolder / SuffixedName(name, suffix);

  std::optional<EnumeratedFile> enumerated = EnumeratedFile::FromPath(received);
  if (!enumerated) return false;
  // The record's time when the picture has no shooting date of its own.
  if (!day.shootingDate) enumerated->modified = timespec{LocalMoment(day.stamp), 0};
  if (!PlaceFile(received, target, kTransferMove)) return false;
  placed = true;
  ++placedCount_;
  MakePreviewAndRecord(*enumerated, target, kTransferMove, album_, records_);
  AddToDayTotal(album_, dayFolder, enumerated->size);
  return true;
}

// ---- days ----

std::string CSerialImport::CreateDay(const fs::path& folder) {
  CreateFolder(folder);
  const std::string stored = AddNewDayRecord(album_, folder, false);
  newDays_.push_back(stored);
  records_.newDays.push_back(stored);
  return stored;
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
  if (options_.title) {
    for (const std::string& folder : newDays_) SetDayTitle(album_, folder, *options_.title);
    return;
  }
  if (classification_ != 1 || settings::GetInt(Key::InputTitle) != 0) return;
  const std::optional<std::string> title = ui_.AskTitle(TitleQuestionFor(titleSource_));
  if (title) SetDayTitle(album_, datedFolder_, *title);
}

ImportResult CSerialImport::Finish() {
  // A camera whose every file is in the library already goes on like any other run: the pages, the
  // save and the browser show the user that it was read and that nothing was new.
  ApplyTitles();
  if (!WriteImportPagesAndSave(album_, ui_, classification_ == 1 ? newDays_ : touchedDays_, options_.save)) {
    RollBack();
    return ImportResult::Failed;
  }
  CommitMoves();
  RemoveReceiveFolder();
  OpenLibraryAfterImport(ui_, options_.openBrowser);
  return ImportResult::Done;
}

}  // namespace orrivan
