// The list view of the album and the pages around both views: the frame pages library_1.htm and
// library_2.htm in the base folder, HTML/start.htm, HTML/dummy.gif, the overview HTML/calendar.htm
// and one list page per month (HTML/YYYY/jan.htm) with a row per day, newest first. The overview
// and the list pages are edited in place after every change, so they carry a checksum seal: a page
// changed by another editor is noticed, and the user is asked, before the program edits it again.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "html/page_file.h"
#include "library/album_document.h"

namespace orrivan {

class CLibraryHtmlWriter {
 public:
  // interaction answers the broken-seal question; without one a broken page is never edited.
  explicit CLibraryHtmlWriter(Interaction* interaction = nullptr) : interaction_(interaction) {}

  // Pages for a copy of the library (backup, move): another base folder (empty = the home folder)
  // and relative sample links.
  void SetBaseFolder(const std::filesystem::path& folder) { overrideBase_ = folder; }
  void SetRelativeLinks(int relativeLinks) { relativeLinks_ = relativeLinks; }
  // A rewrite of pages that already describe the album: the frame pages keep the month they open
  // at (only a missing one is written, with the default frames).
  void KeepFramePages(bool keep) { keepFramePages_ = keep; }
  std::filesystem::path BaseFolder() const;
  std::filesystem::path HtmlFolder() const;

  // After days were added or changed (adding 1) or removed (adding 0): the frame, start and dummy
  // files, then per day its list page row and the overview. 1 when every day was handled.
  int UpdateListPages(CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames, int adding);
  // Rewrites only the title cells of the days' rows.
  int UpdateListTitles(CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames);

  // which: 0 both, 1 library_1.htm, 2 library_2.htm; atMonth 1 opens them at the month of the
  // earliest day just added.
  int WriteFramePages(int which, int atMonth);
  int WriteStartPage(int hasContent);
  int WriteDummyGif();
  int WriteEmptyOverview();
  // The current day's month on the overview: linked (added 1) or grey again (added 0).
  int UpdateOverview(int added);
  // The current day's month list page with its first row.
  int CreateListPage();
  // Edits of the current month list page (text read from it), written back sealed.
  // InsertRow: 1 inserted, 2 already listed (page unchanged), 0 failed.
  int InsertRow(std::string& pageText);
  // RemoveRow: 1 removed, 2 that was the last row and the page was deleted, 0 failed.
  int RemoveRow(std::string& pageText);
  int UpdateTitle(std::string& pageText);
  // The current day's row block.
  std::string BuildRow();

  bool SealPage(const std::filesystem::path& path) { return html::SealPage(path); }
  bool CheckSeal(const std::filesystem::path& path) { return html::CheckSeal(path); }
  // True when the user chooses to leave the broken page alone.
  bool ConfirmBrokenPage(const std::filesystem::path& path);
  int EnsureFolder(const std::filesystem::path& path) { return html::EnsureFolder(path); }
  std::string ResolveShortcut(const std::filesystem::path& path) { return html::ResolveShortcut(path); }
  html::Shape PreviewShape(const std::filesystem::path& path) { return html::PreviewShape(path); }

  // The library holds a day of some month between 1980 and this year (at most 2037).
  static bool LibraryHasContent(const CRKCardAlbumDoc& album);
  // The preview file of a picture as the sample cells show it.
  static std::string PreviewOfImage(const std::string& imagePath);

 private:
  enum class Mode { Add, Remove, Titles };
  int Update(CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames, Mode mode);
  // Sets the current day from its name; false when its month is not 1-12 or its year not four digits.
  bool SetDay(const std::string& dayName);
  bool SelectDay(CRKCardAlbumDoc& album, bool withImages);
  // Reads a sealed page, asking first when its seal is broken; false when it is not to be used.
  bool ReadSealedPage(const std::filesystem::path& path, std::string& text);
  bool WriteSealedPage(const std::filesystem::path& path, std::string text);
  std::filesystem::path ListPagePath() const;
  std::string TitleCell() const;
  std::string PreviewLink(const std::string& preview) const;
  void NoteEarliest();
  void WriteFramesAfterUpdate(int atMonth);

  Interaction* interaction_ = nullptr;
  std::filesystem::path overrideBase_;
  int relativeLinks_ = 0;
  bool keepFramePages_ = false;

  // The current day.
  std::filesystem::path yearFolder_;
  std::string year_;   // four digits
  int month_ = 0;      // 1-12
  std::string listName_;
  std::string dayName_;
  int monthIndex_ = 0;
  std::string pageLink_;
  std::string title_;
  int imageCount_ = 0;
  std::vector<std::string> images_;
  std::string earliestDate_ = "20900101";
  std::string fullDate_;
  bool hasContent_ = false;
};

}  // namespace orrivan
