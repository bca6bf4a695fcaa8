// The page work after a maintenance run changed the main album: calendar pages of the months that
// lost a day go first, list rows of removed days go, rows of changed days are written again, and the
// calendar is rebuilt; and the self-contained pages of a destination (move, backup), written from a
// separate album that holds only the destination's days.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Main library pages. removedNames: day folder names whose records are gone; changedNames: days
// whose records were made anew (their rows are removed and written again). True when every page
// writer succeeded.
bool RegenerateMainPages(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& removedNames,
                         const std::vector<std::string>& changedNames);

// The main library's calendar and list pages once more, as the album describes them (after a backup
// wrote a destination's): the calendar is rebuilt, every day is listed (a row already there stays as
// it is) and the frame pages keep the month they open at. Pages that were right come out unchanged.
bool RewriteMainPages(CRKCardAlbumDoc& album, Interaction& ui);

// The destination's list and calendar pages, frame pages, start page and dummy picture, from an album
// whose days and pictures already lie under chosenFolder/"Image Library". Links are relative, so the
// folder can be browsed wherever it is mounted.
bool WriteDestinationPages(CRKCardAlbumDoc& destinationAlbum, Interaction& ui,
                           const std::filesystem::path& chosenFolder);

}  // namespace orrivan
