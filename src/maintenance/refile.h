// Filing a day folder again in place: the rebuild that erasing images, applying page options and
// applying the mail choice share. The picture files are registered where they lie (transfer mode
// 0: nothing moves and nothing is filed into another day); previews and pages are not pictures.
// The day keeps its folder, title and kind; its totals and picture records are made anew.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "library/album_records.h"

namespace orrivan {

class CRKCardAlbumDoc;

// The pictures found in a day folder, in folder-walk order, and the day's total size (files and
// previews).
struct RegisteredFolder {
  std::vector<CPhotoData> pictures;
  int64_t totalSize = 0;
};

// Every still image, movie and voice memo below folder (PREVIEW folders left out, links never
// entered). In a shortcut library the pictures are the "<name>.lnk" links whose targets exist; the
// record keeps the link's path and the size of the file it names. A missing preview is made.
RegisteredFolder RegisterFolderInPlace(const std::filesystem::path& folder, bool shortcutDay);

// The options a re-filed day gets.
struct DayOptions {
  std::string templateName;  // the template column text
  int printButton = 0;
  std::string mailName;
};

struct RefileOutcome {
  bool erased = false;         // no picture was left: the day record is gone
  bool folderRemoved = false;  // and its folder was deleted
  int pictures = 0;
};

// Removes the day and its pictures from the album and files its folder again in place. With no
// picture left the day stays removed and its folder is deleted when it is a direct child of root;
// otherwise a new record is added with the old title and kind and the given options.
RefileOutcome RefileDay(CRKCardAlbumDoc& album, const CAlbumData& old, const DayOptions& options,
                        const std::filesystem::path& root);

}  // namespace orrivan
