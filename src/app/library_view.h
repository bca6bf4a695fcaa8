// What the start view and every navigation column do with the library pages: open the album in the
// browser, and the calendar's first build after the welcome dialog.
#pragma once

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Rewrites the frame pages (the HTML folder made first), then opens library_2.htm when
// "DisplayMethod" is non-zero, else library_1.htm. False, after message 59165, when the browser could
// not be started.
bool OpenLibrary(Interaction& ui);

// With "DisplayMethod" 9 (the welcome dialog was accepted): the calendar pages are built once inside
// their progress box, in the home folder's HTML folder where the pages live, and "DisplayMethod"
// becomes 0. False when nothing was pending.
bool BuildCalendarIfPending(CRKCardAlbumDoc& album, Interaction& ui);

}  // namespace orrivan
