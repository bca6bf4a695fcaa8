// The library list that the erase, move, edit and backup views share: one row per day record in
// album order with five columns (date, title, picture count, template, folder), its kind (image or
// shortcut library), sorting by a column's text, the column widths kept in the settings and the
// counter text. The views only draw it; orrivan-cli prints it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan {

class CRKCardAlbumDoc;

enum class LibraryKind { Image, Shortcut };
enum class ColumnAlign { Left, Centre, Right };

struct LibraryColumn {
  const char* heading;  // from the string table
  int defaultWidth;
  ColumnAlign align;
};
inline constexpr int kLibraryColumns = 5;
// The five columns in order: date, title, picture count, template, folder.
const std::array<LibraryColumn, kLibraryColumns>& LibraryColumns();

struct LibraryRow {
  std::array<std::string, kLibraryColumns> text;  // what each column shows
  LibraryKind kind = LibraryKind::Image;
  int pictureCount = 0;
  std::string folderPath;  // the stored folder path: the key every operation finds the library by
  std::string dayName;     // the folder's own name
};

class CLibraryList {
 public:
  // Rows of every day record, in album order.
  void Load(const CRKCardAlbumDoc& album);
  const std::vector<LibraryRow>& Rows() const { return rows_; }
  size_t Size() const { return rows_.size(); }

  // Sorts by a column's text ignoring ASCII case; each click on the same column turns the order
  // round, starting ascending. The picture count sorts by number. Ignored while a maintenance run is
  // busy. Equal texts keep their order.
  void SortByColumn(int column);

  // The number of libraries followed by "件".
  std::string CounterText() const;

  // The row of a day given as its folder name (case-insensitive) or as its stored folder path;
  // nothing when no row or more than one row matches the name.
  std::optional<size_t> FindRow(std::string_view day) const;

  // Column widths from "WinPositon"/"column0".."column4" (the default when not stored), and back.
  static std::array<int, kLibraryColumns> LoadWidths();
  static void SaveWidths(const std::array<int, kLibraryColumns>& widths);

  // One row as `orrivan-cli list` prints it: the five columns joined by tabs.
  static std::string ListLine(const LibraryRow& row);

 private:
  std::vector<LibraryRow> rows_;
  int sortColumn_ = -1;
  bool ascending_ = false;
};

// The template column's text of a day's template text ("title,colour" or "ｵﾘｼﾞﾅﾙ"): the title part.
std::string TemplateColumnText(std::string_view templateName);

}  // namespace orrivan
