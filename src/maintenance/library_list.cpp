#include "maintenance/library_list.h"

#include <algorithm>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "maintenance/library_tree.h"

namespace orrivan {

const std::array<LibraryColumn, kLibraryColumns>& LibraryColumns() {
  static const std::array<LibraryColumn, kLibraryColumns> columns = {{
      {Str(StrId::ColumnDate).c_str(), 98, ColumnAlign::Centre},
      {Str(StrId::ColumnTitle).c_str(), 112, ColumnAlign::Left},
      {Str(StrId::ColumnCount).c_str(), 62, ColumnAlign::Right},
      {Str(StrId::ColumnTemplate).c_str(), 65, ColumnAlign::Left},
      {Str(StrId::ColumnLocation).c_str(), 150, ColumnAlign::Left},
  }};
  return columns;
}

std::string TemplateColumnText(std::string_view templateName) {
  return std::string(templateName.substr(0, templateName.find(',')));
}

void CLibraryList::Load(const CRKCardAlbumDoc& album) {
  rows_.clear();
  sortColumn_ = -1;
  for (const CAlbumData& day : album.Days()) {
    LibraryRow row;
    row.dayName = layout::LastComponent(day.folderPath);
    row.folderPath = day.folderPath;
    row.pictureCount = day.pictureCount;
    row.kind = day.shortcutDay ? LibraryKind::Shortcut : LibraryKind::Image;
    row.text = {CRKCardAlbumDoc::DisplayDate(row.dayName), day.title, std::to_string(day.pictureCount),
                TemplateColumnText(day.templateName), day.folderPath};
    rows_.push_back(std::move(row));
  }
}

void CLibraryList::SortByColumn(int column) {
  if (column < 0 || column >= kLibraryColumns || g_maintenanceBusy) return;
  ascending_ = column == sortColumn_ ? !ascending_ : true;
  sortColumn_ = column;
  const bool ascending = ascending_;
  auto key = [column](const LibraryRow& row) { return ToUpperAscii(row.text[static_cast<size_t>(column)]); };
  std::stable_sort(rows_.begin(), rows_.end(), [&](const LibraryRow& a, const LibraryRow& b) {
    if (column == 2) return ascending ? a.pictureCount < b.pictureCount : b.pictureCount < a.pictureCount;
    return ascending ? key(a) < key(b) : key(b) < key(a);
  });
}

std::string CLibraryList::CounterText() const { return std::to_string(rows_.size()) + Str(StrId::DayCountSuffix); }

std::optional<size_t> CLibraryList::FindRow(std::string_view day) const {
  std::optional<size_t> found;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (layout::PathsEqual(rows_[i].folderPath, day)) return i;
    if (EqualsIgnoreCase(rows_[i].dayName, day)) {
      if (found) return std::nullopt;  // the same name under two roots: give the folder path
      found = i;
    }
  }
  return found;
}

namespace {
constexpr settings::Key kWidthKeys[kLibraryColumns] = {settings::Key::Column0, settings::Key::Column1,
                                                       settings::Key::Column2, settings::Key::Column3,
                                                       settings::Key::Column4};
}  // namespace

std::array<int, kLibraryColumns> CLibraryList::LoadWidths() {
  std::array<int, kLibraryColumns> widths{};
  for (int i = 0; i < kLibraryColumns; ++i)
    widths[static_cast<size_t>(i)] = settings::GetInt(kWidthKeys[i]);
  return widths;
}

void CLibraryList::SaveWidths(const std::array<int, kLibraryColumns>& widths) {
  for (int i = 0; i < kLibraryColumns; ++i) settings::SetInt(kWidthKeys[i], widths[static_cast<size_t>(i)]);
}

std::string CLibraryList::ListLine(const LibraryRow& row) {
  std::string line;
  for (size_t i = 0; i < row.text.size(); ++i) {
    if (i) line += '\t';
    line += row.text[i];
  }
  return line;
}

}  // namespace orrivan
