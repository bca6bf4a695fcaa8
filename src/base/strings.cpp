// The one table of the program's texts. In messages "\n" is a line break; leading blanks in dialog
// texts are ideographic spaces (U+3000). Half-width katakana are kept as the program always wrote them.
#include "base/strings.h"

#include <iterator>
#include <unordered_map>

namespace orrivan {
namespace {

constexpr StrEntry kTexts[] = {
    {StrId::Charset, "shift_jis"},
    {StrId::ListPageHeading, "%s年%s月の一覧"},
    {StrId::ListPageHint, "（日付またはタイトルをクリックするとその日のライブラリを見ることができます）"},
    {StrId::ListColumnDate, "日付"},
    {StrId::ListColumnTitle, "タイトル"},
    {StrId::ListColumnSamples, "サンプル表示（ライブラリの中から最大５枚を表示）"},
    {StrId::LibraryViewTitle, "ライブラリを見る"},
    {StrId::NoFramesText, "このページはフレームを使用しています。フレーム対応のブラウザでご覧ください。\r\n"},
    {StrId::StartHeading, "ライブラリを見る"},
    {StrId::StartHasContent1, "上のフレームのカレンダーの強調された月をクリックすると"},
    {StrId::StartHasContent2, "その月の一覧をこのフレーム内に表示します"},
    {StrId::StartEmpty1, "ライブラリがありませんので"},
    {StrId::StartEmpty2, "画像を取り込んでからもう一度実行してください"},
    {StrId::BrokenPageQuestion, "%s\n\nこのファイルは他のエディタで修正したか若しくは壊れている可能性があります。\nこのファイルを使うと他のデータを壊す可能性があります。\nこのファイルを使うのをやめますか。"},
    {StrId::YearLabelList, "%s年"},
    {StrId::MonthName1, "1月"},
    {StrId::MonthName2, "2月"},
    {StrId::MonthName3, "3月"},
    {StrId::MonthName4, "4月"},
    {StrId::MonthName5, "5月"},
    {StrId::MonthName6, "6月"},
    {StrId::MonthName7, "7月"},
    {StrId::MonthName8, "8月"},
    {StrId::MonthName9, "9月"},
    {StrId::MonthName10, "10月"},
    {StrId::MonthName11, "11月"},
    {StrId::MonthName12, "12月"},
    {StrId::ListColumnCount, "枚数"},
    {StrId::ImageCount, "%d枚"},
    {StrId::FontTitleBar, "Times New Roman, Times, serif"},
    {StrId::FontCalendar, "Arial, Helvetica, sans-serif"},
    {StrId::YearMonth, "%d年%d月"},
    {StrId::YearLabel, "%04d年"},
    {StrId::ListView, "一覧表示"},
    {StrId::CalendarView, "カレンダー表示"},
    {StrId::AutoImportCaption, "Orrivan自動取込"},
    {StrId::CopyingFiles, "取り込むﾌｧｲﾙをｺﾋﾟｰしています..."},
    {StrId::MovingFiles, "取り込むﾌｧｲﾙを移動しています..."},
    {StrId::LibraryWriteError, "ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました\n処理を中止します"},
    {StrId::SettingsTabGeneral, "一般"},
    {StrId::SettingsTabCamera, "ｶﾒﾗ内画像の取込"},
    {StrId::SettingsTabVersion, "ﾊﾞｰｼﾞｮﾝ"},
    {StrId::TemplateBackgroundJoin, " / 背景 "},
    {StrId::ColumnDate, "年月日"},
    {StrId::ColumnTitle, "ﾀｲﾄﾙ"},
    {StrId::ColumnCount, "画像枚数"},
    {StrId::ColumnTemplate, "ﾃﾝﾌﾟﾚｰﾄ"},
    {StrId::ColumnLocation, "場所"},
    {StrId::ShortcutExtension, ".lnk"},
    {StrId::ImportCaption, "ｶﾒﾗ内画像の取込"},
    {StrId::OtherImportCaption, "その他画像の取込"},
    {StrId::CreatingShortcuts, "ｼｮｰﾄｶｯﾄﾌｧｲﾙを作成しています..."},
    {StrId::LibraryOpenError, "ｴﾗｰが発生したため\nﾗｲﾌﾞﾗﾘﾌｧｲﾙが開けません"},
    {StrId::WatcherShortcutName, "Orrivan 監視"},
    {StrId::DefaultBackgroundName, "ｸﾞﾘｰﾝ/ｸﾞﾚｰ"},
    {StrId::AutoImportOn, "ON"},
    {StrId::AutoImportOff, "OFF"},
    {StrId::DayCountSuffix, "件"},
    {StrId::SerialFolderEmpty, "指定されたフォルダには、画像ファイルがありません。"},
    {StrId::SerialTransferring, "カメラからデータを転送しています..."},
    {StrId::SerialReceiving, " の転送中です "},
    {StrId::CardFoundImport, "ｶｰﾄﾞ/ｶﾒﾗを認識しました\n取り込みを開始します"},
    {StrId::ProductName, "Orrivan"},
    {StrId::CardFoundAutoImport, "ｶｰﾄﾞ/ｶﾒﾗを認識しました\n自動取り込みを開始します"},
    {StrId::MovingImportedFiles, "取り込んだﾌｧｲﾙを移動しています..."},
    {StrId::SettingsTabOptions, "ｵﾌﾟｼｮﾝ"},
    {StrId::RelocationCaption, "保存フォルダの移動"},
    {StrId::RebuildCaption, "再構築中"},
    {StrId::HtmlCaption, "HTMLファイル作成中"},
    {StrId::RebuildText, "ライブラリを再構築しています"},
    {StrId::HtmlText, "HTMLファイルを作成しています"},
    {StrId::PleaseWait, "しばらくおまちください．．．"},
    {StrId::CalendarBuildText, "カレンダー表示に構築中です。"},
    {StrId::CalendarBuildCaption, "カレンダー構築中"},
    // Texts of the album document
    {StrId::DocumentOpenFailed, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
    {StrId::UnexpectedFileFormat, "予期しないﾌｧｲﾙ形式です。"},
    {StrId::DocumentSaveFailed, "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"},
    // Start-up
    {StrId::WelcomeTitle, "Orrivan 2.39"},
    {StrId::WelcomeHeading, "Orrivan 2.39 へようこそ"},
    // Card detection
    {StrId::NoImportableImages, "取り込める画像が見つかりませんでした"},
    {StrId::CancelButton, "中止"},
    {StrId::SourcesFound, "DCF対応画像ﾌｫﾙﾀﾞ/画像ﾌｫﾙﾀﾞがみつかりました"},
    {StrId::SourcesPrompt, "取り込むﾌｫﾙﾀﾞをﾌｫﾙﾀﾞ一覧に追加してください"},
    {StrId::FoundFolderList, "見つかったﾌｫﾙﾀﾞ一覧(&F)"},
    {StrId::FolderList, "ﾌｫﾙﾀﾞ一覧(&L)"},
    {StrId::AddButton, "追加(&A)>>"},
    {StrId::RemoveButton, "<<削除(&D)"},
    {StrId::ImportButton, "取り込み(&G)"},
    {StrId::CancelButtonHalfWidth, "ｷｬﾝｾﾙ"},
    // Import engine
    {StrId::DateDialogTitle, "取込み年月日確認"},
    {StrId::DatePrompt, "分類する年月日を指定してください"},
    {StrId::UndatedTitle, "取込みエラー"},
    {StrId::UndatedText, "いくつかのファイルで撮影日付情報が不明です\nこれらのファイルの分類方法を指定してください"},
    {StrId::UndatedByFileDate, "ファイルの日付情報で分類"},
    {StrId::UndatedByGivenDate, "年月日を指定して分類"},
    {StrId::TitleDialogTitle, "ﾀｲﾄﾙの入力"},
    {StrId::TitlePrompt, "ライブラリのタイトルを入れてください"},
    {StrId::TitleSourceLabel, "取込対象フォルダ："},
    {StrId::TitleFieldLabel, "タイトル"},
    // Import view
    {StrId::ImportViewHeading, "画像取込：ｶﾒﾗなどから撮影画像を ﾗｲﾌﾞﾗﾘに取り込みます"},
    {StrId::ImportCameraLine, "ｶﾒﾗ内の画像を取り込みます     ->"},
    {StrId::ConnectCardUsb, "ｶｰﾄﾞ/USB 接続(&U)"},
    {StrId::ConnectSerial, "RS232C 接続(&S)"},
    {StrId::ImportOtherLine, "その他の画像を取り込みます    ->"},
    {StrId::CameraButton, "camera(&C)"},
    {StrId::OtherButton, "other(&E)"},
    {StrId::AutoImportLabel, "自動取込："},
    {StrId::LibraryCountLabel, "ﾗｲﾌﾞﾗﾘ数："},
    {StrId::SerialImportTitle, "ｶﾒﾗ内画像の取込 -RS232C"},
    {StrId::TransferUnit, "転送単位"},
    {StrId::TransferAll, "一括(&A)"},
    {StrId::TransferFolder, "指定ﾌｫﾙﾀﾞ(&F)"},
    {StrId::SerialSettingsButton, "通信設定(&S)"},
    {StrId::SerialSettingsTitle, "通信設定"},
    {StrId::PortLabel, "ポート(&P)        :"},
    {StrId::SpeedLabel, "通信速度(&S)    :"},
    {StrId::SerialTestButton, "通信ﾃｽﾄ(&T)..."},
    {StrId::PreviewCheck, "ﾌﾟﾚﾋﾞｭｰ画像表示(&P)"},
    {StrId::SaveModeGroup, "保存の指定"},
    {StrId::SaveModeCopy, "ｺﾋﾟｰする(&C)"},
    {StrId::SaveModeMove, "移動する(&M)"},
    // Other-image import
    {StrId::OtherFolderPrompt, "画像ファイルのあるﾌｫﾙﾀﾞの場所をﾌｫﾙﾀﾞ一覧に追加してください"},
    {StrId::OtherFolderList, "ﾌｫﾙﾀﾞ一覧（最大10個）(&L)"},
    {StrId::PreviousButton, "<前へ(&B)"},
    {StrId::NextButton, "次へ(&N)>"},
    {StrId::AddCaption, "追加"},
    {StrId::NoImagesInFolder1, "フォルダ内に対応する画像ファイル"},
    {StrId::NoImagesInFolder2, "が見つかりません"},
    {StrId::ImportAborted, "処理を中断します。"},
    // Serial camera
    {StrId::CameraNotResponding, "カメラが応答しません。\nケーブルの接続とカメラがPLAYモードである事を確認し、\nもう一度、カメラの電源を入れ直してください。"},
    {StrId::CameraRecognised, "カメラを認識しました。"},
    {StrId::ReceivingFolderNames, "ただ今、フォルダ名を受信中です ！！"},
    {StrId::FolderNamesFailed, "フォルダ名を受信できませんでした"},
    {StrId::BatteryLow, "バッテリーが少なくなってきました。\n新しい電池に交換してください。"},
    {StrId::CameraNotSupported, "このリンクソフトは使われているカメラには対応していません。\nリンクソフトを終了し、対応するリンクソフトを起動し直してお使いください。"},
    // Erase
    {StrId::EraseCaption, "消去"},
    {StrId::EraseLibrariesConfirm, "　　　　選択されたライブラリを消去します\n　　　　処理に時間がかかります"},
    {StrId::EraseImageLibraryQuestion, "消去しようとしたライブラリには画像ファイルが含まれています\n消去するとライブラリ内の全てのファイルが消去されます\nこのライブラリを消去しますか？"},
    {StrId::EraseShortcutLibraryQuestion, "消去しようとしたライブラリはショートカットで作られています\n参照先の画像ファイルは消去しません\nこのライブラリを消去しますか？"},
    {StrId::YesButton, "はい(&Y)"},
    {StrId::NoButton, "いいえ(&N)"},
    {StrId::EraseAllButton, "全て消去(&A)"},
    {StrId::EraseImagesConfirm1, "　　選択された画像を消去します"},
    {StrId::EraseImagesConfirm2, "　　処理に時間がかかります"},
    {StrId::EraseReadOnlyCaption, "消去の確認"},
    {StrId::EraseReadOnlyQuestion, "指定した画像は読取専用です。消去しますか？"},
    // Move, edit, backup, mail
    {StrId::MoveCaption, "移動"},
    {StrId::MovePrompt, "移動先のﾌｫﾙﾀﾞの場所を指定してください"},
    {StrId::OriginalTemplate, "ｵﾘｼﾞﾅﾙ"},
    {StrId::RebuildConfirmCaption, "再構築"},
    {StrId::RebuildSelectedText, "選択されたﾗｲﾌﾞﾗﾘを再構築します"},
    {StrId::RebuildQuestion, "処理に時間がかかり作業ができなくなりますがﾗｲﾌﾞﾗﾘを再構築しますか？"},
    {StrId::CopyCaption, "ｺﾋﾟｰ"},
    {StrId::CopyPrompt, "ｺﾋﾟｰ先のﾌｫﾙﾀﾞの場所を指定してください"},
    {StrId::CopyingImportedFiles, "取り込んだﾌｧｲﾙをｺﾋﾟｰしています..."},
    {StrId::NoMailProgram, "ﾒｰﾗｰの設定しない"},
    {StrId::PrintButtonGroup, "ﾌﾟﾘﾝﾄﾎﾞﾀﾝの追加"},
    {StrId::MailChoiceGroup, "ﾒｰﾗｰの選択"},
    {StrId::AttachSizeGroup, "添付画像のｻｲｽﾞ"},
    {StrId::AttachSizeLarge, "640×480pixels"},
    {StrId::AttachSizeSmall, "320×240pixels"},
    {StrId::ReflectButtonLabel, "オプションボタンの設定を反映します  ->"},
    {StrId::ReflectText, "全ライブラリに上記の設定を反映します（処理に時間がかかります）"},
    {StrId::ApplyOptionsText, "ﾗｲﾌﾞﾗﾘにｵﾌﾟｼｮﾝを追加します"},
    {StrId::ApplyOptionsNote, "注意：ﾃﾝﾌﾟﾚｰﾄのタイプ２/タイプ４にはMAIL/PRINTﾎﾞﾀﾝはつきません"},
    // Settings view
    {StrId::SettingsHeading, "設定：Orrivanの設定をします"},
    {StrId::ClassifyGroup, "ﾗｲﾌﾞﾗﾘの分類方法（次回画像を取り込む時から有効）"},
    {StrId::ClassifyByShootingDate, "撮影日付で分類(&R)"},
    {StrId::ClassifyByGivenDate, "年月日を指定して分類(&P)"},
    {StrId::InputTitleGroup, "取り込み後にﾀｲﾄﾙを入力（年月日指定分類のときのみ有効）"},
    {StrId::InputTitleYes, "する(&I)"},
    {StrId::InputTitleNo, "しない(&N)"},
    {StrId::ShowLibraryGroup, "保存後[ﾗｲﾌﾞﾗﾘを見る]を実行"},
    {StrId::ShowLibraryYes, "する(&L)"},
    {StrId::ShowLibraryNo, "しない(&O)"},
    {StrId::AutoTakeInGroup, "自動取込の指定（プログラムを再起動した時に有効）"},
    {StrId::AutoTakeInOn, "自動取込 ON(&N)"},
    {StrId::AutoTakeInOff, "自動取込 OFF(&F)"},
    {StrId::ShowDialogGroup, "確認ダイアログ"},
    {StrId::ShowDialogYes, "表示する(&V)"},
    {StrId::ShowDialogNo, "表示しない(&E)"},
    {StrId::CopyImageGroup, "保存後の元画像"},
    {StrId::CopyImageKeep, "残す(&M)"},
    {StrId::CopyImageDelete, "消す(&L)"},
    {StrId::RotationGroup, "回転情報をもとに画像を縦横変換する"},
    {StrId::RotationYes, "縦横変換する(&C)"},
    {StrId::RotationNo, "縦横変換しない(&H)"},
    {StrId::DisplayMethodGroup, "表示方法："},
    {StrId::DisplayMethodList, "一覧表示(&I)"},
    {StrId::DisplayMethodCalendar, "カレンダー表示(&D)"},
    {StrId::PrintButtonYes, "する(&D)"},
    // Navigation column
    {StrId::NavLibrary, "ﾗｲﾌﾞﾗﾘを見る"},
    {StrId::NavImport, "画像取込"},
    {StrId::NavEdit, "編集"},
    {StrId::NavRemove, "消去"},
    {StrId::NavCopy, "ｺﾋﾟｰ"},
    {StrId::NavMove, "移動"},
    {StrId::NavSettings, "設定"},
    {StrId::NavEditor, "画像編集"},
    {StrId::NavHelp, "ﾍﾙﾌﾟ"},
    {StrId::NavQuit, "終了"},
    // The desktop program
    {StrId::HomeInUse, "このﾌｫﾙﾀﾞは他のOrrivanが使用中です\n終了してからもう一度起動してください"},
    {StrId::HelpMissing, "ﾍﾙﾌﾟﾌｧｲﾙが見つかりません"},
    {StrId::HelpOpenError, "ｴﾗｰが発生したため\nﾍﾙﾌﾟﾌｧｲﾙが開けません"},
    // Desktop program dialogs
    {StrId::OkButton, "OK"},
    {StrId::WelcomeText, "このバージョンでは、取り込んだ画像を撮影日ごとに月のカレンダーで見られる「カレンダー表示」が加わりました。\n\nはじめに、これまでに取り込んだライブラリからカレンダー表示のためのデータを作成します。ライブラリの数が多いと、しばらく時間がかかることがあります。\n\n［OK］を押すとデータの作成を始めます。［ｷｬﾝｾﾙ］を押すとOrrivanを終了します。"},
    {StrId::DateYearLabel, "年"},
    {StrId::DateMonthLabel, "月"},
    {StrId::DateDayLabel, "日"},
    {StrId::ProgressBarName, "進行状況"},
};

const std::unordered_map<int, std::string>& Index() {
  static const std::unordered_map<int, std::string> index = [] {
    std::unordered_map<int, std::string> m;
    for (const StrEntry& t : kTexts) m.emplace(static_cast<int>(t.id), t.text);
    return m;
  }();
  return index;
}

}  // namespace

const std::string& Str(StrId id) {
  static const std::string empty;
  auto it = Index().find(static_cast<int>(id));
  return it == Index().end() ? empty : it->second;
}

const std::string* StrByNumber(int number) {
  if (number >= static_cast<int>(StrId::kFirstUnnumbered)) return nullptr;
  auto it = Index().find(number);
  return it == Index().end() ? nullptr : &it->second;
}

const StrEntry* StrTableBegin() { return std::begin(kTexts); }
const StrEntry* StrTableEnd() { return std::end(kTexts); }

}  // namespace orrivan
