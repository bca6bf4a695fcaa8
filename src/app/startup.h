// The engine side of start-up and exit, shared by the desktop program and orrivan-cli: settle the
// home folder and the library root, bring the working album up to date from the library copy,
// open it (falling back to the first generation), repair and rebuild when the album was taken over,
// repair the template choice; at exit, rotate the generations. Windows, dialogs, the timer and the
// companion program are the caller's, reached through StartupHooks.
//
// The caller holds the home folder's HomeLock (app/import_run.h) for the whole session.
#pragma once

#include <filesystem>
#include <functional>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

// Codes of the album comparison.
enum AlbumCompare : int {
  kAlbumsDiffer = 0,
  kWorkingMissing = 1,
  kLibraryMissing = 2,
  kBothMissing = 3,
  kWorkingUnreadable = 4,  // 3 + 1
  kLibraryUnreadable = 5,  // 3 + 2
  kBothUnreadable = 6,     // 3 + 1 + 2
  kOutOfMemory = 7,
  kAlbumsIdentical = 8,
};

// Compares the working album with the library copy: sizes first, bytes only when the sizes agree.
// A file without the owner's write bit gets it for the read and its own mode back afterwards;
// nothing else of either file changes.
int CompareAlbums(const std::filesystem::path& working, const std::filesystem::path& library);

// "SaveFolder" as the start-up settles it: a value whose last component is exactly "ImageLib" (an
// old default) becomes home + "/Image Library" and is written back. Returns the library root.
std::filesystem::path SettleLibraryRoot();

// Saves the album to the working album path, then refreshes the library copy; both writes are
// atomic. False (after the standard save message) when the working album could not be written.
bool SaveAlbum(CRKCardAlbumDoc& album, Interaction& ui);

// The frame, start, overview, dummy and empty calendar index pages, so an empty library can be
// browsed.
void WriteEmptyLibraryPages(CRKCardAlbumDoc& album, Interaction& ui);

// What the desktop program adds around the engine's start-up; every hook may stay empty (orrivan-cli).
struct StartupHooks {
  // The first-run welcome dialog: true for OK. Empty: no dialog is shown and "DisplayMethod" stays.
  std::function<bool()> welcome;
  // Around a rebuild: disable and show the main window, wait cursor; and back.
  std::function<void()> beginRebuild;
  std::function<void()> endRebuild;
  // Hands the auto-import marker to the main frame's run; false when that run failed (start-up ends).
  std::function<bool(const std::filesystem::path& marker)> autoImport;
  // Starts the companion watcher (no marker, auto-import on); failures are the hook's to ignore.
  std::function<void()> startCompanion;
  // Makes sure the watcher's logon entry exists (auto-import on).
  std::function<void()> ensureLogonEntry;
};

enum class StartupOpened {
  Working,          // the working album opened
  FirstGeneration,  // the working album was missing or unreadable; "Orrivan.rk1" opened
  New,              // nothing opened: an empty album
};

struct StartupResult {
  bool run = false;                 // false: the program ends at once
  int compareCode = kBothMissing;   // of the working album refresh
  bool libraryCopyTaken = false;    // the library copy replaced the working album
  bool workingKept = false;         // the replaced working album was kept as "Orrivan.rk1" and workingKeptAs
  std::filesystem::path workingKeptAs;  // "Orrivan.rks.replaced": a name no rotation moves on
  bool libraryCopyWritten = false;  // the missing library copy was written from the working album
  StartupOpened opened = StartupOpened::New;
  bool rebuilt = false;             // a rebuild ran
  bool rebuildOk = false;           // and repaired every path
  bool albumWritten = false;        // an album was opened or written during the start
  bool templateChosen = false;      // a template plug-in is selected afterwards
  bool autoImportEnabled = false;   // "AutoTakeIn" = 0
  bool emptyPagesWritten = false;
};

// The start-up sequence. The album's own exit rotation is switched off: RunExit does it.
bool RunStartup(Interaction& ui, CRKCardAlbumDoc& album, StartupResult& result, const StartupHooks& hooks = {});

// At exit: when the album was saved during the run, the generations rotate (rk4 -> rk5 ... working ->
// rk1) and the working album is copied to the library root ("SaveFolder" read now). Otherwise nothing
// is touched.
void RunExit(CRKCardAlbumDoc& album, bool savedDuringRun);

}  // namespace orrivan
