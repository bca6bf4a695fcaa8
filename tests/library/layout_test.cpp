// Day folder names, the three century rules, display dates and stored-path helpers.
#include "library/layout.h"

#include <gtest/gtest.h>

namespace orrivan::layout {
namespace {

TEST(Layout, FolderFormsAreRecognised) {
  struct Case {
    const char* name;
    FolderForm form;
  };
  const Case cases[] = {
      {"20070315", FolderForm::Dated},       {"20070315_01", FolderForm::DatedNumbered},
      {"20070300_99", FolderForm::DatedNumbered}, {"950101", FolderForm::OldDay},
      {"9503151020ab", FolderForm::OldStamp}, {"20070315_00", FolderForm::Extra},
      {"2007031_01", FolderForm::Extra},     {"holiday", FolderForm::Extra},
      {"2007031a", FolderForm::Extra},       {"", FolderForm::Extra},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyFolderName(c.name), c.form) << c.name;
}

TEST(Layout, MonthAndDayKeysFollowTheirCenturyRules) {
  struct Case {
    const char* name;
    const char* month;
    const char* day;
  };
  const Case cases[] = {
      {"20070315_01", "200703", "20070315"},
      {"20070315", "200703", "20070315"},
      {"950101", "199501", "19950101"},
      {"000101", "200001", "20000101"},
      {"950001", "209500", "19950001"},  // "9500" is not greater than "9500"
      {"920315", "209203", "19920315"},  // month rule says 20, calendar rule says 19
      {"9501011020ab", "199501", ""},
      {"holiday", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MonthKeyOfFolderName(c.name), c.month) << c.name;
    EXPECT_EQ(DayKeyOfFolderName(c.name), c.day) << c.name;
  }
}

TEST(Layout, CenturyRulesDifferForTheNineties) {
  EXPECT_EQ(CenturyForMonthKey("9501"), "19");
  EXPECT_EQ(CenturyForMonthKey("9500"), "20");
  EXPECT_EQ(CenturyForMonthKey("9203"), "20");
  EXPECT_EQ(CenturyForCalendar("92"), "19");
  EXPECT_EQ(CenturyForCalendar("07"), "20");
  EXPECT_EQ(CenturyForDisplay("95"), "19");
  EXPECT_EQ(CenturyForDisplay("94"), "20");
  EXPECT_EQ(CenturyForDisplay("99"), "19");
}

TEST(Layout, DisplayDates) {
  struct Case {
    const char* name;
    const char* text;
  };
  const Case cases[] = {
      {"20070315", "2007/03/15"},
      {"20070315_01", "2007/03/15 _01"},
      {"20070300_01", "2007/03 _01"},
      {"20070300_02", "2007/03 _02"},
      {"990315", "1999/03/15"},
      {"920315", "2092/03/15"},
      {"9903151020ab", "1999/03/15 10:20"},
      {"abc", "abc//"},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayDate(c.name), c.text) << c.name;
}

TEST(Layout, FolderKinds) {
  EXPECT_EQ(FolderKind("/h/Image Library/20070315"), 2);
  EXPECT_EQ(FolderKind("/h/Image Library/070315"), 0);
  EXPECT_EQ(FolderKind("/h/Image Library/950315"), 0);
  EXPECT_EQ(FolderKind("/h/Image Library/0703151020ab"), 1);
  EXPECT_EQ(FolderKind("C:\\x\\Image Library\\19990101"), 2);
  // A library root of another name: the folder's own name decides.
  EXPECT_EQ(FolderKind("/data/photos/070315"), 0);
}

TEST(Layout, TrustedTimeStamps) {
  EXPECT_FALSE(IsTrustedTimeStamp("19900101000000"));
  EXPECT_TRUE(IsTrustedTimeStamp("19900101000001"));
  EXPECT_TRUE(IsTrustedTimeStamp("20070315102030"));
  EXPECT_TRUE(IsTrustedTimeStamp("20380118000001"));
  EXPECT_FALSE(IsTrustedTimeStamp("20380118000002"));
  EXPECT_FALSE(IsTrustedTimeStamp("2007031510203"));
}

TEST(Layout, StoredPathHelpers) {
  EXPECT_EQ(PartAfterLibrary("/home/u/Image Library/20070315/DCIM/a.JPG"), "20070315/DCIM/a.JPG");
  EXPECT_EQ(PartAfterLibrary("C:\\p\\ImageLib\\950101"), "950101");
  EXPECT_EQ(PartAfterLibrary("/old/Image Library/new/Image Library/20070315"), "20070315");
  EXPECT_EQ(PartAfterLibrary("/home/u/pictures/20070315"), "");
  EXPECT_EQ(NameAfterLibrary("/data/photos/20070315/"), "20070315");
  EXPECT_EQ(NameAfterLibrary("/h/Image Library/20070315/"), "20070315");
  EXPECT_EQ(DayFolderOfStoredPath("/home/u/Image Library/20070315_01/DCIM/a.JPG"), "20070315_01");
  EXPECT_EQ(DayFolderOfStoredPath("/elsewhere/20070315/a.JPG"), "20070315");
  EXPECT_EQ(LastComponent("/a/b/c/"), "c");
  EXPECT_EQ(LastComponent("C:\\a\\b"), "b");
  EXPECT_EQ(JoinStored("/a/b", "INDEX.HTM"), "/a/b/INDEX.HTM");
  EXPECT_EQ(PagePathOfFolder("/a/b/"), "/a/b/INDEX.HTM");
  EXPECT_EQ(ToStoredPath("/a/b"), "/a/b");
  EXPECT_EQ(FromStoredPath("C:\\a\\b").string(), "C:/a/b");
}

TEST(Layout, PathOrderFoldsCaseButNotDoubleByteCharacters) {
  EXPECT_EQ(PathOrderKey("/a/Image Library/abc"), PathOrderKey("\\A\\IMAGE LIBRARY\\ABC"));
  EXPECT_TRUE(PathsEqual("/a/Abc", "/A/aBC"));
  EXPECT_FALSE(PathsEqual("/a/Abc", "/a/Abd"));
  // "ｱ" is the single byte 0xB1, "ア" two bytes 0x83 0x41: the trail byte 'A' must not fold.
  EXPECT_NE(PathOrderKey("ア"), PathOrderKey("ア").substr(0, 1) + "a");
  EXPECT_EQ(PathOrderKey("ア"), std::string("\x83\x41"));
  // Full-width letters fold too.
  EXPECT_EQ(PathOrderKey("ａ"), PathOrderKey("Ａ"));
  // Letters sort as upper case: "_" (0x5F) comes after them.
  EXPECT_LT(PathOrderKey("/x/2007a"), PathOrderKey("/x/2007_"));
}

}  // namespace
}  // namespace orrivan::layout
