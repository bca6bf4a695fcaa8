// The expensive part of filing a picture — reading it, turning it upright, making its preview — done
// ahead of the walk on one worker per core. Workers only read sources and compute in memory; the
// driving thread takes each result in the walk's order and does every write itself, so names,
// records, progress and roll-back stay exactly as a one-thread run makes them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orrivan {

// What a worker made of one source file.
struct PreparedFile {
  // The file as the worker read it; the result serves only a file that still has this size and time.
  std::int64_t size = 0;
  timespec modified{};
  std::optional<std::string> stamp;  // the shooting date (still images), when the file has one
  // The file turned upright: present when a quarter turn was due and the turn worked.
  std::optional<std::vector<std::uint8_t>> turned;
  // The preview's bytes, made from the turned file when there is one; nothing when the picture
  // could not be decoded (the one-thread run fails that preview the same way).
  std::optional<std::vector<std::uint8_t>> preview;
};

struct PrefetchOptions {
  bool turnUpright = true;  // "ImageRotation" 0: quarter-turned still images are turned
  bool shortcut = false;    // the library gets links: the original is never turned, only its preview
  unsigned workers = 2;
};

class CImportPrefetch {
 public:
  // Starts the workers on `plan`, the still images and movies in the order the walk will meet them.
  CImportPrefetch(std::vector<std::filesystem::path> plan, PrefetchOptions options);
  // Stops the workers (each finishes the file it is on) and discards what was not taken.
  ~CImportPrefetch();
  CImportPrefetch(const CImportPrefetch&) = delete;
  CImportPrefetch& operator=(const CImportPrefetch&) = delete;

  // The result for `source`, waiting while a worker is on it. Files of the plan before it that were
  // not taken (duplicates, undated pictures) are given up. Nothing when no worker has it: a file
  // outside the plan, one already passed, one no worker reached yet (the caller does the work
  // itself rather than wait), or one a worker could not read.
  std::shared_ptr<const PreparedFile> Take(const std::filesystem::path& source);

  // Whether a worker's result for `source` waits to be taken.
  bool Ready(const std::filesystem::path& source);

  // The whole of a worker's work on one file, on the calling thread. Nothing when the file cannot be
  // read or is too large to hold in memory.
  static std::optional<PreparedFile> Prepare(const std::filesystem::path& source, const PrefetchOptions& options);

 private:
  enum class State { Waiting, Working, Done, GivenUp };
  struct Slot {
    State state = State::Waiting;
    std::shared_ptr<const PreparedFile> result;
  };

  void Work();

  const std::vector<std::filesystem::path> plan_;
  const PrefetchOptions options_;
  std::map<std::string, std::size_t> index_;  // path -> position in the plan
  // Workers run at most this many files ahead of the driving thread, which bounds the memory held.
  const std::size_t window_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::size_t nextClaim_ = 0;  // the next file a worker may start
  std::size_t consumed_ = 0;   // files before this were taken or given up
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

// Worker count for an import: the `requested` count when given, else ORRIVAN_IMPORT_THREADS, else one
// per core. 1 means no workers: the whole run on the driving thread.
unsigned ImportWorkerCount(std::optional<int> requested);

}  // namespace orrivan
