// The USB import run: list, download every picture folder into a card-shaped receive tree (one tree
// per storage, so two storages with the same folder names never meet), file it with the card
// engine, then (move) delete on the camera what the library verifiably holds.
#include "import/usb_import.h"

#include <stdlib.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <span>
#include <system_error>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "import/detection.h"
#include "import/filing.h"
#include "import/folder_ops.h"
#include "html/html_text.h"
#include "imaging/jpeg_file.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;
using settings::Key;

namespace {

constexpr char kReceivePrefix[] = ".orrivan-usb-receive-";

bool SameBytes(const fs::path& a, const fs::path& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
    return true;
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  if (!x || !y) return false;
  char bx[65536], by[65536];
  for (;;) {
    x.read(bx, sizeof bx);
    y.read(by, sizeof by);
    const std::streamsize nx = x.gcount(), ny = y.gcount();
    if (nx != ny || std::char_traits<char>::compare(bx, by, static_cast<size_t>(nx)) != 0) return false;
    if (nx == 0 || !x || !y) return !x && !y && nx == ny;
  }
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Stem(const std::string& name) {
  const size_t dot = name.rfind('.');
  return Lower(dot == std::string::npos ? name : name.substr(0, dot));
}

bool IsJpg(const std::string& name) { return Lower(name).ends_with(".jpg"); }
bool IsWav(const std::string& name) { return Lower(name).ends_with(".wav"); }

// Enough of a picture for its Exif block.
constexpr std::size_t kHeadBytes = 64 * 1024;

}  // namespace

// The card engine's duplicate test, settled before the download where the camera allows: a picture
// whose shooting date (read from the head of the file) equals that of the library file of its name
// in its day folder, with its memo (if any) equally already there by name and file time. Anything
// else is downloaded and the engine decides.
std::vector<bool> CUsbImport::AlreadyInLibrary(usb::CUsbCamera& camera, const std::vector<usb::UsbFile>& files) {
  std::vector<bool> skip(files.size(), false);
  const int classification = options_.classification.value_or(settings::GetInt(Key::Classitication) == 1 ? 1 : 0);
  // A library without days holds none of them: no head is read.
  if (classification != 0 || album_.DayCount() == 0) return skip;
  for (size_t i = 0; i < files.size(); ++i) {
    const usb::UsbFile& picture = files[i];
    if (!IsJpg(picture.name)) continue;
    std::string head;
    if (!camera.ReadHead(picture, kHeadBytes, head) || head.empty()) continue;
    std::string stamp, known;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
    if (!CJpegFile::ReadShootingDate(bytes, stamp) || stamp.size() < 8) continue;
    const std::string day = FindDayFolder(album_, stamp.substr(0, 8));
    if (day.empty()) continue;
    const fs::path folder = layout::FromStoredPath(day);
    const std::optional<std::string> filed = ExistingNameInFolder(folder, picture.name);
    if (!filed || !CJpegFile::ReadShootingDate(folder / *filed, known) || known != stamp) continue;
    // Its memo: the same folder, the same stem, the same time.
    std::optional<size_t> memo;
    for (size_t j = 0; j < files.size(); ++j) {
      if (j != i && files[j].folder == picture.folder && IsWav(files[j].name) &&
          Stem(files[j].name) == Stem(picture.name))
        memo = j;
    }
    if (memo) {
      const std::optional<std::string> memoFiled = ExistingNameInFolder(folder, files[*memo].name);
      std::error_code ec;
      if (!memoFiled || files[*memo].modified == 0) continue;
      struct stat st {};
      if (::stat((folder / *memoFiled).c_str(), &st) != 0 || st.st_mtim.tv_sec != files[*memo].modified ||
          static_cast<std::uint64_t>(st.st_size) != files[*memo].size)
        continue;
      skip[*memo] = true;
    }
    skip[i] = true;
  }
  return skip;
}

CUsbImport::CUsbImport(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options)
    : album_(album), ui_(ui), options_(std::move(options)) {}

CUsbImport::~CUsbImport() { RemoveReceiveFolder(); }

bool CUsbImport::MakeReceiveFolder() {
  std::error_code ec;
  fs::create_directories(HomeFolder(), ec);
  // One left behind was a killed run's: runs write only while holding the home folder's lock.
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

void CUsbImport::RemoveReceiveFolder() {
  if (receiveFolder_.empty()) return;
  std::error_code ec;
  fs::remove_all(receiveFolder_, ec);
  receiveFolder_.clear();
}

ImportResult CUsbImport::Run(usb::CUsbCamera& camera) {
  usb::UsbListing listing;
  if (usb::UsbStatus s = camera.List(listing); !s) {
    ui_.Message(UsbFailureText(s), Icon::Stop);
    return ImportResult::Failed;
  }
  leftOnCamera_ = listing.leftOnCamera;
  refused_ = listing.refusedNames;
  unusableSizes_ = listing.unusableSizes;
  if (listing.files.empty()) {
    TellWhatStayed(Str(StrId::NoImportableImages));
    return ImportResult::NothingToDo;
  }
  const int mode = options_.transferMode.value_or(settings::GetInt(Key::CopyImage) == 1 ? kTransferMove : kTransferCopy);
  if (afterListing_) afterListing_();
  if (!MakeReceiveFolder()) {
    ui_.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return ImportResult::Failed;
  }

  // Storage index -> its card-shaped tree. A phone's "Camera" folder is no DCF folder: it is filed
  // from a plain source folder holding it, as a card's non-DCF folder would be.
  std::map<int, fs::path> dcf, plain;
  std::vector<fs::path> sources, received;
  const std::vector<bool> skip = AlreadyInLibrary(camera, listing.files);
  std::unique_ptr<Progress> progress = ui_.OpenProgress(Str(StrId::ImportCaption));
  if (progress) progress->SetRange(static_cast<int64_t>(listing.files.size()));
  size_t k = 0;
  for (const usb::UsbFile& file : listing.files) {
    ++k;
    if (skip[k - 1]) {
      ++alreadyThere_;
      received.emplace_back();
      continue;
    }
    const bool phone = !(file.cardFolder.size() >= 3 && file.cardFolder.substr(0, 3) >= "100" &&
                         file.cardFolder.substr(0, 3) <= "999");
    std::map<int, fs::path>& trees = phone ? plain : dcf;
    if (!trees.count(file.storage)) {
      const fs::path root = receiveFolder_ / std::to_string(file.storage) / (phone ? "PHONE" : "DCIM");
      trees[file.storage] = root;
      sources.push_back(root);
    }
    const fs::path folder = trees[file.storage] / file.cardFolder;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (progress) {
      progress->SetText(Str(StrId::SerialTransferring), file.name + "(" + std::to_string(k) + "/" +
                                                            std::to_string(listing.files.size()) + ")" +
                                                            Str(StrId::SerialReceiving));
    }
    const fs::path target = folder / file.name;
    const usb::UsbStatus s = ec ? usb::UsbStatus{usb::UsbError::Local, folder.string() + ": cannot write there"}
                                : camera.Download(file, target);
    if (!s) {
      progress.reset();
      RemoveReceiveFolder();
      ui_.Message(UsbFailureText(s), Icon::Stop);
      return ImportResult::Failed;
    }
    ++downloaded_;
    received.push_back(target);
    if (progress) progress->SetPosition(static_cast<int64_t>(k));
    if (progress && progress->Cancelled()) {
      progress.reset();
      RemoveReceiveFolder();
      return ImportResult::Cancelled;
    }
  }
  progress.reset();
  if (sources.empty()) {
    // Every file is in the library already: nothing to file, nothing to delete.
    RemoveReceiveFolder();
    TellWhatStayed({});
    return ImportResult::NothingToDo;
  }
  // The receive tree is ours: the engine moves from it (a second name within one file system, no
  // second copy of the bytes) and says what the user chose. A name of each file kept outside the
  // tree holds the bytes as they came for the check before the camera's files go after the save.
  ImportOptions engineOptions = options_;
  engineOptions.transferMode = KeepReceivedNames(received) ? kTransferMove : kTransferCopy;
  engineOptions.placingText = mode == kTransferMove ? StrId::MovingFiles : StrId::CopyingFiles;
  CImportEngine engine(album_, ui_, engineOptions);
  const ImportResult result = engine.Run(sources);
  if (result == ImportResult::Done && mode == kTransferMove)
    DeleteVerified(camera, listing.files, received, engine.LibraryRoot());
  RemoveReceiveFolder();
  if (result == ImportResult::Done || result == ImportResult::NothingToDo) TellWhatStayed({});
  return result;
}

bool CUsbImport::KeepReceivedNames(std::vector<fs::path>& received) {
  const fs::path keep = receiveFolder_ / "kept";
  std::error_code ec;
  if (!fs::create_directory(keep, ec)) return false;
  std::vector<fs::path> kept(received.size());
  for (size_t i = 0; i < received.size(); ++i) {
    if (received[i].empty()) continue;
    kept[i] = keep / std::to_string(i);
    // A file system without second names: the engine copies, and the tree's names stay.
    if (::link(received[i].c_str(), kept[i].c_str()) != 0) {
      fs::remove_all(keep, ec);
      return false;
    }
  }
  received = std::move(kept);
  return true;
}

void CUsbImport::TellWhatStayed(std::string text) {
  auto add = [&](StrId id, int64_t count) {
    if (count <= 0) return;
    if (!text.empty()) text += "\n";
    text += html::FormatText(Str(id), {std::to_string(count)});
  };
  add(StrId::UsbLeftOnCamera, leftOnCamera_);
  add(StrId::UsbNamesRefused, refused_);
  add(StrId::UsbSizesUnusable, unusableSizes_);
  add(StrId::UsbKeptOnCamera, kept_);
  if (!text.empty()) ui_.Message(text, Icon::Information);
}

void CUsbImport::DeleteVerified(usb::CUsbCamera& camera, const std::vector<usb::UsbFile>& files,
                                const std::vector<fs::path>& received, const fs::path& libraryRoot) {
  std::multimap<std::uintmax_t, fs::path> bySize;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(libraryRoot, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file(ec) && !it->is_symlink(ec)) bySize.emplace(it->file_size(ec), it->path());
  }
  for (size_t i = 0; i < files.size() && i < received.size(); ++i) {
    // Left on the camera when it was not downloaded: the library's copy was not read in this run.
    if (received[i].empty()) continue;
    bool verified = false;
    auto [from, to] = bySize.equal_range(files[i].size);
    for (auto it = from; it != to && !verified; ++it) verified = SameBytes(received[i], it->second);
    // A copy the library holds turned, or not at all, keeps its original on the camera.
    if (!verified || !camera.Delete(files[i])) {
      ++kept_;
      continue;
    }
    ++deleted_;
  }
}

namespace {

class LibraryCameras final : public UsbCameraSource {
 public:
  usb::UsbStatus List(std::vector<usb::DetectedCamera>& cameras) override { return usb::DetectCameras(cameras); }
  std::unique_ptr<usb::CUsbCamera> Open(const usb::DetectedCamera& camera, usb::UsbStatus& status) override {
    return usb::CUsbCamera::Open(camera.model, camera.port, status);
  }
};

UsbCameraSource*& SourceInPlace() {
  static LibraryCameras library;
  static UsbCameraSource* source = &library;
  return source;
}

}  // namespace

UsbCameraSource& CurrentUsbCameraSource() { return *SourceInPlace(); }

ScopedUsbCameraSource::ScopedUsbCameraSource(UsbCameraSource& source) : previous_(SourceInPlace()) {
  SourceInPlace() = &source;
}

ScopedUsbCameraSource::~ScopedUsbCameraSource() { SourceInPlace() = previous_; }

std::string UsbCameraShown(const usb::DetectedCamera& camera) { return camera.model + Str(StrId::UsbCameraSuffix); }

std::string UsbFailureText(const usb::UsbStatus& status) {
  StrId id = StrId::UsbLinkBroken;
  switch (status.error) {
    case usb::UsbError::Busy:
      id = StrId::UsbCameraBusy;
      break;
    case usb::UsbError::NoCamera:
      id = StrId::UsbCameraNotFound;
      break;
    case usb::UsbError::Local:
      id = StrId::UsbCannotReceive;
      break;
    case usb::UsbError::None:
    case usb::UsbError::Io:
    case usb::UsbError::BadFile:
      break;
  }
  return status.message.empty() ? Str(id) : Str(id) + "\n\n" + status.message;
}

bool ChooseUsbCamera(const std::vector<usb::DetectedCamera>& cameras, const std::string& named,
                     UsbCameraChoice& choice, std::string& message) {
  std::vector<const usb::DetectedCamera*> matches;
  for (const usb::DetectedCamera& c : cameras)
    if (c.port == named) matches.push_back(&c);
  if (matches.empty()) {
    for (const usb::DetectedCamera& c : cameras)
      if (CompareIgnoreCase(c.model, named) == 0) matches.push_back(&c);
  }
  if (matches.size() == 1) {
    choice = {matches[0]->model, matches[0]->port};
    return true;
  }
  message = matches.empty() ? "no USB camera " + named + " is attached (see orrivan-cli cameras)"
                            : "several cameras " + named + " are attached: name one by its port";
  return false;
}

}  // namespace orrivan
