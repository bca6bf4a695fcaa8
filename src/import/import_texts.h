// Messages of the import that the program adds to its own table (situations it now refuses instead
// of filing pictures wrongly).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace orrivan::import_texts {

// Every dated-folder number up to _99 of the chosen date is taken; the source is not imported.
inline constexpr char kNoDatedFolderName[] =
    "この日付の取込みフォルダは99個まで作成済みです\nこのフォルダは取り込みません";
// The library root is missing although the album has days under it (a disk that is not mounted).
inline constexpr char kLibraryRootMissing[] =
    "ライブラリのフォルダが見つかりません\nドライブが接続されているか確認してください";

// After a move, card files that could not be deleted (they are safe in the library); the run stands.
inline constexpr char kFilesStayedOnCard[] =
    "次のファイルはカードから削除できませんでした\nライブラリには取り込まれています";
// The same after a move out of the user's folders (the other-image import).
inline constexpr char kFilesStayedInFolders[] =
    "次のファイルはフォルダから削除できませんでした\nライブラリには取り込まれています";
// Beyond this many names the box says how many more there are.
inline constexpr size_t kFilesStayedShown = 10;
inline constexpr char kFilesStayedMore[] = "ほか %zu 件";

inline std::string FilesStayedOnCard(const std::vector<std::filesystem::path>& stayed,
                                     const char* head = kFilesStayedOnCard) {
  std::string text = head;
  text += "\n";
  for (size_t i = 0; i < stayed.size() && i < kFilesStayedShown; ++i) text += "\n" + stayed[i].string();
  if (stayed.size() > kFilesStayedShown) {
    char more[64];
    std::snprintf(more, sizeof more, kFilesStayedMore, stayed.size() - kFilesStayedShown);
    text += "\n";
    text += more;
  }
  return text;
}

}  // namespace orrivan::import_texts
