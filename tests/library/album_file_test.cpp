// The album file byte for byte: counts, class descriptions and tags, string prefixes, code page
// 932 text, refusal of damaged input, the previous-format upgrade, the atomic save and generations.
#include "library/album_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

using namespace std::string_literals;

#include "support/temp_dir.h"

namespace orrivan {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Little builders for expected bytes, written out from the format, not from the writer.
std::string U16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}
std::string Str(const std::string& cp932) { return std::string(1, static_cast<char>(cp932.size())) + cp932; }
const std::string kDayClass = std::string("\xFF\xFF\x00\x00\x0A\x00", 6) + "CAlbumData";
const std::string kPictureClass = std::string("\xFF\xFF\x00\x00\x0A\x00", 6) + "CPhotoData";
const std::string kNoMailCp932 = "\xD2\xB0\xD7\xB0\x82\xCC\x90\xDD\x92\xE8\x82\xB5\x82\xC8\x82\xA2";

CAlbumData Day(const std::string& name, const std::string& title = "") {
  CAlbumData d;
  d.folderPath = "/home/u/Image Library/" + name;
  d.pagePath = d.folderPath + "/INDEX.HTM";
  d.title = title;
  d.templateName = "1,3";
  d.mailName = kNoMailProgram;
  d.totalSize = 1234;
  d.pictureCount = 2;
  return d;
}

CPhotoData Picture(const std::string& path, const std::string& second = "05") {
  CPhotoData p;
  p.filePath = path;
  p.year = "2007";
  p.month = "03";
  p.day = "15";
  p.hour = "10";
  p.minute = "20";
  p.second = second;
  p.size = 4096;
  return p;
}

// Bytes of a day body as the current format stores it (after its tag).
std::string DayBody(const CAlbumData& d, const std::string& titleBytes, const std::string& mailBytes) {
  return Str("OR200") + Str(titleBytes) + Str(d.folderPath) + Str(d.pagePath) + Str(d.templateName) +
         U32(d.totalSize) + U32(d.pictureCount) + U32(d.shortcutDay) + U32(d.printButton) + U32(d.reserved) +
         Str(mailBytes);
}

std::string PictureBody(const CPhotoData& p) {
  return Str(p.filePath) + Str(p.year) + Str(p.month) + Str(p.day) + Str(p.hour) + Str(p.minute) +
         Str(p.second) + U32(p.size) + U32(p.flag);
}

TEST(AlbumFile, EmptyAlbumIsFourZeroBytes) {
  EXPECT_EQ(WriteAlbumBytes({}), std::string(4, '\0'));
  AlbumContents back;
  EXPECT_EQ(ReadAlbumBytes(std::string(4, '\0'), back), AlbumError::None);
  EXPECT_TRUE(back.days.empty());
  EXPECT_TRUE(back.pictures.empty());
}

TEST(AlbumFile, DayListStartsWithClassDescriptionAndFormatTag) {
  for (int n : {1, 3, 300}) {
    AlbumContents album;
    for (int i = 0; i < n; ++i) album.days.push_back(Day("2007031" + std::to_string(i)));
    const std::string bytes = WriteAlbumBytes(album);
    EXPECT_EQ(bytes.substr(0, 2), U16(static_cast<uint16_t>(n)));
    EXPECT_EQ(bytes.substr(2, 16), kDayClass);
    EXPECT_EQ(bytes.substr(18, 6), std::string("\x05OR200"));
    EXPECT_EQ(bytes.substr(19, 5), "OR200");
    EXPECT_TRUE(IsCurrentAlbumFormat(bytes));
  }
}

TEST(AlbumFile, WholeFileMatchesTheFormatByteForByte) {
  // Two days, three pictures: the picture class takes index N + 2 = 4, later pictures carry 0x8004.
  AlbumContents album;
  album.days = {Day("20070315", "運動会"), Day("20070316")};
  album.days[1].printButton = 1;
  album.days[1].reserved = 7;
  album.days[1].shortcutDay = 1;
  album.pictures = {Picture("/p/a.JPG", "01"), Picture("/p/b.JPG", "02"), Picture("/p/c.WAV", "03")};
  album.pictures[2].size = -5;  // whatever is stored is carried
  const std::string expected = U16(2) + kDayClass + DayBody(album.days[0], "\x89\x5E\x93\xAE\x89\xEF", kNoMailCp932) +
                               U16(0x8001) + DayBody(album.days[1], "", kNoMailCp932) + U16(3) + kPictureClass +
                               PictureBody(album.pictures[0]) + U16(0x8004) + PictureBody(album.pictures[1]) +
                               U16(0x8004) + PictureBody(album.pictures[2]);
  const std::string bytes = WriteAlbumBytes(album);
  EXPECT_EQ(bytes, expected);

  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  ASSERT_EQ(back.days.size(), 2u);
  ASSERT_EQ(back.pictures.size(), 3u);
  EXPECT_EQ(back.days[0].title, "運動会");
  EXPECT_EQ(back.days[0], album.days[0]);
  EXPECT_EQ(back.days[1], album.days[1]);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(back.pictures[i], album.pictures[i]);
}

TEST(AlbumFile, PictureClassIndexFrom0x7FFFUsesTheBigTag) {
  // 32765 days: the picture class takes index 32767 = 0x7FFF, which no longer fits the short tag.
  AlbumContents album;
  album.days.assign(32765, Day("20070315"));
  album.pictures = {Picture("/p/a.JPG"), Picture("/p/b.JPG")};
  const std::string bytes = WriteAlbumBytes(album);
  const std::string tail = U16(0x7FFF) + U32(0x80007FFFu) + PictureBody(album.pictures[1]);
  ASSERT_GE(bytes.size(), tail.size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  const std::string picturesHead = U16(2) + kPictureClass + PictureBody(album.pictures[0]);
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size() - picturesHead.size(), picturesHead.size()), picturesHead);

  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  EXPECT_EQ(back.days.size(), 32765u);
  ASSERT_EQ(back.pictures.size(), 2u);
  EXPECT_EQ(back.pictures[1], album.pictures[1]);
}

TEST(AlbumFile, LongCountsUseTheEscapedForm) {
  AlbumContents album;
  album.pictures.assign(65535, Picture("/p/a.JPG"));
  const std::string bytes = WriteAlbumBytes(album);
  EXPECT_EQ(bytes.substr(0, 8), U16(0) + U16(0xFFFF) + U32(65535));
  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  EXPECT_EQ(back.pictures.size(), 65535u);
}

TEST(AlbumFile, StringLengthPrefixes) {
  struct Case {
    size_t length;
    std::string prefix;
  };
  const Case cases[] = {
      {0, "\x00"s},
      {254, "\xFE"},
      {255, "\xFF\xFF\x00"s},
      {65533, "\xFF\xFD\xFF"},
      {65534, "\xFF\xFF\xFF\xFE\xFF\x00\x00"s},
      {70000, "\xFF\xFF\xFF" + U32(70000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    AlbumContents album;
    album.pictures.push_back(Picture(std::string(c.length, 'x')));
    const std::string bytes = WriteAlbumBytes(album);
    // count 0, count 1, class description, then the path string.
    const size_t at = 4 + kPictureClass.size();
    EXPECT_EQ(bytes.substr(at, c.prefix.size()), c.prefix);
    EXPECT_EQ(bytes.substr(at + c.prefix.size(), c.length), std::string(c.length, 'x'));
    AlbumContents back;
    ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
    EXPECT_EQ(back.pictures.at(0).filePath.size(), c.length);
  }
}

TEST(AlbumFile, CharacterOutsideCodePage932TravelsAsReference) {
  AlbumContents album;
  album.days.push_back(Day("20070315", "josé 😀"));
  const std::string bytes = WriteAlbumBytes(album);
  EXPECT_NE(bytes.find("&#x1F600;"), std::string::npos);
  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  EXPECT_EQ(back.days.at(0).title, "josé 😀");
}

TEST(AlbumFile, WideStringMarkerIsRead) {
  // 0xFF 0xFFFE announces a UTF-16 string whose length follows.
  const std::string path = std::string("\xFF\xFE\xFF\x02", 4) + std::string("\x4B\x30\x41\x00", 4);  // "かA"
  const std::string bytes = U16(0) + U16(1) + kPictureClass + path + Str("2007") + Str("03") + Str("15") +
                            Str("10") + Str("20") + Str("05") + U32(1) + U32(0);
  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  EXPECT_EQ(back.pictures.at(0).filePath, "かA");
}

TEST(AlbumFile, BackReferenceToARecordOfTheSameClassBecomesACopy) {
  // Days take indexes 1 (class) and 2 (object); a 16-bit 2 refers back to the first day.
  const CAlbumData d = Day("20070315");
  const std::string bytes = U16(2) + kDayClass + DayBody(d, "", kNoMailCp932) + U16(2) + U16(0);
  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  ASSERT_EQ(back.days.size(), 2u);
  EXPECT_EQ(back.days[1], back.days[0]);
  EXPECT_NE(&back.days[1], &back.days[0]);
}

// A 16-bit 0 where an object stands is the format's empty reference: refusing it sent start-up back
// to an older generation.
TEST(AlbumFile, EmptyObjectReferenceIsSkippedAndTheRestKept) {
  const CAlbumData d = Day("20070315");
  const CPhotoData p = Picture("/p/a.JPG");
  // An empty reference takes no index: the day class is still 1, the day 2, the picture class 3.
  const std::string bytes = U16(3) + U16(0) + kDayClass + DayBody(d, "", kNoMailCp932) + U16(0) +
                            U16(2) + U16(0) + kPictureClass + PictureBody(p);
  AlbumContents back;
  ASSERT_EQ(ReadAlbumBytes(bytes, back), AlbumError::None);
  ASSERT_EQ(back.days.size(), 1u);
  EXPECT_EQ(back.days[0], d);
  ASSERT_EQ(back.pictures.size(), 1u);
  EXPECT_EQ(back.pictures[0], p);
  // Only empty references: an empty album.
  AlbumContents none;
  ASSERT_EQ(ReadAlbumBytes(U16(2) + U16(0) + U16(0) + U16(1) + U16(0), none), AlbumError::None);
  EXPECT_TRUE(none.days.empty());
  EXPECT_TRUE(none.pictures.empty());
}

TEST(AlbumFile, BackReferencesCannotBlowASmallFileUp) {
  // One day with a 60000-byte title, then 1000 two-byte references to it.
  CAlbumData d = Day("20070315", std::string(60000, 't'));
  std::string bytes = U16(1001) + kDayClass + DayBody(d, "", kNoMailCp932);
  bytes.replace(2 + kDayClass.size() + 6, 1, std::string("\xFF") + U16(60000) + std::string(60000, 't'));
  for (int i = 0; i < 1000; ++i) bytes += U16(2);
  bytes += U16(0);
  AlbumContents back;
  EXPECT_EQ(ReadAlbumBytes(bytes, back), AlbumError::UnexpectedFormat);
  EXPECT_TRUE(back.days.empty());
}

TEST(AlbumFile, DamagedInputIsRefusedAndNothingIsLoaded) {
  const CAlbumData d = Day("20070315");
  const CPhotoData p = Picture("/p/a.JPG");
  const std::string dayPart = kDayClass + DayBody(d, "", kNoMailCp932);
  std::string wrongSchema = dayPart;
  wrongSchema[2] = 1;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"nothing", ""},
      {"one byte", "\x01"},
      {"count past end", U16(2) + dayPart + U16(0)},
      {"wrong class name", U16(1) + std::string("\xFF\xFF\x00\x00\x0A\x00", 6) + "CAlbumDatX" + DayBody(d, "", kNoMailCp932) + U16(0)},
      {"picture class in day list", U16(1) + kPictureClass + PictureBody(p) + U16(0)},
      {"wrong schema", U16(1) + wrongSchema + U16(0)},
      {"reference to nowhere", U16(1) + dayPart + U16(1) + U16(9)},
      {"reference to a class", U16(2) + dayPart + U16(1) + U16(0)},
      {"reference to a day in the picture list", U16(1) + dayPart + U16(1) + U16(2)},
      {"class tag of unknown index", U16(1) + U16(0x8005) + DayBody(d, "", kNoMailCp932) + U16(0)},
      {"class index zero", U16(1) + U16(0x8000) + DayBody(d, "", kNoMailCp932) + U16(0)},
      {"big tag to unknown class", U16(1) + U16(0x7FFF) + U32(0x80001234u) + U16(0)},
      {"string past end", U16(1) + kDayClass + "\x05OR2"},
      {"long string length past end", U16(1) + kDayClass + "\xFF\xFF\xFF" + U32(0xFFFFFFF0u)},
      {"huge count", U16(0xFFFF) + U32(0xFFFFFFFFu) + dayPart},
      {"class name too long", U16(1) + U16(0xFFFF) + U16(0) + U16(0xFFFF) + std::string(100, 'C')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AlbumContents back;
    back.days.push_back(d);
    EXPECT_EQ(ReadAlbumBytes(c.bytes, back), AlbumError::UnexpectedFormat);
    EXPECT_TRUE(back.days.empty());
    EXPECT_TRUE(back.pictures.empty());
  }
}

TEST(AlbumFile, EveryTruncationOfAValidFileIsRefused) {
  AlbumContents album;
  album.days = {Day("20070315", "運動会"), Day("20070316")};
  album.pictures = {Picture("/p/a.JPG"), Picture("/p/b.JPG")};
  const std::string bytes = WriteAlbumBytes(album);
  for (size_t n = 0; n < bytes.size(); ++n) {
    AlbumContents back;
    ASSERT_EQ(ReadAlbumBytes(std::string_view(bytes).substr(0, n), back), AlbumError::UnexpectedFormat) << n;
  }
}

TEST(AlbumFile, MessagesAreTheFrameworkTexts) {
  EXPECT_STREQ(AlbumErrorText(AlbumError::OpenFailed), "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。");
  EXPECT_STREQ(AlbumErrorText(AlbumError::UnexpectedFormat), "予期しないﾌｧｲﾙ形式です。");
  EXPECT_STREQ(AlbumErrorText(AlbumError::SaveFailed), "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。");
}

TEST(AlbumFile, SizesSaturateInsteadOfWrapping) {
  EXPECT_EQ(SaturateSize(3'000'000'000LL), 2147483647);
  EXPECT_EQ(SaturateSize(2147483647LL), 2147483647);
  EXPECT_EQ(SaturateSize(12), 12);
  EXPECT_EQ(SaturateSize(-1), 0);
}

// --- previous format -------------------------------------------------------------------------

// A day body of the earliest previous format: no tag, four strings, three integers.
std::string OldDayBody(const CAlbumData& d) {
  return Str(d.title) + Str(d.folderPath) + Str(d.pagePath) + Str(d.templateName) + U32(d.totalSize) +
         U32(d.pictureCount) + U32(d.shortcutDay);
}

TEST(AlbumUpgrade, PreviousFormatGetsTagAndDefaultMailFields) {
  CAlbumData a = Day("20070315");
  a.title = "sports";
  CAlbumData b = Day("20070316");
  const CPhotoData p = Picture("/home/u/Image Library/20070315/a.JPG");
  // Day a of the middle format carries a mail name, day b of the earliest format has none.
  const std::string old = U16(2) + kDayClass + OldDayBody(a) + U32(0) + U32(9) + Str("Outlook Express") +
                          U16(0x8001) + OldDayBody(b) + U16(1) + kPictureClass + PictureBody(p);

  CAlbumData aNew = a, bNew = b;
  for (CAlbumData* d : {&aNew, &bNew}) {
    d->printButton = 1;
    d->reserved = 0;
    d->mailName = kNoMailProgram;
  }
  const std::string expected = WriteAlbumBytes({{aNew, bNew}, {p}});

  std::string out;
  ASSERT_TRUE(UpgradeAlbumBytes(old, out));
  EXPECT_EQ(out, expected);

  TempDir dir;
  WriteFile(dir / "Orrivan.rks", old);
  EXPECT_EQ(UpgradeAlbumFile(dir / "Orrivan.rks"), 1);
  EXPECT_EQ(ReadFile(dir / "Orrivan.rks"), expected);
  AlbumContents back;
  ASSERT_EQ(ReadAlbumFile(dir / "Orrivan.rks", back), AlbumError::None);
  EXPECT_EQ(back.days.at(0).mailName, kNoMailProgram);
  EXPECT_EQ(back.days.at(0).printButton, 1);
  // No stray temporary file is left beside the album.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AlbumUpgrade, PreviousFormatWithoutPicturesEndsAfterTheLastDay) {
  const CAlbumData a = Day("20070315");
  const std::string old = U16(1) + kDayClass + OldDayBody(a) + U16(0);
  CAlbumData aNew = a;
  aNew.printButton = 1;
  std::string out;
  ASSERT_TRUE(UpgradeAlbumBytes(old, out));
  EXPECT_EQ(out, WriteAlbumBytes({{aNew}, {}}));
}

TEST(AlbumUpgrade, CurrentFileIsNeverRewritten) {
  TempDir dir;
  AlbumContents album;
  album.days = {Day("20070315")};
  // Whatever else it holds: here the picture list is damaged.
  const std::string bytes = WriteAlbumBytes(album) + "garbage";
  WriteFile(dir / "Orrivan.rks", bytes);
  struct stat before {};
  ASSERT_EQ(::stat((dir / "Orrivan.rks").c_str(), &before), 0);
  EXPECT_EQ(UpgradeAlbumFile(dir / "Orrivan.rks"), 1);
  struct stat after {};
  ASSERT_EQ(::stat((dir / "Orrivan.rks").c_str(), &after), 0);
  EXPECT_EQ(ReadFile(dir / "Orrivan.rks"), bytes);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(AlbumUpgrade, EmptyAlbumStaysAsItIs) {
  TempDir dir;
  WriteFile(dir / "Orrivan.rks", std::string(4, '\0'));
  EXPECT_EQ(UpgradeAlbumFile(dir / "Orrivan.rks"), 1);
  EXPECT_EQ(ReadFile(dir / "Orrivan.rks"), std::string(4, '\0'));
}

TEST(AlbumUpgrade, MissingOrUnconvertibleFileIsLeftAlone) {
  TempDir dir;
  EXPECT_EQ(UpgradeAlbumFile(dir / "none.rks"), 0);
  const std::string truncated = U16(1) + kDayClass + Str("title") + "\x30" + "short";
  WriteFile(dir / "Orrivan.rks", truncated);
  EXPECT_EQ(UpgradeAlbumFile(dir / "Orrivan.rks"), 0);
  EXPECT_EQ(ReadFile(dir / "Orrivan.rks"), truncated);
}

TEST(AlbumUpgrade, LargeOldFileIsConvertedWhole) {
  // The converted form may exceed any fixed buffer: 20000 days grow by 30 bytes each.
  std::string old = U16(20000) + kDayClass;
  AlbumContents expected;
  for (int i = 0; i < 20000; ++i) {
    CAlbumData d = Day("d" + std::to_string(i));
    old += (i ? U16(0x8001) : "") + OldDayBody(d);
    d.printButton = 1;
    expected.days.push_back(d);
  }
  old += U16(0);
  std::string out;
  ASSERT_TRUE(UpgradeAlbumBytes(old, out));
  EXPECT_GT(out.size(), 1'000'000u);
  EXPECT_EQ(out, WriteAlbumBytes(expected));
}

// --- saving and generations ------------------------------------------------------------------

TEST(AlbumSave, WritesAtomicallyAndKeepsTheMode) {
  TempDir dir;
  const auto path = dir / "Orrivan.rks";
  WriteFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  AlbumContents album;
  album.days = {Day("20070315")};
  ASSERT_EQ(WriteAlbumFile(path, album), AlbumError::None);
  EXPECT_EQ(ReadFile(path), WriteAlbumBytes(album));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AlbumSave, FailureLeavesNoFile) {
  TempDir dir;
  EXPECT_EQ(WriteAlbumFile(dir / "missing" / "Orrivan.rks", {}), AlbumError::SaveFailed);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(AlbumGenerations, RotationShiftsEveryGenerationAndRefreshesTheLibraryCopy) {
  TempDir dir;
  const auto home = dir.path() / "home";
  const auto root = home / "Image Library";
  std::filesystem::create_directories(root);
  WriteFile(home / "Orrivan.rks", "now");
  for (int n = 1; n <= 5; ++n) WriteFile(home / ("Orrivan.rk" + std::to_string(n)), "g" + std::to_string(n));
  RotateGenerations(home, root);
  EXPECT_EQ(ReadFile(home / "Orrivan.rk1"), "now");
  EXPECT_EQ(ReadFile(home / "Orrivan.rk2"), "g1");
  EXPECT_EQ(ReadFile(home / "Orrivan.rk3"), "g2");
  EXPECT_EQ(ReadFile(home / "Orrivan.rk4"), "g3");
  EXPECT_EQ(ReadFile(home / "Orrivan.rk5"), "g4");
  EXPECT_EQ(ReadFile(home / "Orrivan.rks"), "now");
  EXPECT_EQ(ReadFile(root / "Orrivan.rks"), "now");
}

TEST(AlbumGenerations, MissingSourcesSkipTheirStep) {
  TempDir dir;
  WriteFile(dir / "Orrivan.rk2", "g2");
  RotateGenerations(dir.path(), dir.path() / "lib");
  EXPECT_EQ(ReadFile(dir / "Orrivan.rk3"), "g2");
  EXPECT_EQ(ReadFile(dir / "Orrivan.rk2"), "g2");
  EXPECT_FALSE(std::filesystem::exists(dir / "Orrivan.rk1"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Orrivan.rk5"));
}

}  // namespace
}  // namespace orrivan
