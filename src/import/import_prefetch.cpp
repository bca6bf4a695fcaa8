// The workers and the hand-over. A result is used only for the very file the worker read (same size
// and time); anything else the driving thread does itself, as a one-thread run would.
#include "import/import_prefetch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

#include "imaging/jpeg_file.h"
#include "imaging/preview.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

// A picture larger than this is left to the driving thread: a few of them in flight would hold
// gigabytes for no gain.
constexpr std::int64_t kMaxPreparedBytes = 64ll << 20;

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool ReadAll(int fd, std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  // A file that grew since the stat is not the one measured.
  std::uint8_t extra;
  return ::read(fd, &extra, 1) == 0;
}

}  // namespace

std::optional<PreparedFile> CImportPrefetch::Prepare(const fs::path& source, const PrefetchOptions& options) {
  const imaging::FileKind kind = imaging::KindOfFile(source.filename().string());
  if (kind == imaging::FileKind::Memo) return std::nullopt;
  const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPreparedBytes) {
    ::close(fd);
    return std::nullopt;
  }
  PreparedFile file;
  file.size = st.st_size;
  file.modified = st.st_mtim;

  if (kind == imaging::FileKind::Movie) {
    ::close(fd);
    file.preview = imaging::MoviePreviewBytes(source);
    if (!file.preview) {
      // A movie that went away under the reader is not one that failed to decode.
      struct stat now {};
      if (::stat(source.c_str(), &now) != 0 || now.st_size != st.st_size || !SameTime(now.st_mtim, st.st_mtim))
        return std::nullopt;
    }
    return file;
  }

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  const bool read = ReadAll(fd, bytes);
  ::close(fd);
  if (!read) return std::nullopt;
  std::string date;
  if (CJpegFile::ReadShootingDate(bytes, date)) file.stamp = date;
  int version = kExifVersionNone;
  std::uint8_t turn = kRotationNone;
  if (options.turnUpright) {
    const std::uint8_t code = CJpegFile::ReadOrientation(bytes, version);
    if (code == kRotationCounterClockwise || code == kRotationClockwise) turn = code;
  }
  if (options.shortcut) {
    file.preview = imaging::StillPreviewBytes(bytes, turn);
    return file;
  }
  if (turn != kRotationNone) {
    std::vector<std::uint8_t> turned;
    // One turn per worker: the workers already fill the cores.
    if (CJpegFile::RotateBytes(bytes, turn, version, turned, 1)) file.turned = std::move(turned);
  }
  file.preview = imaging::StillPreviewBytes(file.turned ? *file.turned : bytes, 0);
  return file;
}

CImportPrefetch::CImportPrefetch(std::vector<fs::path> plan, PrefetchOptions options)
    : plan_(std::move(plan)), options_(options), window_(2 * std::size_t{options.workers} + 2), slots_(plan_.size()) {
  for (std::size_t i = 0; i < plan_.size(); ++i) index_.emplace(plan_[i].string(), i);
  for (unsigned i = 0; i < options_.workers && i < plan_.size(); ++i) workers_.emplace_back([this] { Work(); });
}

CImportPrefetch::~CImportPrefetch() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void CImportPrefetch::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || (nextClaim_ < plan_.size() && nextClaim_ < consumed_ + window_); });
    if (stop_) return;
    const std::size_t i = nextClaim_++;
    slots_[i].state = State::Working;
    lock.unlock();
    std::shared_ptr<const PreparedFile> result;
    try {
      if (std::optional<PreparedFile> prepared = Prepare(plan_[i], options_))
        result = std::make_shared<const PreparedFile>(std::move(*prepared));
    } catch (const std::bad_alloc&) {
      // Left to the driving thread, which reports what it cannot do.
    }
    lock.lock();
    if (i < consumed_) {
      slots_[i].state = State::GivenUp;  // passed while it was made
    } else {
      slots_[i].state = State::Done;
      slots_[i].result = std::move(result);
    }
    changed_.notify_all();
  }
}

std::shared_ptr<const PreparedFile> CImportPrefetch::Take(const fs::path& source) {
  const auto found = index_.find(source.string());
  if (found == index_.end()) return nullptr;
  const std::size_t i = found->second;
  std::unique_lock lock(mutex_);
  if (i < consumed_) return nullptr;
  for (std::size_t skipped = consumed_; skipped < i; ++skipped) {
    slots_[skipped].result.reset();
    if (slots_[skipped].state != State::Working) slots_[skipped].state = State::GivenUp;
  }
  consumed_ = i;
  std::shared_ptr<const PreparedFile> result;
  if (slots_[i].state == State::Waiting) {
    // No worker reached it: waiting would leave the driving thread idle.
    if (nextClaim_ <= i) nextClaim_ = i + 1;
  } else {
    changed_.wait(lock, [&] { return slots_[i].state == State::Done; });
    result = std::move(slots_[i].result);
  }
  slots_[i].state = State::GivenUp;
  consumed_ = i + 1;
  if (nextClaim_ < consumed_) nextClaim_ = consumed_;
  lock.unlock();
  changed_.notify_all();
  return result;
}

bool CImportPrefetch::Ready(const fs::path& source) {
  const auto found = index_.find(source.string());
  if (found == index_.end()) return false;
  std::lock_guard lock(mutex_);
  return found->second >= consumed_ && slots_[found->second].state == State::Done;
}

unsigned ImportWorkerCount(std::optional<int> requested) {
  if (!requested) {
    if (const char* text = std::getenv("ORRIVAN_IMPORT_THREADS"); text && *text) requested = std::atoi(text);
  }
  if (requested && *requested >= 1) return static_cast<unsigned>(*requested);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

}  // namespace orrivan
