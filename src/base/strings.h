// The program's own texts: captions, messages and page strings, UTF-8, each written once in
// strings.cpp. Numbered texts keep their resource number as enum value (pages and old code refer to
// them by number); texts without a number have values from 100000 up.
#pragma once

#include <string>

namespace orrivan {

enum class StrId : int {
  // Page strings
  Charset = 129,                  // "shift_jis": charset of every page head
  ListPageHeading = 130,          // "%s年%s月の一覧": month list page heading (year, month)
  ListPageHint = 131,             // list page: click a date or title
  ListColumnDate = 132,           // "日付"
  ListColumnTitle = 133,          // "タイトル"
  ListColumnSamples = 134,        // sample column head
  LibraryViewTitle = 135,         // "ライブラリを見る": frame page title
  NoFramesText = 136,             // body of the frame pages' NOFRAMES part (ends with CR LF)
  StartHeading = 137,             // start page heading
  StartHasContent1 = 138,         // start page, library has days: first line
  StartHasContent2 = 139,         // start page, library has days: second line
  StartEmpty1 = 140,              // start page, empty library: first line
  StartEmpty2 = 141,              // start page, empty library: second line
  BrokenPageQuestion = 142,       // "%s\n\n...": a sealed page was changed outside (path)
  YearLabelList = 144,            // "%s年": year cell of calendar.htm
  MonthName1 = 145,               // "1月" ... MonthName12 = 156: month names, index 145 + month - 1
  MonthName2 = 146,
  MonthName3 = 147,
  MonthName4 = 148,
  MonthName5 = 149,
  MonthName6 = 150,
  MonthName7 = 151,
  MonthName8 = 152,
  MonthName9 = 153,
  MonthName10 = 154,
  MonthName11 = 155,
  MonthName12 = 156,
  ListColumnCount = 157,          // "枚数"
  ImageCount = 158,               // "%d枚": picture count of a day row
  FontTitleBar = 300,             // "Times New Roman, Times, serif"
  FontCalendar = 301,             // "Arial, Helvetica, sans-serif"
  YearMonth = 302,                // "%d年%d月": month calendar caption (year, month)
  YearLabel = 303,                // "%04d年": year label of the navigation pages
  ListView = 305,                 // "一覧表示": view selector option
  CalendarView = 306,             // "カレンダー表示": view selector option

  // Captions, messages and labels
  AutoImportCaption = 59143,      // progress caption of an automatic import
  CopyingFiles = 59144,           // progress text, copy import
  MovingFiles = 59145,            // progress text, move import
  LibraryWriteError = 59148,      // failed placement / library write; stop icon
  SettingsTabGeneral = 59150,     // settings tab 0
  SettingsTabCamera = 59151,      // settings tab 1
  SettingsTabVersion = 59152,     // settings tab 3
  TemplateBackgroundJoin = 59154, // " / 背景 ": template title + this + colour name
  ColumnDate = 59155,             // library list column headings 59155..59159
  ColumnTitle = 59156,
  ColumnCount = 59157,
  ColumnTemplate = 59158,
  ColumnLocation = 59159,
  ShortcutExtension = 59160,      // ".lnk"
  ImportCaption = 59161,          // progress caption of a card import
  OtherImportCaption = 59162,     // progress caption of the other-image import
  CreatingShortcuts = 59164,      // progress text, shortcut import
  LibraryOpenError = 59165,       // the browser could not be started
  WatcherShortcutName = 59169,    // "Orrivan 監視": autostart entry name
  DefaultBackgroundName = 59170,  // "ｸﾞﾘｰﾝ/ｸﾞﾚｰ": colour pattern chosen with an automatic template
  AutoImportOn = 59172,           // "ON"
  AutoImportOff = 59173,          // "OFF"
  DayCountSuffix = 59174,         // "件"
  SerialFolderEmpty = 59180,      // chosen camera folder has no pictures; stop icon
  SerialTransferring = 59185,     // progress text of a serial transfer
  SerialReceiving = 59186,        // " の転送中です ": after the file name while receiving
  CardFoundImport = 59189,        // confirmation before a manual import
  ProductName = 59190,            // title of the import confirmation
  CardFoundAutoImport = 59191,    // confirmation before an automatic import
  MovingLibrary = 59192,          // progress text of the library relocation
  SettingsTabOptions = 59193,     // settings tab 2
  RelocationCaption = 59195,      // progress caption of the library relocation
  RebuildCaption = 59196,         // progress caption of the rebuild
  HtmlCaption = 59197,            // progress caption of page writing
  RebuildText = 59198,            // progress text of the rebuild
  HtmlText = 59199,               // progress text of page writing
  PleaseWait = 59200,             // second progress line of rebuild, pages, calendar build
  CalendarBuildText = 59201,      // progress text of the calendar build
  CalendarBuildCaption = 59202,   // progress caption of the calendar build

  // Unnumbered texts (values from 100000)
  kFirstUnnumbered = 100000,
  CancelButton = 100000,          // "中止": the button that stops an import
};

// The text of id; an unknown id gives an empty string.
const std::string& Str(StrId id);
// The text of a numbered string; nullptr if the number is unknown.
const std::string* StrByNumber(int number);

}  // namespace orrivan
