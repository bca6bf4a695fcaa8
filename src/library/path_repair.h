// The repair of stored paths after the library root moved: every day folder, day page and picture
// path that names an old root (up to an "ImageLib" or "Image Library" folder) is moved onto the
// current root. Albums written on Windows (drive letters, '\') come out with '/' throughout.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan {

class CRKCardAlbumDoc;

// The old root of one stored path: the text up to and including the first "ImageLib" followed by a
// separator, else up to and including the first "Image Library" followed by a separator. The path
// is normalised ('\' read as '/') first. Nothing when neither occurs.
std::optional<std::string> OldRootOf(std::string_view storedPath);

// Every occurrence of `from` in `text` replaced by `to`, scanning forward (replaced text is never
// scanned again).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// One path moved onto newRoot (a stored path, no trailing '/'); nothing when it names no root.
std::optional<std::string> RepairedPath(std::string_view storedPath, std::string_view newRoot);

// Repairs every day and picture path of the album onto newRoot and fills dayNames with the last
// component of every repaired day folder, in day order. 1 on success. When any path names no root
// the album is left exactly as it was (nothing half repaired) and 0 is returned.
int RepairPaths(CRKCardAlbumDoc& album, std::string_view newRoot, std::vector<std::string>& dayNames);
// The same onto the configured library root ("SaveFolder").
int RepairPaths(CRKCardAlbumDoc& album, std::vector<std::string>& dayNames);

}  // namespace orrivan
