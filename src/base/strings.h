// The program's own texts: captions, messages, labels and page strings, UTF-8, each written once
// in strings.cpp. Numbered texts keep their resource number as enum value (callers and pages refer
// to them by number); texts without a number have values from 100000 up.
#pragma once

#include <string>

namespace orrivan {

enum class StrId : int {
  Charset = 129,                     // charset of every page head
  ListPageHeading = 130,             // month list page heading (year, month without leading zero)
  ListPageHint = 131,                // month list page, beside the heading
  ListColumnDate = 132,              // month list page column head
  ListColumnTitle = 133,             // month list page column head
  ListColumnSamples = 134,           // month list page column head
  LibraryViewTitle = 135,            // frame page title
  NoFramesText = 136,                // frame pages, NOFRAMES body; ends with its own CR LF
  StartHeading = 137,                // start page heading
  StartHasContent1 = 138,            // start page, library with days, line 1
  StartHasContent2 = 139,            // start page, library with days, line 2
  StartEmpty1 = 140,                 // start page, empty library, line 1
  StartEmpty2 = 141,                 // start page, empty library, line 2
  BrokenPageQuestion = 142,          // Yes/No: a sealed page was changed outside the program (path)
  YearLabelList = 144,               // year cell of calendar.htm (year)
  MonthName1 = 145,                  // month name; MonthName1 + month - 1
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
  ListColumnCount = 157,             // month list page column head
  ImageCount = 158,                  // picture count of a day row (count)
  FontTitleBar = 300,                // font of the title bars
  FontCalendar = 301,                // font of the month calendar pages
  YearMonth = 302,                   // month calendar caption (year, month)
  YearLabel = 303,                   // year label of the navigation pages (year)
  ListView = 305,                    // view selector option
  CalendarView = 306,                // view selector option
  AutoImportCaption = 59143,         // progress caption of an automatic import
  CopyingFiles = 59144,              // progress text, copy import
  MovingFiles = 59145,               // progress text, move import
  LibraryWriteError = 59148,         // a placement or library write failed; stop icon
  SettingsTabGeneral = 59150,        // settings tab 0
  SettingsTabCamera = 59151,         // settings tab 1
  SettingsTabVersion = 59152,        // settings tab 3
  TemplateBackgroundJoin = 59154,    // template title + this + colour pattern name
  ColumnDate = 59155,                // library list column 0
  ColumnTitle = 59156,               // library list column 1
  ColumnCount = 59157,               // library list column 2
  ColumnTemplate = 59158,            // library list column 3
  ColumnLocation = 59159,            // library list column 4
  ShortcutExtension = 59160,         // appended to a shortcut's name
  ImportCaption = 59161,             // progress caption of a card import; source selection dialog title
  OtherImportCaption = 59162,        // progress caption of the other-image import
  CreatingShortcuts = 59164,         // progress text, shortcut import
  LibraryOpenError = 59165,          // the browser could not be started; stop icon
  WatcherShortcutName = 59169,       // name of the watcher's logon entry
  DefaultBackgroundName = 59170,     // colour pattern set with an automatically chosen template
  AutoImportOn = 59172,              // auto-import label
  AutoImportOff = 59173,             // auto-import label
  DayCountSuffix = 59174,            // after the number of days
  SerialFolderEmpty = 59180,         // chosen camera folder holds no pictures; stop icon
  SerialTransferring = 59185,        // progress text of a serial transfer
  SerialReceiving = 59186,           // after the file name while it is received
  CardFoundImport = 59189,           // OK/中止 before a manual import
  ProductName = 59190,               // title of the import confirmation and of the no-images box
  CardFoundAutoImport = 59191,       // OK/中止 before an automatic import
  MovingImportedFiles = 59192,       // progress text of library relocation and move
  SettingsTabOptions = 59193,        // settings tab 2
  RelocationCaption = 59195,         // progress caption of the library relocation
  RebuildCaption = 59196,            // progress caption of a rebuild
  HtmlCaption = 59197,               // progress caption of page writing
  RebuildText = 59198,               // progress text of a rebuild
  HtmlText = 59199,                  // progress text of page writing
  PleaseWait = 59200,                // second progress line of rebuild, page writing, calendar build
  CalendarBuildText = 59201,         // progress text of the calendar build
  CalendarBuildCaption = 59202,      // progress caption of the calendar build

  // Texts without a resource number.
  kFirstUnnumbered = 100000,
  // Texts of the album document
  DocumentOpenFailed = kFirstUnnumbered, // the album file could not be read
  UnexpectedFileFormat,              // the album file is not an album
  DocumentSaveFailed,                // the album file could not be saved
  // Start-up
  WelcomeTitle,                      // first-run welcome dialog title
  WelcomeHeading,                    // first-run welcome dialog heading
  // Card detection
  NoImportableImages,                // no source or nothing to count; OK box titled ProductName
  CancelButton,                      // the button that stops an import at its confirmation
  SourcesFound,                      // source selection dialog
  SourcesPrompt,                     // source selection dialog
  FoundFolderList,                   // source selection dialog
  FolderList,                        // source selection dialog
  AddButton,                         // source and other-image dialogs
  RemoveButton,                      // source and other-image dialogs
  ImportButton,                      // source and other-image dialogs
  CancelButtonHalfWidth,             // cancel button of the program's own dialogs
  // Import engine
  DateDialogTitle,                   // date dialog
  DatePrompt,                        // date dialog
  UndatedTitle,                      // undated-files dialog title
  UndatedText,                       // undated-files dialog
  UndatedByFileDate,                 // undated-files option
  UndatedByGivenDate,                // undated-files option
  TitleDialogTitle,                  // title dialog
  TitlePrompt,                       // title dialog
  TitleSourceLabel,                  // title dialog, before the source path
  TitleFieldLabel,                   // title dialog text box
  // Import view
  ImportViewHeading,                 // import view heading
  ImportCameraLine,                  // import view, beside the camera button
  ConnectCardUsb,                    // import view connection choice
  ConnectSerial,                     // import view connection choice
  ImportOtherLine,                   // import view, beside the other-images button
  CameraButton,                      // import view: the camera button's caption
  OtherButton,                       // import view: the other-images button's caption
  AutoImportLabel,                   // import view label
  LibraryCountLabel,                 // import view label
  SerialImportTitle,                 // serial import dialog title
  TransferUnit,                      // serial import dialog group
  TransferAll,                       // serial transfer unit: everything
  TransferFolder,                    // serial transfer unit: one folder
  SerialSettingsButton,              // serial import dialog button
  SerialSettingsTitle,               // serial settings dialog title
  PortLabel,                         // serial settings dialog
  SpeedLabel,                        // serial settings dialog
  SerialTestButton,                  // serial settings dialog
  PreviewCheck,                      // preview check box of the dialogs
  SaveModeGroup,                     // transfer choice group
  SaveModeCopy,                      // transfer choice: copy
  SaveModeMove,                      // transfer choice: move
  // Other-image import
  OtherFolderPrompt,                 // other-image dialog
  OtherFolderList,                   // other-image dialog
  PreviousButton,                    // preview stepping
  NextButton,                        // preview stepping
  AddCaption,                        // box title: an added folder holds no pictures
  NoImagesInFolder1,                 // after the folder path
  NoImagesInFolder2,                 // after NoImagesInFolder1
  ImportAborted,                     // last line when a listed folder has no pictures
  // Serial camera
  CameraNotResponding,               // link error (every code without its own text); failed link test
  CameraRecognised,                  // link test succeeded; exclamation icon
  ReceivingFolderNames,              // folder list while the worker connects
  FolderNamesFailed,                 // folder list after a failure
  BatteryLow,                        // link error 18
  CameraNotSupported,                // link error 28
  // Erase
  EraseCaption,                      // erase dialogs' title; read-only question's erase button
  EraseLibrariesConfirm,             // OK/Cancel before erasing libraries
  EraseImageLibraryQuestion,         // per-library question, image library
  EraseShortcutLibraryQuestion,      // per-library question, shortcut library
  YesButton,                         // per-library erase question
  NoButton,                          // per-library erase question
  EraseAllButton,                    // per-library erase question
  EraseImagesConfirm1,               // OK/Cancel before erasing images, line 1
  EraseImagesConfirm2,               // OK/Cancel before erasing images, line 2
  EraseReadOnlyCaption,              // read-only image question title
  EraseReadOnlyQuestion,             // read-only image question
  // Move, edit, backup, mail
  MoveCaption,                       // move destination dialog and progress caption
  MovePrompt,                        // move destination dialog
  OriginalTemplate,                  // template column of a day that keeps its own page style
  RebuildConfirmCaption,             // rebuild / apply-options confirmation title
  RebuildSelectedText,               // apply-options confirmation, line 1
  RebuildQuestion,                   // rebuild confirmations, last line
  CopyCaption,                       // backup destination dialog and progress caption
  CopyPrompt,                        // backup destination dialog
  CopyingImportedFiles,              // backup progress text
  NoMailProgram,                     // mail entry 0 and the MailName default: no mail program
  PrintButtonGroup,                  // options page group
  MailChoiceGroup,                   // options page group
  AttachSizeGroup,                   // options page group
  AttachSizeLarge,                   // attachment size 0
  AttachSizeSmall,                   // attachment size 1
  ReflectButtonLabel,                // options page, beside the reflection button
  ReflectText,                       // options page
  ApplyOptionsText,                  // apply-to-library confirmation, line 1
  ApplyOptionsNote,                  // apply-to-library confirmation, note
  // Settings view
  SettingsHeading,                   // settings view heading
  ClassifyGroup,                     // Classitication group
  ClassifyByShootingDate,            // Classitication = 0
  ClassifyByGivenDate,               // Classitication = 1
  InputTitleGroup,                   // InputTitle group
  InputTitleYes,                     // InputTitle = 0
  InputTitleNo,                      // InputTitle = 1
  ShowLibraryGroup,                  // ShowLibrary group
  ShowLibraryYes,                    // ShowLibrary = 0
  ShowLibraryNo,                     // ShowLibrary = 1; also PrintButton = 1
  AutoTakeInGroup,                   // AutoTakeIn group
  AutoTakeInOn,                      // AutoTakeIn = 0
  AutoTakeInOff,                     // AutoTakeIn = 1
  ShowDialogGroup,                   // ShowDialog group
  ShowDialogYes,                     // ShowDialog = 0
  ShowDialogNo,                      // ShowDialog = 1
  CopyImageGroup,                    // CopyImage group
  CopyImageKeep,                     // CopyImage = 0
  CopyImageDelete,                   // CopyImage = 1
  RotationGroup,                     // ImageRotation group
  RotationYes,                       // ImageRotation = 0
  RotationNo,                        // ImageRotation = 1
  DisplayMethodGroup,                // DisplayMethod group
  DisplayMethodList,                 // DisplayMethod = 0
  DisplayMethodCalendar,             // DisplayMethod = 1
  PrintButtonYes,                    // PrintButton = 0
  SaveFolderLabel,                   // general page, before the save folder
  SaveFolderButton,                  // general page: starts the library relocation
  TemplateLabel,                     // general page, before the template choice
  TemplateButton,                    // general page: opens the template selection dialog
  AutoImportNowLabel,                // camera page, before the state set at start-up
  SettingsWriteFailed,               // a setting could not be written (settings file)
  MailChosenLabel,                   // options page, before the chosen mail program
  MailFirstVisitCaption,             // options page, notice on the first visit
  MailFirstVisitText,                // options page, notice on the first visit
  ReflectButton,                     // options page: apply the options to every day
  ReflectDoneLabel,                  // options page, before the count of days rewritten
  // Template selection dialog
  TemplateDialogTitle,               // dialog title
  TemplateListLabel,                 // template list
  TemplateSummaryLabel,              // description of the selected template
  TemplateColorLabel,                // colour pattern list
  TemplateSampleLabel,               // sample picture
  TemplateNoSample,                  // in place of a sample the plug-in could not give
  NoTemplates,                       // no plug-in offers a template
  // Library folder dialog (relocation)
  SaveFolderDialogPrompt,            // what the dialog is for
  CurrentSaveFolderLabel,            // the folder the library is in now
  LibrarySizeLabel,                  // the library's size
  KilobyteSuffix,                    // after a size in kilobytes
  NewSaveFolderLabel,                // the folder chosen
  BrowseButton,                      // opens the folder chooser
  ChooseFolderTitle,                 // folder chooser title
  NotAFolder,                        // the chosen path is a file
  NoFolderChosen,                    // nothing chosen
  NotEnoughSpace,                    // free-space box (size, free, in KB)
  FreeSpaceUnknown,                  // free space could not be asked
  // Version page and box
  VersionBoxTitle,                   // version box title
  VersionLabel,                      // before the version
  BuiltWithLabel,                    // before the libraries the program was built with
  // The navigation column of every view (captions of our own; no mnemonics, the views' own use them)
  NavLibrary,                        // open the library in the browser
  NavImport,                         // import view
  NavEdit,                           // edit view
  NavRemove,                         // remove view
  NavCopy,                           // copy (backup) view
  NavMove,                           // move view
  NavSettings,                       // settings view
  NavEditor,                         // the companion photo editor
  NavHelp,                           // the help page
  NavQuit,                           // end the program
  // The desktop program
  HomeInUse,                         // another writer holds the home folder
  HelpMissing,                       // the help page is not installed
  HelpOpenError,                     // the browser could not be started for the help page
  // Desktop program dialogs
  OkButton,                          // the standard OK label of boxes and dialogs
  WelcomeText,                       // first-run welcome dialog body
  DateYearLabel,                     // date dialog, after the year list
  DateMonthLabel,                    // date dialog, after the month list
  DateDayLabel,                      // date dialog, after the day list
  ProgressBarName,                   // accessible name of a progress bar
  // The other-image import (texts of our own)
  SaveModeShortcut,                  // transfer choice: a shortcut to the original
  FolderMissing,                     // a listed folder is not there (any more)
  FolderUnreadable,                  // a listed folder cannot be read
  FolderListFull,                    // an eleventh folder
  FolderAlreadyListed,               // a folder added twice
  OtherFolderTree,                   // accessible name of the folder tree
  PreviewPane,                       // accessible name of the preview pane
  // The serial dialogs (texts of our own)
  PortNotTty,                        // the chosen port is not a serial device
  TestingCamera,                     // status line while the link test runs
  // The maintenance views (erase, move, copy, edit)
  RemoveViewHeading,                 // erase view heading
  MoveViewHeading,                   // move view heading
  CopyViewHeading,                   // copy view heading
  EditViewHeading,                   // edit view heading
  LibraryListName,                   // the library list (its name for screen readers)
  SamplePictureName,                 // the selected library's sample picture
  EraseLibrariesButton,              // erase view: erase the selected libraries
  EraseImagesButton,                 // erase view: erase the marked images
  ImageStripLabel,                   // erase view, above the image strip
  ImageStripName,                    // the image strip (its name for screen readers)
  MoveButton,                        // move view: move the selected libraries
  CopyButton,                        // copy view: copy the selected libraries
  EditTitleButton,                   // edit view: edit the focused library's title
  ApplyOptionsButton,                // edit view: apply the page options to the selected libraries
  DestinationMissing,                // the chosen destination is not a folder
  DestinationReadOnly,               // the chosen destination cannot be written
  LibraryFolderMissing,              // selected libraries whose folders are gone; names follow
  MovedBeforeStop,                   // a stopped move: the libraries at the destination follow
  CopiedBeforeStop,                  // a stopped backup: the libraries copied follow
  OthersStayed,                      // a stopped move: the rest stayed in the library
  BackupIncomplete,                  // a stopped backup: the copy is not complete
  FoldersStayed,                     // erased libraries whose folders stayed on disk; names follow
  ImagesKept,                        // marked images that were not erased; names follow
  LibrariesUnreachable,              // libraries not rebuilt, their folders not reachable; names follow
  PagesNotWritten,                   // a title was saved but some pages could not be written
  // USB cameras
  UsbCameraSuffix,                   // after a camera's model in the source selection
  UsbCameraBusy,                     // the camera is held by another program or answers busy
  UsbCameraNotFound,                 // the camera is gone or does not answer on its port
  UsbLinkBroken,                     // the camera stopped answering or a file came short
  UsbCannotReceive,                  // a downloaded file could not be written here
  UsbLeftOnCamera,                   // %s: files of other kinds not taken
  UsbNamesRefused,                   // %s: files whose names are refused
  UsbSizesUnusable,                  // %s: files the camera gives no usable size for
  UsbKeptOnCamera,                   // %s: a move kept these on the camera
};

// The text of id; an id without text gives an empty string.
const std::string& Str(StrId id);
// The text of a numbered string; nullptr if the number is unknown.
const std::string* StrByNumber(int number);

struct StrEntry {
  StrId id;
  const char* text;
};
// Every text, numbered ones first in number order (tests, `strings` listing).
const StrEntry* StrTableBegin();
const StrEntry* StrTableEnd();

}  // namespace orrivan
