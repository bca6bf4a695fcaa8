#include "base/strings.h"

#include <gtest/gtest.h>

#include <set>

namespace orrivan {
namespace {

TEST(Strings, TableHasEachIdOnceAndNoEmptyText) {
  std::set<int> ids;
  for (const StrEntry* e = StrTableBegin(); e != StrTableEnd(); ++e) {
    EXPECT_TRUE(ids.insert(static_cast<int>(e->id)).second) << "duplicate " << static_cast<int>(e->id);
    EXPECT_NE(std::string(e->text), "") << static_cast<int>(e->id);
    EXPECT_EQ(Str(e->id), e->text);
  }
  EXPECT_GT(ids.size(), 150u);
}

TEST(Strings, EveryNumberedResourceInUseIsPresent) {
  std::vector<int> numbers;
  for (int n = 129; n <= 142; ++n) numbers.push_back(n);
  for (int n = 144; n <= 158; ++n) numbers.push_back(n);
  for (int n : {300, 301, 302, 303, 305, 306}) numbers.push_back(n);
  for (int n : {59143, 59144, 59145, 59148, 59150, 59151, 59152, 59154, 59155, 59156, 59157, 59158, 59159,
                59160, 59161, 59162, 59164, 59165, 59169, 59170, 59172, 59173, 59174, 59180, 59185, 59186,
                59189, 59190, 59191, 59192, 59193, 59195, 59196, 59197, 59198, 59199, 59200, 59201, 59202}) {
    numbers.push_back(n);
  }
  for (int n : numbers) {
    const std::string* text = StrByNumber(n);
    ASSERT_NE(text, nullptr) << n;
    EXPECT_EQ(*text, Str(static_cast<StrId>(n)));
  }
  EXPECT_EQ(StrByNumber(143), nullptr);
  EXPECT_EQ(StrByNumber(59146), nullptr);
  EXPECT_EQ(StrByNumber(static_cast<int>(StrId::CancelButton)), nullptr);  // unnumbered
  EXPECT_EQ(StrByNumber(-1), nullptr);
}

TEST(Strings, TextsAreExactlyAsWritten) {
  struct Case {
    StrId id;
    const char* text;
  };
  const Case cases[] = {
      {StrId::Charset, "shift_jis"},
      {StrId::LibraryWriteError, "ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました\n処理を中止します"},
      {StrId::LibraryOpenError, "ｴﾗｰが発生したため\nﾗｲﾌﾞﾗﾘﾌｧｲﾙが開けません"},
      {StrId::DefaultBackgroundName, "ｸﾞﾘｰﾝ/ｸﾞﾚｰ"},
      {StrId::TemplateBackgroundJoin, " / 背景 "},
      {StrId::SerialReceiving, " の転送中です "},
      {StrId::PleaseWait, "しばらくおまちください．．．"},
      {StrId::ListPageHeading, "%s年%s月の一覧"},
      {StrId::ImageCount, "%d枚"},
      {StrId::YearLabel, "%04d年"},
      {StrId::MonthName1, "1月"},
      {StrId::MonthName12, "12月"},
      {StrId::ColumnLocation, "場所"},
      {StrId::ShortcutExtension, ".lnk"},
      {StrId::WatcherShortcutName, "Orrivan 監視"},
      {StrId::CardFoundAutoImport, "ｶｰﾄﾞ/ｶﾒﾗを認識しました\n自動取り込みを開始します"},
      {StrId::BatteryLow, "バッテリーが少なくなってきました。\n新しい電池に交換してください。"},
      {StrId::CameraNotResponding,
       "カメラが応答しません。\nケーブルの接続とカメラがPLAYモードである事を確認し、\nもう一度、カメラの電源を入れ直してください。"},
      {StrId::EraseShortcutLibraryQuestion,
       "消去しようとしたライブラリはショートカットで作られています\n参照先の画像ファイルは消去しません\nこのライブラリを消去しますか？"},
      {StrId::NoMailProgram, "ﾒｰﾗｰの設定しない"},
  };
  for (const Case& c : cases) EXPECT_EQ(Str(c.id), c.text) << static_cast<int>(c.id);
}

TEST(Strings, LineBreaksAndIdeographicSpacesAreRealCharacters) {
  // "\n" in a message is one line-feed byte, never a backslash and an n.
  for (const StrEntry* e = StrTableBegin(); e != StrTableEnd(); ++e) {
    EXPECT_EQ(std::string(e->text).find("\\n"), std::string::npos) << static_cast<int>(e->id);
  }
  // Leading blanks of the erase confirmation are four ideographic spaces (E3 80 80).
  const std::string& erase = Str(StrId::EraseLibrariesConfirm);
  ASSERT_GE(erase.size(), 12u);
  EXPECT_EQ(erase.substr(0, 12), "\xE3\x80\x80\xE3\x80\x80\xE3\x80\x80\xE3\x80\x80");
  EXPECT_EQ(erase.substr(12, 3), "選");
  // The page strings that close a line carry CR LF themselves.
  const std::string& noFrames = Str(StrId::NoFramesText);
  EXPECT_EQ(noFrames.substr(noFrames.size() - 2), "\r\n");
  // Half-width katakana stay half-width: ｸ is EF BD B8.
  EXPECT_EQ(Str(StrId::DefaultBackgroundName).substr(0, 3), "\xEF\xBD\xB8");
}

TEST(Strings, MonthNamesFollowTheirNumbers) {
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(Str(static_cast<StrId>(static_cast<int>(StrId::MonthName1) + m - 1)), std::to_string(m) + "月");
  }
}

}  // namespace
}  // namespace orrivan
