// Messages of the import that the program adds to its own table (situations it now refuses instead
// of filing pictures wrongly).
#pragma once

namespace orrivan::import_texts {

// Every dated-folder number up to _99 of the chosen date is taken; the source is not imported.
inline constexpr char kNoDatedFolderName[] =
    "この日付の取込みフォルダは99個まで作成済みです\nこのフォルダは取り込みません";
// The library root is missing although the album has days under it (a disk that is not mounted).
inline constexpr char kLibraryRootMissing[] =
    "ライブラリのフォルダが見つかりません\nドライブが接続されているか確認してください";

}  // namespace orrivan::import_texts
