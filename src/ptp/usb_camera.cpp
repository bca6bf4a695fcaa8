// libgphoto2 behind one lock. Port lists are loaded from a private folder that holds only the port
// drivers a use needs: the disk driver's listing stats DCIM on every mount, which would wake every
// automounted share merely to look for cameras.
#include "ptp/usb_camera.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gphoto2/gphoto2.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>

#include "camera/camera_link.h"

namespace orrivan::usb {

namespace fs = std::filesystem;

namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// Files of this size or more are refused: a size field that wraps or a storage that lies.
constexpr std::uint64_t kMaxFileSize = 4ull << 30;

}  // namespace

UsbStatus StatusOfCode(int code, const std::string& what) {
  UsbStatus s;
  switch (code) {
    case GP_ERROR_CAMERA_BUSY:
    case GP_ERROR_IO_USB_CLAIM:
    case GP_ERROR_IO_LOCK:
      s.error = UsbError::Busy;
      break;
    case GP_ERROR_MODEL_NOT_FOUND:
    case GP_ERROR_IO_USB_FIND:
    case GP_ERROR_UNKNOWN_PORT:
    case GP_ERROR_IO_INIT:
      s.error = UsbError::NoCamera;
      break;
    default:
      s.error = UsbError::Io;
      break;
  }
  s.message = what + ": " + gp_result_as_string(code);
  return s;
}

namespace {

UsbStatus Failure(int code, const std::string& what) { return StatusOfCode(code, what); }

UsbStatus Error(UsbError error, std::string message) {
  UsbStatus s;
  s.error = error;
  s.message = std::move(message);
  return s;
}

// A folder of links to the chosen port drivers, made once per process and pointed at by IOLIBS
// while a port list loads.
// The folders go when the process ends (a port opened later loads its driver through them).
std::map<std::string, fs::path>& MadeDriverFolders() {
  static std::map<std::string, fs::path> made;
  return made;
}

void RemoveDriverFolders() {
  std::error_code ec;
  for (const auto& [driver, folder] : MadeDriverFolders()) fs::remove_all(folder, ec);
}

std::optional<fs::path> DriverFolder(const char* driver) {
  std::map<std::string, fs::path>& made = MadeDriverFolders();
  static const bool registered = std::atexit(RemoveDriverFolders) == 0;
  (void)registered;
  auto found = made.find(driver);
  if (found != made.end()) return found->second;
  std::string pattern = (fs::temp_directory_path() / "orrivan-gp-ports-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  const fs::path folder = pattern;
  const fs::path from = fs::path(ORRIVAN_GPHOTO2_PORT_DIR) / (std::string(driver) + ".so");
  std::error_code ec;
  fs::create_symlink(from, folder / from.filename(), ec);
  if (ec) return std::nullopt;
  made[driver] = folder;
  return folder;
}

// libgphoto2 opens and closes every driver module at each list load, and static data of a closed
// module that still points at the heap shows as a leak. Pinned once, the drivers stay loaded: their
// data stays reachable and later loads cost a reference count, not a relocation.
void PinDrivers() {
  static std::once_flag once;
  std::call_once(once, [] {
    const char* camlibs = std::getenv("CAMLIBS");
    std::vector<fs::path> modules;
    std::error_code ec;
    for (fs::directory_iterator it(camlibs ? fs::path(camlibs) : fs::path(ORRIVAN_GPHOTO2_CAMLIB_DIR), ec), end;
         !ec && it != end; it.increment(ec)) {
      if (it->path().extension() == ".so") modules.push_back(it->path());
    }
    modules.push_back(fs::path(ORRIVAN_GPHOTO2_PORT_DIR) / "usb1.so");
    for (const fs::path& module : modules) ::dlopen(module.c_str(), RTLD_LAZY | RTLD_NODELETE);
  });
}

struct PortList {
  GPPortInfoList* list = nullptr;
  ~PortList() {
    if (list) gp_port_info_list_free(list);
  }
};

// Loads the port list of one driver only ("usb1" or "disk").
int LoadPorts(PortList& ports, const char* driver) {
  PinDrivers();
  const std::optional<fs::path> folder = DriverFolder(driver);
  if (!folder) return GP_ERROR_LIBRARY;
  const char* previous = std::getenv("IOLIBS");
  const std::string saved = previous ? previous : "";
  ::setenv("IOLIBS", folder->c_str(), 1);
  int r = gp_port_info_list_new(&ports.list);
  if (r >= GP_OK) r = gp_port_info_list_load(ports.list);
  if (previous) {
    ::setenv("IOLIBS", saved.c_str(), 1);
  } else {
    ::unsetenv("IOLIBS");
  }
  return r;
}

struct Abilities {
  CameraAbilitiesList* list = nullptr;
  ~Abilities() {
    if (list) gp_abilities_list_free(list);
  }
};

struct NameList {
  CameraList* list = nullptr;
  NameList() { gp_list_new(&list); }
  ~NameList() {
    if (list) gp_list_free(list);
  }
  int Count() const { return list ? gp_list_count(list) : 0; }
  std::string Name(int i) const {
    const char* n = nullptr;
    gp_list_get_name(list, i, &n);
    return n ? n : "";
  }
  std::string Value(int i) const {
    const char* v = nullptr;
    gp_list_get_value(list, i, &v);
    return v ? v : "";
  }
};

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool EqualIgnoreCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

bool IsUsbPictureFolder(const std::string& name) {
  if (EqualIgnoreCase(name, "Camera")) return true;
  // The card engine's rule: the first three characters between "100" and "999".
  if (name.size() < 3) return false;
  const std::string head = name.substr(0, 3);
  return head >= "100" && head <= "999";
}

bool IsUsbPictureFile(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string ext = name.substr(dot + 1);
  return EqualIgnoreCase(ext, "JPG") || EqualIgnoreCase(ext, "AVI") || EqualIgnoreCase(ext, "WAV");
}

// ---- detection ----

UsbStatus DetectCameras(std::vector<DetectedCamera>& cameras) {
  cameras.clear();
  std::lock_guard<std::mutex> hold(Lock());
  GPContext* context = gp_context_new();
  PortList ports;
  int r = LoadPorts(ports, "usb1");
  Abilities abilities;
  if (r >= GP_OK) r = gp_abilities_list_new(&abilities.list);
  if (r >= GP_OK) r = gp_abilities_list_load(abilities.list, context);
  NameList found;
  if (r >= GP_OK) r = gp_abilities_list_detect(abilities.list, ports.list, found.list, context);
  gp_context_unref(context);
  if (r < GP_OK) return Failure(r, "camera detection");
  for (int i = 0; i < found.Count(); ++i) {
    const std::string port = found.Value(i);
    if (port.rfind("disk:", 0) == 0) continue;  // a card: the volume scan finds it
    cameras.push_back({found.Name(i), port});
  }
  return {};
}

// ---- one camera ----

struct CUsbCamera::Handle {
  GPContext* context = nullptr;
  Camera* camera = nullptr;
  ~Handle() {
    if (camera) {
      gp_camera_exit(camera, context);
      gp_camera_unref(camera);
    }
    if (context) gp_context_unref(context);
  }
};

CUsbCamera::CUsbCamera(std::unique_ptr<Handle> handle, std::string model, std::string port)
    : handle_(std::move(handle)), model_(std::move(model)), port_(std::move(port)) {}

CUsbCamera::~CUsbCamera() {
  std::lock_guard<std::mutex> hold(Lock());
  handle_.reset();
}

std::unique_ptr<CUsbCamera> CUsbCamera::Open(const std::string& model, const std::string& port, UsbStatus& status) {
  std::lock_guard<std::mutex> hold(Lock());
  const std::string what = model + " (" + port + ")";
  auto handle = std::make_unique<Handle>();
  handle->context = gp_context_new();
  const bool disk = port.rfind("disk:", 0) == 0;
  if (!disk && port.rfind("usb:", 0) != 0) {
    status = Error(UsbError::NoCamera, what + ": not a USB port");
    return nullptr;
  }
  PortList ports;
  int r = LoadPorts(ports, disk ? "disk" : "usb1");
  Abilities abilities;
  if (r >= GP_OK) r = gp_abilities_list_new(&abilities.list);
  if (r >= GP_OK) r = gp_abilities_list_load(abilities.list, handle->context);
  int modelIndex = GP_ERROR_MODEL_NOT_FOUND;
  if (r >= GP_OK) r = modelIndex = gp_abilities_list_lookup_model(abilities.list, model.c_str());
  CameraAbilities a{};
  if (r >= GP_OK) r = gp_abilities_list_get_abilities(abilities.list, modelIndex, &a);
  int portIndex = GP_ERROR_UNKNOWN_PORT;
  if (r >= GP_OK) r = portIndex = gp_port_info_list_lookup_path(ports.list, port.c_str());
  GPPortInfo info;
  if (r >= GP_OK) r = gp_port_info_list_get_info(ports.list, portIndex, &info);
  if (r >= GP_OK) r = gp_camera_new(&handle->camera);
  if (r >= GP_OK) r = gp_camera_set_abilities(handle->camera, a);
  if (r >= GP_OK) r = gp_camera_set_port_info(handle->camera, info);
  if (r >= GP_OK) r = gp_camera_init(handle->camera, handle->context);
  if (r < GP_OK) {
    if (handle->camera) {
      gp_camera_unref(handle->camera);
      handle->camera = nullptr;
    }
    status = Failure(r, what);
    return nullptr;
  }
  status = {};
  return std::unique_ptr<CUsbCamera>(new CUsbCamera(std::move(handle), model, port));
}

UsbStatus CUsbCamera::List(UsbListing& listing) {
  listing = {};
  std::lock_guard<std::mutex> hold(Lock());
  Camera* camera = handle_->camera;
  GPContext* context = handle_->context;
  auto folders = [&](const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    NameList list;
    const int r = gp_camera_folder_list_folders(camera, folder.c_str(), list.list, context);
    for (int i = 0; r >= GP_OK && i < list.Count(); ++i) names.push_back(list.Name(i));
    std::sort(names.begin(), names.end());
    return r;
  };
  // A storage is the root itself (a folder presented as a camera) or a folder of the root (PTP).
  std::vector<std::string> roots;
  std::vector<std::string> top;
  int r = folders("/", top);
  if (r < GP_OK) return Failure(r, "listing the camera");
  std::vector<std::string> dcims;
  auto findDcim = [&](const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names)
      if (EqualIgnoreCase(name, "DCIM")) dcims.push_back(Join(folder, name));
  };
  findDcim("/", top);
  if (dcims.empty()) {
    for (const std::string& storage : top) {
      if (!IsSafeCameraName(storage)) continue;
      std::vector<std::string> inside;
      r = folders(Join("/", storage), inside);
      if (r < GP_OK) return Failure(r, "listing the camera");
      findDcim(Join("/", storage), inside);
    }
  }
  for (size_t s = 0; s < dcims.size(); ++s) {
    std::vector<std::string> sub;
    r = folders(dcims[s], sub);
    if (r < GP_OK) return Failure(r, "listing " + dcims[s]);
    for (const std::string& name : sub) {
      if (!IsUsbPictureFolder(name)) continue;
      if (!IsSafeCameraName(name)) {
        ++listing.refusedNames;
        continue;
      }
      const std::string folder = Join(dcims[s], name);
      NameList files;
      r = gp_camera_folder_list_files(camera, folder.c_str(), files.list, context);
      if (r < GP_OK) return Failure(r, "listing " + folder);
      std::vector<std::string> names;
      for (int i = 0; i < files.Count(); ++i) names.push_back(files.Name(i));
      std::sort(names.begin(), names.end());
      for (const std::string& file : names) {
        if (!IsSafeCameraName(file)) {
          ++listing.refusedNames;
          continue;
        }
        if (!IsUsbPictureFile(file)) {
          ++listing.leftOnCamera;
          continue;
        }
        CameraFileInfo info{};
        r = gp_camera_file_get_info(camera, folder.c_str(), file.c_str(), &info, context);
        if (r < GP_OK) return Failure(r, "reading the file info of " + Join(folder, file));
        if (!(info.file.fields & GP_FILE_INFO_SIZE) || info.file.size == 0 || info.file.size >= kMaxFileSize) {
          ++listing.unusableSizes;
          continue;
        }
        UsbFile entry;
        entry.folder = folder;
        entry.name = file;
        entry.cardFolder = name;
        entry.storage = static_cast<int>(s);
        entry.size = info.file.size;
        if (info.file.fields & GP_FILE_INFO_MTIME) entry.modified = info.file.mtime;
        listing.files.push_back(std::move(entry));
      }
    }
  }
  return {};
}

UsbStatus CUsbCamera::Download(const UsbFile& file, const fs::path& target) {
  const std::string what = Join(file.folder, file.name);
  if (!IsSafeCameraName(file.name)) return Error(UsbError::BadFile, what + ": the name is refused");
  std::string temp = (target.parent_path() / (".part-XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Error(UsbError::Local, target.parent_path().string() + ": cannot write there");
  auto drop = [&] {
    std::error_code ec;
    fs::remove(temp, ec);
  };
  CameraFile* data = nullptr;
  int r;
  {
    std::lock_guard<std::mutex> hold(Lock());
    // The CameraFile takes the descriptor and closes it when it goes.
    r = gp_file_new_from_fd(&data, fd);
    if (r < GP_OK) ::close(fd);
    if (r >= GP_OK)
      r = gp_camera_file_get(handle_->camera, file.folder.c_str(), file.name.c_str(), GP_FILE_TYPE_NORMAL, data,
                             handle_->context);
    if (data) gp_file_unref(data);
  }
  if (r < GP_OK) {
    drop();
    return Failure(r, "downloading " + what);
  }
  struct stat st {};
  if (::stat(temp.c_str(), &st) != 0 || static_cast<std::uint64_t>(st.st_size) != file.size) {
    drop();
    return Error(UsbError::BadFile, "downloading " + what + ": " + std::to_string(st.st_size) + " of " +
                                        std::to_string(file.size) + " bytes arrived");
  }
  if (file.modified != 0) {
    const timespec times[2] = {{file.modified, 0}, {file.modified, 0}};
    ::utimensat(AT_FDCWD, temp.c_str(), times, 0);
  }
  // On the disk before it is named: the library may take this very file (a second name), and a move
  // deletes the camera's original once the album is saved.
  const int sync = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = sync >= 0 && ::fsync(sync) == 0;
  if (sync >= 0) ::close(sync);
  if (!synced) {
    drop();
    return Error(UsbError::Local, target.string() + ": cannot write there");
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    drop();
    return Error(UsbError::Local, target.string() + ": cannot write there");
  }
  return {};
}

UsbStatus CUsbCamera::ReadHead(const UsbFile& file, std::size_t bytes, std::string& head) {
  head.assign(bytes, '\0');
  std::uint64_t size = bytes;
  std::lock_guard<std::mutex> hold(Lock());
  int r = gp_camera_file_read(handle_->camera, file.folder.c_str(), file.name.c_str(), GP_FILE_TYPE_NORMAL, 0,
                              head.data(), &size, handle_->context);
  if (r >= GP_OK) {
    head.resize(static_cast<size_t>(std::min<std::uint64_t>(size, bytes)));
    return {};
  }
  // A camera that cannot read part of a file may still hand out the Exif block alone: wrapped as
  // the APP1 segment of a picture without pixels, it reads as the head of the picture would.
  head.clear();
  CameraFile* exif = nullptr;
  r = gp_file_new(&exif);
  if (r >= GP_OK)
    r = gp_camera_file_get(handle_->camera, file.folder.c_str(), file.name.c_str(), GP_FILE_TYPE_EXIF, exif,
                           handle_->context);
  const char* data = nullptr;
  unsigned long length = 0;
  if (r >= GP_OK) r = gp_file_get_data_and_size(exif, &data, &length);
  if (r >= GP_OK && data && length > 0) {
    std::string block(data, length);
    if (block.compare(0, 6, std::string("Exif\0\0", 6)) != 0) block.insert(0, std::string("Exif\0\0", 6));
    if (block.size() + 2 <= 0xFFFF) {
      const size_t segment = block.size() + 2;
      head = std::string("\xFF\xD8\xFF\xE1", 4);
      head += static_cast<char>(segment >> 8);
      head += static_cast<char>(segment & 0xFF);
      head += block;
      head += std::string("\xFF\xD9", 2);
    }
  }
  if (exif) gp_file_unref(exif);
  if (r < GP_OK) return Failure(r, "reading " + Join(file.folder, file.name));
  return {};
}

UsbStatus CUsbCamera::Delete(const UsbFile& file) {
  if (!IsSafeCameraName(file.name)) return Error(UsbError::BadFile, file.name + ": the name is refused");
  std::lock_guard<std::mutex> hold(Lock());
  const int r = gp_camera_file_delete(handle_->camera, file.folder.c_str(), file.name.c_str(), handle_->context);
  if (r < GP_OK) return Failure(r, "deleting " + Join(file.folder, file.name) + " on the camera");
  return {};
}

}  // namespace orrivan::usb

// libgphoto2's USB port driver never frees the libusb device list it reads at every detection.
// Any program that detects cameras (the desktop program, orrivan-cli, every test that runs a card
// detection) carries this, so a leak check of it still reports every leak of its own. Read only by
// a build with the leak checker; harmless elsewhere.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libusb_get_device_list\n"
         "leak:libgphoto2_port/*/usb1.so\n";
}
