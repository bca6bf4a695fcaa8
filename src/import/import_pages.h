// The pages an import writes at its end: the day page of every day it touched (through the selected
// template plug-in), then, after the album save, the calendar, navigation, frame and list pages.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Day pages of the given stored day folders. A page that cannot be written does not stop the run.
void WriteDayPagesForImport(CRKCardAlbumDoc& album, const std::vector<std::string>& dayFolders);
// Month list pages of the touched days, the calendar rebuild and the frame pages.
// ui answers the question about a list page changed by another editor (nullptr: never edit one).
void RegenerateLibraryPages(CRKCardAlbumDoc& album, Interaction* ui, const std::vector<std::string>& dayFolders);

}  // namespace orrivan
