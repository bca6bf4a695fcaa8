// The serial link to a camera: one object with two faces. The port face owns a tty (termios) at
// fixed 8N1 line settings and reads exact byte counts under computed deadlines; the command face
// speaks the camera's protocol over it (ENQ/ACK handshake, checksummed commands, framed data
// blocks, speed switching, folder and file listings, file fetch). Every operation returns a
// LinkResult; nothing here shows a window except ShowLinkError.
//
// One thread at a time: a worker may own the link (connect, list folders) and hand it back; the
// object keeps no thread-bound state and takes no locks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orrivan {

class Interaction;
class Progress;

using LinkResult = int;

inline constexpr LinkResult LINK_OK = 0;
inline constexpr LinkResult LINK_ERR_FILE = 2;
inline constexpr LinkResult LINK_ERR_OPEN = 3;
inline constexpr LinkResult LINK_ERR_SETUP = 4;
inline constexpr LinkResult LINK_ERR_MEMORY = 7;
inline constexpr LinkResult LINK_ERR_CHECKSUM = 10;
inline constexpr LinkResult LINK_ERR_WRITE = 11;
inline constexpr LinkResult LINK_ERR_CANCELLED = 13;
inline constexpr LinkResult LINK_ERR_PROTOCOL = 14;
inline constexpr LinkResult LINK_ERR_NO_ACK = 15;
inline constexpr LinkResult LINK_ERR_TIMEOUT = 17;
inline constexpr LinkResult LINK_ERR_BATTERY = 18;
inline constexpr LinkResult LINK_ERR_NOT_OPEN = 21;
inline constexpr LinkResult LINK_ERR_EMPTY_LIST = 25;
inline constexpr LinkResult LINK_ERR_NOT_READY = 27;
inline constexpr LinkResult LINK_ERR_UNSUPPORTED = 28;

// The waits of the protocol, in milliseconds. The defaults are the camera's; tests shorten them so
// a dead camera does not cost a minute.
struct LinkTimings {
  int replyTimeoutMs = 3800;    // base read time-out (plus 1 ms per byte)
  int blockTimeoutMs = 1544;    // single bytes after the first block, and data portions > 1024
  int slowTimeoutMs = 20000;    // slow mode: a command's reply and the first byte of a transfer
  int firstAckWaitMs = 2000;    // before reading the answer to the first ENQ after a connect
  int enqNakDelayMs = 100;      // between ENQs answered by NAK
  int speedChangeDelayMs = 100; // after a speed command, before switching the PC side
  int blockRetryDelayMs = 500;  // before NAK when a block's start or length timed out
  int cancelGraceMs = 5500;     // the camera's time to settle after CAN, before QR
  int writeTimeoutMs = 5000;    // a write that cannot get into the driver by then is short
};

// The link's port: "COMn" means /dev/ttyS<n-1>; anything else is a device path. Empty when the
// name is neither (a "COM" without a number).
std::string DevicePathOfPort(const std::string& portName);

class CCameraLink {
 public:
  // Reads the three link settings.
  CCameraLink();
  // Closes the port (dropping DTR).
  ~CCameraLink();
  CCameraLink(const CCameraLink&) = delete;
  CCameraLink& operator=(const CCameraLink&) = delete;

  // ---- settings ("Communications": BaudRate, CommPort, SCameraDir) ----
  void LoadSettings();
  // Writes BaudRate and, only if that worked, CommPort; clears the dirty flag. False on a failed write.
  bool SaveSettings();
  const std::string& PortName() const { return portName_; }
  const std::string& BaudRateText() const { return baudRate_; }
  const std::string& CameraFolder() const { return cameraFolder_; }
  void SetPortName(const std::string& name) { portName_ = name; }
  void SetBaudRateText(const std::string& rate) { baudRate_ = rate; }
  // The folder the user chose; also written to "SCameraDir".
  void SetCameraFolder(const std::string& folder, bool store);
  void SetDirty() { dirty_ = true; }
  bool Dirty() const { return dirty_; }

  // ---- port face ----
  LinkResult OpenPort();
  void ClosePort();
  bool IsOpen() const { return fd_ >= 0; }
  LinkResult WriteBytes(const uint8_t* bytes, size_t n);
  LinkResult ReadExact(uint8_t* buffer, size_t n);
  LinkResult SetPortSpeed(unsigned rate);
  unsigned PortSpeed() const { return rate_; }
  void Delay(int ms);
  // The deadline, in ms before the 1 ms per byte, that ReadExact allows for n bytes right now.
  int ReadTimeoutFor(size_t n) const;

  // ---- command face ----
  LinkResult Connect();
  LinkResult Disconnect();
  LinkResult CheckBattery();
  LinkResult GoToRoot();
  LinkResult GoUp();
  LinkResult ChangeFolder(const std::string& name);
  LinkResult ListFolders();
  LinkResult ListFiles();
  // Receives the file name of the current camera folder into targetFolder/name. Nothing is left
  // behind unless the whole file arrived. progress may be null.
  LinkResult FetchFile(Progress* progress, const std::filesystem::path& targetFolder, const std::string& name);

  const std::vector<std::string>& FolderList() const { return folderList_; }
  const std::vector<std::string>& FileList() const { return fileList_; }
  bool Ready() const { return ready_; }
  bool Extended() const { return extended_; }
  int CameraType() const { return cameraType_; }
  int Capability() const { return capability_; }
  // Long waits for the next file (movies take the camera a while to start).
  void SetSlowMode(bool on) { slowMode_ = on; }
  bool SlowMode() const { return slowMode_; }
  // A flag another thread (Ctrl-C, a dialog) may raise to cancel the running transfer, polled
  // between blocks like Progress::Cancelled. Null to stop watching one.
  void SetCancelFlag(std::atomic<bool>* flag) { cancelFlag_ = flag; }
  void SetTimings(const LinkTimings& timings) { timings_ = timings; }
  const LinkTimings& Timings() const { return timings_; }

  // ---- lower operations (used by the above; open for tests and tools) ----
  LinkResult Handshake();
  LinkResult SendCommand(const uint8_t* bytes, size_t length);
  LinkResult SendCommand(const std::string& bytes);
  LinkResult Exchange(const std::string& command, uint8_t* reply, size_t replyLength);
  // One block into block (kMaxBlockData bytes); length gets its data length.
  LinkResult ReadBlock(uint8_t* block, size_t& length);
  // Runs a data command at the transfer speed and collects its blocks into data. maxSize bounds
  // what may arrive (more is refused with LINK_ERR_FILE).
  LinkResult ReceiveData(Progress* progress, const std::string& command, size_t expectedSize,
                         size_t maxSize, std::vector<uint8_t>& data);
  LinkResult ChangeSpeed(const std::string& rateText);

 private:
  LinkResult ReopenForHandshake();
  void SetDtr(bool on);
  void Purge(bool input, bool output);
  bool CancelPolled(Progress* progress) const;
  LinkResult ListInto(const char* command, std::vector<std::string>& list, bool folders);

  // settings
  std::string portName_;
  std::string baudRate_;
  std::string cameraFolder_;
  bool dirty_ = false;
  // port
  int fd_ = -1;
  unsigned rate_ = 9600;
  int blockCounter_ = 0;
  bool slowMode_ = false;
  bool slowReply_ = false;
  bool slowTransfer_ = false;
  LinkTimings timings_;
  // protocol
  int cameraType_ = 0;
  int capability_ = 0;
  bool ready_ = false;
  bool extended_ = false;
  bool firstAckWait_ = false;
  int handshakeRetries_ = 1;
  bool cancelRequested_ = false;
  std::atomic<bool>* cancelFlag_ = nullptr;
  std::vector<std::string> folderList_;
  std::vector<std::string> fileList_;
};

// The user's message for a result code (empty for success and cancel).
std::string LinkErrorText(LinkResult code);
// Shows LinkErrorText(code), without an icon, unless it is empty.
void ShowLinkError(Interaction& ui, LinkResult code);

// Filters of the listings, kept apart so they can be checked on their own. A name is refused
// outright when it could leave the folder it is stored in or hides control bytes.
bool IsSafeCameraName(const std::string& name);
bool IsCameraPictureFolder(const std::string& name);
bool IsCameraPictureFile(const std::string& name);
// Parses a listing (names each ended by NUL, a second NUL after the last) never reading past
// data.size(). Folder listings that start with an empty name give LINK_ERR_EMPTY_LIST.
LinkResult ParseListing(const std::vector<uint8_t>& data, bool folders, std::vector<std::string>& names);

// The settings dialog's test: tries port and speed, reports through ui, and on success keeps them
// in the link (unsaved). The previous values come back on failure.
LinkResult TestLinkSettings(CCameraLink& link, Interaction& ui, const std::string& port, const std::string& rate);

}  // namespace orrivan
