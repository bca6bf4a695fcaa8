// The hand-off file of the automatic import ("Orrivan.tmp" in the home folder): the card watcher
// writes the mount path of a newly mounted card into it, the program reads it back and deletes it
// when its run ends. Its first line is the whole mount path, ended by CR LF.
#pragma once

#include <cstdint>
#include <filesystem>

namespace orrivan {

// The longest path a marker line may hold (PATH_MAX); a longer first line is refused unread.
inline constexpr size_t kMaxMarkerLine = 4096;

struct MarkerContents {
  enum class Status {
    Ok,          // volume holds the absolute path of the first line
    CannotOpen,  // missing or unreadable: leave it
    Garbage,     // not one absolute path within the bound (or not a plain file)
  } status = Status::CannotOpen;
  std::filesystem::path volume;
  // The file that was read, so that only it is deleted: a marker written anew meanwhile (a second
  // card) stays for the next run.
  uint64_t device = 0;
  uint64_t inode = 0;
};

// Reads at most one bounded line; never blocks on a FIFO or follows the file's size.
MarkerContents ReadMarker(const std::filesystem::path& marker);

// Deletes the marker when it is still the file that was read (a marker that could not be opened is
// left alone). True when that file is gone afterwards.
bool DeleteMarker(const std::filesystem::path& marker, const MarkerContents& read);

// Writes the marker atomically (a temporary file renamed over it), so a reader sees the old marker or
// the new one, never a part. False for a path the line cannot carry (relative, or holding CR or LF)
// or when the write fails.
bool WriteMarker(const std::filesystem::path& marker, const std::filesystem::path& volume);

}  // namespace orrivan
