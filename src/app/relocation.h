// Moving the whole library to another save folder: every day folder and every file lying directly in
// the root go to the new root, the album's paths follow, and the old tree goes to the Trash only
// after the album and "SaveFolder" name the new place. A failure or a cancel puts everything back.
// An empty album simply adopts the chosen folder, and an album found there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

enum class RelocateResult {
  Relocated,    // moved; "SaveFolder" names the new root
  Adopted,      // empty album: the album found at the new root became the working album
  RootChanged,  // empty album: "SaveFolder" names the new root, no album was found there
  Unchanged,    // the current folder was chosen again
  Refused,      // the new root and the current one overlap
  Cancelled,    // the user cancelled; everything was put back
  Failed,       // a step failed; everything was put back (after the message)
};

// Sum of the days' total sizes (64-bit).
int64_t LibrarySize(const CRKCardAlbumDoc& album);

// The root a chosen folder gives: the folder itself when its last component is "Image Library",
// else the folder + "/Image Library".
std::filesystem::path RelocationTarget(const std::filesystem::path& chosen);

// The bytes an ordinary user may still write at the target's nearest existing folder; nothing when
// the file system cannot be asked.
std::optional<int64_t> FreeSpaceAt(const std::filesystem::path& target);
// Replaces the figure FreeSpaceAt gives (tests: a disk without room); an empty function restores it.
void SetFreeSpaceProbeForTesting(std::function<std::optional<int64_t>(const std::filesystem::path&)> probe);

// Whether the library fits at the target. Moves within one file system need no room; otherwise the
// free space of the target's nearest existing folder must hold `bytes`.
bool HasRoomFor(const std::filesystem::path& target, const std::filesystem::path& currentRoot, int64_t bytes);

// The relocation to a chosen folder (the caller has asked for it and checked the free space).
// Progress windows come from ui and their cancel (Ctrl-C on the command line) stops the run.
RelocateResult RelocateLibrary(Interaction& ui, CRKCardAlbumDoc& album, const std::filesystem::path& chosen);

}  // namespace orrivan
