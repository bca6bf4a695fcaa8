// Start-up and exit. The order of the steps is the order the program has always used; the two
// changes of our own are marked where they are made: the working album is kept as a generation
// before a differing library copy replaces it, and a start that only re-reads an album does not
// count as a save (so quitting after it leaves the generations alone).
#include "app/startup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include "app/rebuild.h"
#include "base/paths.h"
#include "base/settings.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "html/page_names.h"
#include "html/template_repair.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

// Told when a differing library copy replaced the working album (the old one is kept under %s).
constexpr char kWorkingKeptText[] =
    "ライブラリのアルバムファイルが作業用のアルバムファイルと異なるため、ライブラリのものを使います。\n"
    "それまでの作業用のアルバムファイルは %s として残してあります。";

// Told once per start when nothing can be read from the settings file: it is never written over.
constexpr char kSettingsUnusableText[] =
    "設定ファイル %s を読み込めませんでした。\n"
    "既定の設定で動作します。このファイルには書き込みません。";

constexpr char kUnreadableKeptText[] =
    "作業用のアルバムファイルを読み込めませんでした。\n"
    "元のファイルは %s として残してあります。";

// Albums larger than this are not read whole for the comparison (the "not enough memory" code).
constexpr off_t kMaxComparedSize = off_t{1} << 30;

enum class ReadOutcome { Ok, Unreadable, TooLarge };

// Reads a whole file, giving a file without the owner's write bit that bit for the read (the
// "normal" attribute) and its own mode back afterwards.
ReadOutcome ReadWhole(const fs::path& path, const struct stat& st, std::string& out) {
  const mode_t saved = st.st_mode & 07777;
  const bool normalise = S_ISREG(st.st_mode) && (saved & S_IWUSR) == 0;
  if (normalise) ::chmod(path.c_str(), 0644);
  ReadOutcome outcome = ReadOutcome::Ok;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    outcome = ReadOutcome::Unreadable;
  } else {
    try {
      out.resize(static_cast<size_t>(st.st_size));
      size_t done = 0;
      while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      // A file that shrank meanwhile reads as different, not as unreadable.
      out.resize(done);
      if (done == 0 && st.st_size > 0) outcome = ReadOutcome::Unreadable;
    } catch (const std::bad_alloc&) {
      outcome = ReadOutcome::TooLarge;
    }
    ::close(fd);
  }
  if (normalise) ::chmod(path.c_str(), saved);
  return outcome;
}

// The working album kept as the newest generation: rk4 -> rk5 ... rk1 -> rk2, working -> rk1.
bool KeepWorkingAsGeneration(const fs::path& home) {
  std::error_code ec;
  for (int n = layout::kGenerationCount - 1; n >= 1; --n) {
    const fs::path from = layout::GenerationPath(home, n);
    if (fs::exists(from, ec)) CopyFileAtomic(from, layout::GenerationPath(home, n + 1));
  }
  return CopyFileAtomic(home / layout::kAlbumFileName, layout::GenerationPath(home, 1));
}

// The working album a library copy replaces is also kept under a name of its own, the one the
// message gives: the exit rotation moves the generation on (rk1, then rk2, ...), this name stays.
fs::path KeepReplacedWorking(const fs::path& working) {
  std::error_code ec;
  for (int n = 0; n < 100; ++n) {
    fs::path kept = working;
    kept += n == 0 ? std::string(".replaced") : ".replaced-" + std::to_string(n);
    if (fs::exists(fs::symlink_status(kept, ec))) continue;
    return CopyFileAtomic(working, kept) ? kept : fs::path();
  }
  return {};
}

// Ours: an album that cannot be read is set aside under a name of its own before start-up goes on
// with an older generation or an empty album, whose first save would otherwise replace it for good.
fs::path SetUnreadableAlbumAside(const fs::path& working) {
  std::error_code ec;
  for (int n = 0; n < 100; ++n) {
    fs::path aside = working;
    aside += n == 0 ? std::string(".unreadable") : ".unreadable-" + std::to_string(n);
    if (fs::exists(aside, ec)) continue;
    fs::rename(working, aside, ec);
    return ec ? fs::path() : aside;
  }
  return {};
}

// The first generation, upgraded in memory only: the fallback file itself is never rewritten.
bool OpenFirstGeneration(CRKCardAlbumDoc& album, const fs::path& rk1) {
  std::string bytes;
  struct stat st {};
  if (::stat(rk1.c_str(), &st) != 0 || ReadWhole(rk1, st, bytes) != ReadOutcome::Ok) return false;
  std::string current;
  if (!UpgradeAlbumBytes(bytes, current)) current = bytes;
  return album.Load(current) == AlbumError::None;
}

bool SameBytesOnDisk(const fs::path& path, const std::string& bytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || static_cast<size_t>(st.st_size) != bytes.size()) return false;
  std::string onDisk;
  return ReadWhole(path, st, onDisk) == ReadOutcome::Ok && onDisk == bytes;
}

}  // namespace

int CompareAlbums(const fs::path& working, const fs::path& library) {
  struct stat ws {}, ls {};
  const bool haveWorking = ::stat(working.c_str(), &ws) == 0;
  const bool haveLibrary = ::stat(library.c_str(), &ls) == 0;
  if (!haveWorking && !haveLibrary) return kBothMissing;
  if (!haveWorking) return kWorkingMissing;
  if (!haveLibrary) return kLibraryMissing;
  if (ws.st_size != ls.st_size) return kAlbumsDiffer;
  if (ws.st_size > kMaxComparedSize) return kOutOfMemory;

  std::string a, b;
  const ReadOutcome ra = ReadWhole(working, ws, a);
  const ReadOutcome rb = ReadWhole(library, ls, b);
  if (ra == ReadOutcome::TooLarge || rb == ReadOutcome::TooLarge) return kOutOfMemory;
  const int unreadable = (ra == ReadOutcome::Unreadable ? 1 : 0) + (rb == ReadOutcome::Unreadable ? 2 : 0);
  if (unreadable) return kBothMissing + unreadable;
  return a == b ? kAlbumsIdentical : kAlbumsDiffer;
}

fs::path SettleLibraryRoot() {
  const std::string value = settings::GetString(settings::Key::SaveFolder);
  const std::vector<std::string> parts = SplitStoredPath(value);
  // An exact, case-sensitive match: "ImageLibrary" or "imagelib" are the user's own folders.
  if (!parts.empty() && parts.back() == layout::kOldLibraryFolderName) {
    const fs::path root = HomeFolder() / layout::kLibraryFolderName;
    settings::SetString(settings::Key::SaveFolder, root.string());
    return root;
  }
  return fs::path(value);
}

bool SaveAlbum(CRKCardAlbumDoc& album, Interaction& ui) {
  // The document writes the working album atomically and then, as a save to the working album,
  // the library copy: the two never stay apart after a save, so no later start can mistake the
  // older for the newer.
  if (album.OnSaveDocument(album.Home() / layout::kAlbumFileName)) return true;
  ui.Message(AlbumErrorText(album.LastError()), Icon::Exclamation);
  return false;
}

void WriteEmptyLibraryPages(CRKCardAlbumDoc& album, Interaction& ui) {
  CLibraryHtmlWriter writer(&ui);
  writer.EnsureFolder(writer.HtmlFolder());
  writer.WriteFramePages(0, 0);
  writer.WriteStartPage(CLibraryHtmlWriter::LibraryHasContent(album) ? 1 : 0);
  writer.WriteDummyGif();
  std::error_code ec;
  if (!fs::exists(writer.HtmlFolder() / html::kOverviewPage, ec)) writer.WriteEmptyOverview();
  // The frame pages name the calendar index pages; an empty album gets the two empty ones.
  if (album.DayCount() == 0) RebuildCalendar(album);
}

bool RunStartup(Interaction& ui, CRKCardAlbumDoc& album, StartupResult& result, const StartupHooks& hooks) {
  using settings::Key;
  result = StartupResult{};
  album.SetGenerationRotation(false);
  if (settings::FileUnusable()) {
    std::string text = kSettingsUnusableText;
    text.replace(text.find("%s"), 2, settings::File().string());
    ui.Message(text, Icon::Exclamation);
  }

  if (settings::DisplayMethodAtStartup() == 2 && hooks.welcome) {
    if (!hooks.welcome()) {
      settings::SetInt(Key::DisplayMethod, 2);
      return false;
    }
    settings::SetInt(Key::DisplayMethod, 9);
  }
  result.autoImportEnabled = settings::GetInt(Key::AutoTakeIn) == 0;

  const fs::path home = album.Home();
  std::error_code ec;
  fs::create_directories(home, ec);
  const fs::path root = SettleLibraryRoot();
  const fs::path working = home / layout::kAlbumFileName;
  const fs::path libraryCopy = root / layout::kAlbumFileName;

  // Working album refresh.
  result.compareCode = CompareAlbums(working, libraryCopy);
  const bool takeOver = result.compareCode == kAlbumsDiffer || result.compareCode == kWorkingMissing;
  if (takeOver) {
    if (result.compareCode == kAlbumsDiffer) {
      // Ours: whichever copy is newer, the working album is not lost by being replaced.
      result.workingKept = KeepWorkingAsGeneration(home);
      result.workingKeptAs = KeepReplacedWorking(working);
      result.workingKept = result.workingKept && !result.workingKeptAs.empty();
      if (result.workingKept) {
        std::string text = kWorkingKeptText;
        text.replace(text.find("%s"), 2, result.workingKeptAs.filename().string());
        ui.Message(text, Icon::Information);
      }
    }
    result.libraryCopyTaken = CopyFileAtomic(libraryCopy, working);
  }
  if (fs::exists(working, ec)) UpgradeAlbumFile(working);

  // The template choice is settled before any rebuild writes day pages with it.
  result.templateChosen = RepairTemplateChoice();

  auto rebuild = [&](bool save) {
    if (hooks.beginRebuild) hooks.beginRebuild();
    RebuildOptions options;
    options.save = save;
    const RebuildReport report = RebuildLibrary(ui, album, options);
    result.rebuilt = true;
    result.rebuildOk = report.repaired;
    if (hooks.endRebuild) hooks.endRebuild();
  };

  bool opened = false;
  if (fs::exists(working, ec)) {
    if (album.OnOpenDocument(working)) {
      opened = true;
      result.opened = StartupOpened::Working;
      if (takeOver) rebuild(true);
      // Ours: re-writing the very bytes already on disk is not a save of this run; only a change
      // makes the exit rotate the generations.
      if (!SameBytesOnDisk(working, album.SaveBytes())) SaveAlbum(album, ui);
      if (!result.workingKept) CopyFileAtomic(working, layout::GenerationPath(home, 1));
      // A library copy that went missing is made again, but never a library root for it (a disk
      // that is not mounted).
      if (!fs::exists(fs::symlink_status(libraryCopy, ec)) && fs::is_directory(root, ec))
        result.libraryCopyWritten = CopyFileAtomic(working, libraryCopy);
      result.albumWritten = true;
    } else {
      ui.Message(AlbumErrorText(album.LastError()), Icon::Exclamation);
      const fs::path aside = SetUnreadableAlbumAside(working);
      if (aside.empty()) return false;  // never go on to overwrite what could not be kept
      std::string text = kUnreadableKeptText;
      text.replace(text.find("%s"), 2, aside.filename().string());
      ui.Message(text, Icon::Information);
    }
  }
  if (!opened) {
    const fs::path rk1 = layout::GenerationPath(home, 1);
    if (fs::exists(rk1, ec)) {
      if (OpenFirstGeneration(album, rk1)) {
        opened = true;
        result.opened = StartupOpened::FirstGeneration;
        rebuild(false);
        result.albumWritten = true;
      } else {
        ui.Message(AlbumErrorText(AlbumError::UnexpectedFormat), Icon::Exclamation);
      }
    }
  }
  if (!opened) {
    album.OnNewDocument();
    result.opened = StartupOpened::New;
  }

  const fs::path marker = home / layout::kMarkerFileName;
  const bool markerWaiting = fs::exists(marker, ec);
  if (markerWaiting && result.autoImportEnabled && hooks.autoImport) {
    if (!hooks.autoImport(marker)) return false;
    result.albumWritten = true;
  }
  if (!markerWaiting && result.autoImportEnabled && hooks.startCompanion) hooks.startCompanion();
  if (result.autoImportEnabled && hooks.ensureLogonEntry) hooks.ensureLogonEntry();

  if (!result.albumWritten) {
    WriteEmptyLibraryPages(album, ui);
    result.emptyPagesWritten = true;
  }
  result.run = true;
  return true;
}

void RunExit(CRKCardAlbumDoc& album, bool savedDuringRun) {
  album.SetGenerationRotation(false);
  if (!savedDuringRun) return;
  RotateGenerations(album.Home(), layout::LibraryRoot());
}

}  // namespace orrivan
