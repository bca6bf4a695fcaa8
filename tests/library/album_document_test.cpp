// The in-memory album: its two orders and their tie rules, lookups, removals, month and day
// queries, loading and saving through the album file.
#include "library/album_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/settings.h"
#include "library/layout.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kRoot = "/home/u/Image Library/";

CAlbumData Day(const std::string& name, const std::string& title = "") {
  CAlbumData d;
  d.folderPath = kRoot + name;
  d.pagePath = d.folderPath + "/INDEX.HTM";
  d.title = title;
  d.mailName = kNoMailProgram;
  return d;
}

CPhotoData Picture(const std::string& path, const std::string& stamp /* YYYYMMDDhhmmss */) {
  CPhotoData p;
  p.filePath = path;
  p.year = stamp.substr(0, 4);
  p.month = stamp.substr(4, 2);
  p.day = stamp.substr(6, 2);
  p.hour = stamp.substr(8, 2);
  p.minute = stamp.substr(10, 2);
  p.second = stamp.substr(12, 2);
  return p;
}

std::vector<std::string> Titles(const CRKCardAlbumDoc& doc) {
  std::vector<std::string> out;
  for (const CAlbumData& d : doc.Days()) out.push_back(d.title);
  return out;
}

std::vector<std::string> Paths(const CRKCardAlbumDoc& doc) {
  std::vector<std::string> out;
  for (const CPhotoData& p : doc.Pictures()) out.push_back(p.filePath);
  return out;
}

std::vector<std::string> Paths(const std::vector<const CPhotoData*>& list) {
  std::vector<std::string> out;
  for (const CPhotoData* p : list) out.push_back(p->filePath);
  return out;
}

TEST(AlbumDocument, DaysAreOrderedByPathIgnoringCaseAndEqualPathsKeepTheirArrival) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("20070316", "b"));
  doc.AddDay(Day("20070315", "a1"));
  doc.AddDay(Day("holiday", "h"));
  doc.AddDay(Day("20070315", "a2"));
  doc.AddDay(Day("HOLIDAY", "H"));
  doc.AddDay(Day("20070315_01", "a3"));
  EXPECT_EQ(Titles(doc), (std::vector<std::string>{"a1", "a2", "a3", "b", "h", "H"}));
}

TEST(AlbumDocument, PicturesAreOrderedByMomentAndEqualMomentsKeepTheirArrival) {
  CRKCardAlbumDoc doc;
  doc.AddPicture(Picture("/p/late", "20070315102031"));
  doc.AddPicture(Picture("/p/first", "20070315102030"));
  doc.AddPicture(Picture("/p/second", "20070315102030"));
  doc.AddPicture(Picture("/p/early", "19991231235959"));
  // The date strings are numbers: "3" and "03" are the same month.
  CPhotoData third = Picture("/p/third", "20070315102030");
  third.month = "3";
  doc.AddPicture(third);
  EXPECT_EQ(Paths(doc), (std::vector<std::string>{"/p/early", "/p/first", "/p/second", "/p/third", "/p/late"}));
}

TEST(AlbumDocument, MomentsCarryOverLikeTheCalendar) {
  // Month 13 of 2007 is January 2008; 24:00 is the next day's midnight.
  EXPECT_EQ(PictureMoment(Picture("x", "20071301000000")), PictureMoment(Picture("x", "20080101000000")));
  EXPECT_EQ(PictureMoment(Picture("x", "20070315240000")), PictureMoment(Picture("x", "20070316000000")));
  EXPECT_LT(PictureMoment(Picture("x", "20070228235959")), PictureMoment(Picture("x", "20070301000000")));
}

TEST(AlbumDocument, FindDayIgnoresCaseAndCopiesEveryField) {
  CRKCardAlbumDoc doc;
  CAlbumData d = Day("Holiday", "first");
  d.totalSize = 77;
  d.reserved = 3;
  doc.AddDay(d);
  doc.AddDay(Day("holiday", "second"));
  CAlbumData found;
  ASSERT_EQ(doc.FindDay(kRoot + "HOLIDAY", found), 1);
  EXPECT_EQ(found, d);
  EXPECT_EQ(doc.FindDay(kRoot + "holida", found), 0);
  ASSERT_TRUE(doc.FindDayPosition(kRoot + "holiday"));
  EXPECT_EQ(doc.DayIndex(*doc.FindDayPosition(kRoot + "holiday")), 0u);
}

TEST(AlbumDocument, FindPictureFindsTheFirstOfEqualPaths) {
  CRKCardAlbumDoc doc;
  doc.AddPicture(Picture("/p/A.JPG", "20070315102031"));
  doc.AddPicture(Picture("/p/a.jpg", "20070315102030"));
  auto position = doc.FindPicturePosition("/P/A.JPG");
  ASSERT_TRUE(position);
  EXPECT_EQ((*position)->second->filePath, "/p/a.jpg");
  doc.RemovePicture("/p/a.JPG");
  EXPECT_EQ(Paths(doc), std::vector<std::string>{"/p/A.JPG"});
  // The lookup follows additions made after its first use.
  doc.AddPicture(Picture("/p/new.JPG", "20070315102030"));
  EXPECT_TRUE(doc.FindPicturePosition("/p/NEW.jpg"));
  EXPECT_FALSE(doc.FindPicturePosition("/p/none"));
}

TEST(AlbumDocument, RemovingADayKeepsThePicturesOfASimilarlyNamedFolder) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("20070315"));
  doc.AddDay(Day("20070315_01"));
  doc.AddPicture(Picture(kRoot + "20070315/a.JPG", "20070315100000"));
  doc.AddPicture(Picture(kRoot + "20070315/DCIM/b.JPG", "20070315100001"));
  doc.AddPicture(Picture(kRoot + "20070315_01/c.JPG", "20070315100002"));
  doc.AddPicture(Picture(kRoot + "20070315x.JPG", "20070315100003"));
  doc.RemoveDay(kRoot + "20070315");
  EXPECT_EQ(doc.DayCount(), 1u);
  EXPECT_EQ(Paths(doc), (std::vector<std::string>{kRoot + "20070315_01/c.JPG", kRoot + "20070315x.JPG"}));
}

TEST(AlbumDocument, RemovalTrackingReleasesTheBlockAndRecordsTheIndex) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("20070301"));
  doc.AddDay(Day("20070302"));
  doc.AddDay(Day("20070303"));
  auto block = std::make_shared<int>(5);
  std::weak_ptr<int> watch = block;
  doc.EditDay(*doc.FindDayPosition(kRoot + "20070302")).extra = block;
  block.reset();
  doc.SetRemovalTracking(1);
  doc.RemoveDay(kRoot + "20070302");
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(doc.RemovedIndices(), std::vector<uint16_t>{1});
  doc.RemoveDay(kRoot + "20070303");
  EXPECT_EQ(doc.RemovedIndices(), std::vector<uint16_t>{1});  // emptied first, then index 1 again
  doc.SetRemovalTracking(0);
  doc.RemoveDay(kRoot + "20070301");
  EXPECT_TRUE(doc.RemovedIndices().empty());
  EXPECT_EQ(doc.DayCount(), 0u);
}

TEST(AlbumDocument, RemoveDayOnlyKeepsPictures) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("20070315"));
  doc.AddPicture(Picture(kRoot + "20070315/a.JPG", "20070315100000"));
  doc.RemoveDayOnly(kRoot + "20070315");
  EXPECT_EQ(doc.DayCount(), 0u);
  EXPECT_EQ(doc.PictureCount(), 1u);
}

TEST(AlbumDocument, ImportCanRollBackExactlyWhatItAdded) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("20070315", "kept"));
  doc.AddPicture(Picture(kRoot + "20070315/a.JPG", "20070315100000"));
  auto day = doc.AddDay(Day("20070315", "added"));
  auto picture = doc.AddPicture(Picture(kRoot + "20070315/a.JPG", "20070315100000"));
  doc.RemovePictureAt(picture);
  doc.RemoveDayAt(day);
  EXPECT_EQ(Titles(doc), std::vector<std::string>{"kept"});
  EXPECT_EQ(doc.PictureCount(), 1u);
}

TEST(AlbumDocument, DaysOfAMonthUseTheMonthKeyRule) {
  CRKCardAlbumDoc doc;
  for (const char* name : {"20070301", "20070315_01", "070320", "20070401", "920315", "0703201020ab", "holiday"}) {
    doc.AddDay(Day(name, name));
  }
  EXPECT_EQ(doc.DaysOfMonth("2007", "03"), 4);
  std::vector<std::string> titles;
  for (const CAlbumData* d : doc.DayResults()) titles.push_back(d->title);
  EXPECT_EQ(titles, (std::vector<std::string>{"070320", "0703201020ab", "20070301", "20070315_01"}));
  EXPECT_EQ(doc.DaysOfMonth("2092", "03"), 1);
  EXPECT_EQ(doc.DaysOfMonth("1992", "03"), 0);
}

TEST(AlbumDocument, DayByDateUsesTheCalendarCentury) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("920315"));
  doc.AddDay(Day("20070315_01"));
  doc.AddDay(Day("20070316"));
  std::string path;
  EXPECT_EQ(doc.DayByDate(1992, 3, 15, path), 1);
  EXPECT_EQ(path, kRoot + "920315");
  EXPECT_EQ(doc.DayByDate(2092, 3, 15, path), 0);
  EXPECT_EQ(doc.DayByDate(2007, 3, 15, path), 0);  // dated-folder imports are not calendar days
  EXPECT_EQ(doc.DayByDate(2007, 3, 16, path), 1);
  EXPECT_EQ(path, kRoot + "20070316");
  CAlbumData elsewhere;
  elsewhere.folderPath = "/data/photos/20080101";
  doc.AddDay(elsewhere);
  EXPECT_EQ(doc.DayByDate(2008, 1, 1, path), 1);
  EXPECT_EQ(path, "/data/photos/20080101");
}

TEST(AlbumDocument, MonthsPresentInDayOrderWithTheYearSpan) {
  CRKCardAlbumDoc doc;
  for (const char* name : {"20070301", "20070315", "20070401_01", "990101", "20050101"}) doc.AddDay(Day(name));
  std::vector<std::string> months;
  // Day order: 20050101, 20070301, 20070315, 20070401_01, 990101 (last, though the oldest).
  EXPECT_EQ(doc.MonthsPresent(months), 1999 - 1999);
  EXPECT_EQ(months, (std::vector<std::string>{"200501", "200703", "200704", "199901"}));
  EXPECT_EQ(doc.Years().firstYear, 1999);
  EXPECT_EQ(doc.Years().lastYear, 1999);
  CRKCardAlbumDoc plain;
  for (const char* name : {"20050101", "20070301"}) plain.AddDay(Day(name));
  months.clear();
  EXPECT_EQ(plain.MonthsPresent(months), 2);
}

TEST(AlbumDocument, PicturesOfADay) {
  TempDir dir;
  const std::string root = dir.path().string() + "/Image Library/";
  WriteFile(root + "20070315/ABCD0001.JPG", "x");
  WriteFile(root + "20070315/ABCD0001.WAV", "x");
  WriteFile(root + "20070315/ABCD0002.WAV", "x");
  WriteFile(root + "20070315/abcd0003.jpg", "x");
  WriteFile(root + "20070315/ABCD0003.WAV", "x");
  CRKCardAlbumDoc doc;
  for (const char* name : {"ABCD0001.JPG", "ABCD0001.WAV", "ABCD0002.WAV", "abcd0003.jpg", "ABCD0003.WAV"}) {
    doc.AddPicture(Picture(root + "20070315/" + name, "20070315100000"));
  }
  doc.AddPicture(Picture(root + "20070315_01/20070315/x.JPG", "20070315100000"));
  doc.AddPicture(Picture(root + "20070315_01/DCIM/y.JPG", "20070315100000"));
  doc.AddPicture(Picture(root + "20070316/z.JPG", "20070315100000"));

  EXPECT_EQ(doc.PicturesOfDay("20070315"), 3);
  EXPECT_EQ(Paths(doc.PictureResults()),
            (std::vector<std::string>{root + "20070315/ABCD0001.JPG", root + "20070315/ABCD0002.WAV",
                                      root + "20070315/abcd0003.jpg"}));
  EXPECT_EQ(doc.PicturesOfDay("20070315_01"), 2);
  EXPECT_EQ(doc.PicturesOfDay("nothing"), 0);
  EXPECT_TRUE(doc.PictureResults().empty());
}

TEST(AlbumDocument, LoadThenSaveGivesIdenticalBytes) {
  AlbumContents album;
  const char* titles[] = {"運動会", "", "ﾊﾞｰｽﾃﾞｰ 2007"};
  const char* names[] = {"20070315", "20070316_01", "990101"};
  for (int i = 0; i < 3; ++i) {
    CAlbumData d = Day(names[i], titles[i]);
    d.templateName = "2,5";
    d.pictureCount = i == 0 ? 6 : 2;
    d.totalSize = 1000 * (i + 1);
    d.printButton = i % 2;
    d.reserved = 42;
    album.days.push_back(d);
  }
  for (int i = 0; i < 10; ++i) {
    const std::string name = names[i < 6 ? 0 : (i < 8 ? 1 : 2)];
    album.pictures.push_back(Picture(kRoot + name + "/P" + std::to_string(i) + ".JPG",
                                     "200703151000" + std::string(i < 5 ? "00" : "0") + std::to_string(i < 5 ? 0 : i)));
    album.pictures.back().size = 100 + i;
  }
  const std::string bytes = WriteAlbumBytes(album);

  TempDir dir;
  WriteFile(dir / "in.rks", bytes);
  CRKCardAlbumDoc doc(dir.path());
  doc.SetGenerationRotation(false);
  ASSERT_TRUE(doc.OnOpenDocument(dir / "in.rks"));
  EXPECT_EQ(doc.DayCount(), 3u);
  EXPECT_EQ(doc.PictureCount(), 10u);
  ASSERT_TRUE(doc.OnSaveDocument(dir / "out.rks"));
  EXPECT_EQ(ReadFile(dir / "out.rks"), bytes);
  EXPECT_EQ(doc.SavedThisRun(), 1);
}

TEST(AlbumDocument, FailedLoadLeavesAnEmptyAlbum) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("20070315"));
  doc.AddPicture(Picture(kRoot + "20070315/a.JPG", "20070315100000"));
  EXPECT_EQ(doc.Load(std::string("\x01\x00\xFF\xFF\x00\x00\x0A\x00", 8) + "CAlbumData\x05OR2"), AlbumError::UnexpectedFormat);
  EXPECT_EQ(doc.DayCount(), 0u);
  EXPECT_EQ(doc.PictureCount(), 0u);
  TempDir dir;
  EXPECT_FALSE(doc.OnOpenDocument(dir / "missing.rks"));
  EXPECT_EQ(doc.LastError(), AlbumError::OpenFailed);
}

TEST(AlbumDocument, LoadedDaysAreReorderedWhenTheFileIsOutOfOrder) {
  AlbumContents album;
  album.days = {Day("b", "b"), Day("a", "a"), Day("B", "B")};
  CRKCardAlbumDoc doc;
  ASSERT_EQ(doc.Load(WriteAlbumBytes(album)), AlbumError::None);
  EXPECT_EQ(Titles(doc), (std::vector<std::string>{"a", "b", "B"}));
}

TEST(AlbumDocument, ReorderFollowsChangedPaths) {
  CRKCardAlbumDoc doc;
  doc.AddDay(Day("a", "a"));
  doc.AddDay(Day("b", "b"));
  doc.AddPicture(Picture(kRoot + "a/x.JPG", "20070315100000"));
  doc.EditDay(*doc.FindDayPosition(kRoot + "a")).folderPath = kRoot + "c";
  doc.EditPicture(*doc.FindPicturePosition(kRoot + "a/x.JPG")).filePath = kRoot + "c/x.JPG";
  doc.Reorder();
  EXPECT_EQ(Titles(doc), (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(doc.FindDayPosition(kRoot + "c"));
  EXPECT_TRUE(doc.FindPicturePosition(kRoot + "c/x.JPG"));
  EXPECT_FALSE(doc.FindPicturePosition(kRoot + "a/x.JPG"));
}

TEST(AlbumDocument, SavingTheWorkingAlbumRefreshesTheLibraryCopyAndExitRotates) {
  TempDir dir;
  const auto home = dir.path() / "home";
  const auto root = home / "Image Library";
  std::filesystem::create_directories(root);
  settings::UseFile(dir / "Orrivan.conf");
  ASSERT_TRUE(settings::SetString(settings::Key::SaveFolder, root.string()));
  WriteFile(home / "Orrivan.rk1", "older");
  std::string saved;
  {
    CRKCardAlbumDoc doc(home);
    EXPECT_EQ(CRKCardAlbumDoc::Current(), &doc);
    doc.AddDay(Day("20070315"));
    ASSERT_TRUE(doc.OnSaveDocument(home / "Orrivan.rks"));
    saved = ReadFile(home / "Orrivan.rks");
    EXPECT_EQ(ReadFile(root / "Orrivan.rks"), saved);
    EXPECT_EQ(ReadFile(home / "Orrivan.rk1"), "older");  // generations rotate only at exit
  }
  EXPECT_EQ(CRKCardAlbumDoc::Current(), nullptr);
  EXPECT_EQ(ReadFile(home / "Orrivan.rk1"), saved);
  EXPECT_EQ(ReadFile(home / "Orrivan.rk2"), "older");
}

TEST(AlbumDocument, NoSaveMeansNoRotation) {
  TempDir dir;
  WriteFile(dir / "Orrivan.rks", "album");
  WriteFile(dir / "Orrivan.rk1", "older");
  {
    CRKCardAlbumDoc doc(dir.path());
    EXPECT_FALSE(doc.OnOpenDocument(dir / "Orrivan.rks"));  // not an album: nothing saved either
  }
  EXPECT_EQ(ReadFile(dir / "Orrivan.rk1"), "older");
  EXPECT_FALSE(std::filesystem::exists(dir / "Orrivan.rk2"));
}

// The pictures of a day as the album once found them, by testing every picture in turn: the day
// index must give exactly this, in this order.
std::vector<const CPhotoData*> PicturesOfDayByScan(const CRKCardAlbumDoc& doc, const std::string& key) {
  std::vector<const CPhotoData*> out;
  const bool anywhere = key.find('_') != std::string::npos || key.size() == 12;
  for (const CPhotoData& picture : doc.Pictures()) {
    const std::string& path = picture.filePath;
    bool belongs = false;
    if (anywhere) {
      belongs = path.find(key) != std::string::npos;
    } else {
      const size_t fileCut = path.find_last_of("/\\");
      if (fileCut == std::string::npos) continue;
      const std::string folderPath = path.substr(0, fileCut);
      if (!EqualsIgnoreCase(layout::LastComponent(folderPath), key)) continue;
      const size_t ownCut = folderPath.find_last_of("/\\");
      const std::string above =
          ownCut == std::string::npos ? std::string() : layout::LastComponent(folderPath.substr(0, ownCut));
      belongs = above.find('_') == std::string::npos && above.size() != 12;
    }
    if (!belongs) continue;
    if (path.size() >= 4 && EqualsIgnoreCase(path.substr(path.size() - 4), ".wav")) {
      const std::filesystem::path twin = layout::FromStoredPath(path.substr(0, path.size() - 3) + "jpg");
      bool exists = false;
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(twin.parent_path(), ec)) {
        exists = exists || EqualsIgnoreCase(entry.path().filename().string(), twin.filename().string());
      }
      if (exists) continue;
    }
    out.push_back(&picture);
  }
  return out;
}

void ExpectSameAsScan(CRKCardAlbumDoc& doc, const std::string& key, const std::string& when) {
  const std::vector<const CPhotoData*> expected = PicturesOfDayByScan(doc, key);
  EXPECT_EQ(doc.PicturesOfDay(key), static_cast<int>(expected.size())) << key << " after " << when;
  EXPECT_EQ(doc.PictureResults(), expected) << key << " after " << when;
}

TEST(AlbumDocumentDayIndex, AnswersLikeAScanThroughRandomChanges) {
  TempDir dir;
  const std::string root = dir.path().string() + "/Image Library/";
  // Still images beside some voice memos, in another case than the memo.
  WriteFile(root + "Trip/m.jpg", "x");
  WriteFile(root + "20040315/M.JPG", "x");
  WriteFile(root + "20040315_01/DCIM/N.Jpg", "x");
  const std::vector<std::string> folders = {
      "20040315", "20040315_01", "20040315_010", "20040315_01/20040315", "20040315_01/DCIM",
      "Trip", "TRIP", "trip", "040315", "040315123000", "040315123000/Trip", "x_y/Trip",
      "20040316", "20040315/20040315_01", "20040315\\sub", "Trip\\20040315", ""};
  const std::vector<std::string> names = {"A.JPG", "b.jpg", "IMG_20040315_013000.jpg", "20040315_01.JPG",
                                          "040315123000.JPG", "M.WAV", "N.wav", "Trip.JPG"};
  const std::vector<std::string> keys = {
      "20040315", "20040315_01", "20040315_0", "20040315_010", "trip", "TRIP", "Trip", "040315",
      "040315123000", "DCIM", "x_y", "sub", "", "Image Library", "01/2004", "_01/20040315", "_01\\DCIM",
      "IMG_2004", "nothing", "A.JPG", "0315_01.J"};
  const std::vector<std::string> stamps = {"20040315100000", "20040315100000", "20040315090000",
                                           "20040316120000", "20040314235959"};
  std::mt19937 rng(20040315);
  auto pick = [&rng](const auto& list) { return list[rng() % list.size()]; };
  auto randomPath = [&] {
    if (rng() % 40 == 0) return pick(names);  // a path without any folder
    const std::string folder = pick(folders);
    return root + folder + (folder.empty() ? "" : (rng() % 4 == 0 ? "\\" : "/")) + pick(names);
  };
  auto randomPosition = [&](const CRKCardAlbumDoc& doc) {
    auto it = doc.Pictures().begin();
    std::advance(it, rng() % doc.PictureCount());
    return it.position();
  };

  CRKCardAlbumDoc doc;
  for (int step = 0; step < 600; ++step) {
    const unsigned op = rng() % 20;
    std::string what;
    if (op < 9 || doc.PictureCount() == 0) {
      what = "add";
      doc.AddPicture(Picture(randomPath(), pick(stamps)));
    } else if (op < 12) {
      what = "remove at";
      doc.RemovePictureAt(randomPosition(doc));
    } else if (op == 12) {
      what = "remove by path";
      doc.RemovePicture(randomPosition(doc)->second->filePath);
    } else if (op == 13) {
      what = "remove day";
      doc.RemoveDay(root + pick(folders));  // no day record: nothing goes
      doc.RemovePicturesUnderFolder(root + pick(folders));
    } else if (op == 14) {
      what = "edit and reorder";
      CPhotoData& picture = doc.EditPicture(randomPosition(doc));
      picture.filePath = randomPath();
      picture.hour = "07";
      doc.Reorder();
    } else if (op == 15) {
      what = "edit without reorder";
      doc.EditPicture(randomPosition(doc)).filePath = randomPath();
    } else if (op == 16) {
      what = "reload";
      ASSERT_EQ(doc.Load(doc.SaveBytes()), AlbumError::None);
    } else if (op == 17 && rng() % 8 == 0) {
      what = "delete contents";
      doc.DeleteContents();
    } else {
      what = "nothing";
    }
    const std::string when = what + " at step " + std::to_string(step);
    if (step % 60 == 59) {
      for (const std::string& key : keys) ExpectSameAsScan(doc, key, when);
    } else {
      for (int q = 0; q < 3; ++q) ExpectSameAsScan(doc, pick(keys), when);
    }
    if (what == "edit without reorder") doc.Reorder();  // the path lookup needs it before the next step
    if (HasFailure()) return;
  }
  EXPECT_GT(doc.PictureCount(), 20u);  // the sequence grew a library worth comparing
}

TEST(AlbumDocumentDayIndex, OwnFolderNamesMatchIgnoringCaseInAlbumOrder) {
  CRKCardAlbumDoc doc;
  doc.AddPicture(Picture(kRoot + "Trip/1.JPG", "20070315100000"));
  doc.AddPicture(Picture(kRoot + "TRIP/2.JPG", "20070315090000"));
  doc.AddPicture(Picture(kRoot + "trip/3.JPG", "20070315110000"));
  doc.AddPicture(Picture(kRoot + "Tripod/4.JPG", "20070315100000"));
  EXPECT_EQ(doc.PicturesOfDay("tRIP"), 3);
  EXPECT_EQ(Paths(doc.PictureResults()),
            (std::vector<std::string>{kRoot + "TRIP/2.JPG", kRoot + "Trip/1.JPG", kRoot + "trip/3.JPG"}));
  // The index follows later changes.
  doc.RemovePicture(kRoot + "TRIP/2.JPG");
  doc.AddPicture(Picture(kRoot + "TrIp/5.JPG", "20070315100000"));
  EXPECT_EQ(doc.PicturesOfDay("Trip"), 3);
  EXPECT_EQ(Paths(doc.PictureResults()),
            (std::vector<std::string>{kRoot + "Trip/1.JPG", kRoot + "TrIp/5.JPG", kRoot + "trip/3.JPG"}));
}

TEST(AlbumDocumentDayIndex, ADayNamedLikeThePrefixOfAnotherKeepsToItsOwnPictures) {
  CRKCardAlbumDoc doc;
  doc.AddPicture(Picture(kRoot + "20040315/a.JPG", "20040315100000"));
  doc.AddPicture(Picture(kRoot + "20040315_01/b.JPG", "20040315100000"));
  doc.AddPicture(Picture(kRoot + "20040315_01/20040315/c.JPG", "20040315100000"));
  EXPECT_EQ(doc.PicturesOfDay("20040315"), 1);
  EXPECT_EQ(Paths(doc.PictureResults()), (std::vector<std::string>{kRoot + "20040315/a.JPG"}));
  doc.AddPicture(Picture(kRoot + "20040315_01/d.JPG", "20040315090000"));
  doc.AddPicture(Picture(kRoot + "20040315/e.JPG", "20040315080000"));
  EXPECT_EQ(doc.PicturesOfDay("20040315"), 2);
  EXPECT_EQ(Paths(doc.PictureResults()),
            (std::vector<std::string>{kRoot + "20040315/e.JPG", kRoot + "20040315/a.JPG"}));
  EXPECT_EQ(doc.PicturesOfDay("20040315_01"), 3);
  EXPECT_EQ(Paths(doc.PictureResults()),
            (std::vector<std::string>{kRoot + "20040315_01/d.JPG", kRoot + "20040315_01/b.JPG",
                                      kRoot + "20040315_01/20040315/c.JPG"}));
}

TEST(AlbumDocumentDayIndex, PicturesFollowEditedPathsReloadsAndEmptying) {
  CRKCardAlbumDoc doc;
  doc.AddPicture(Picture(kRoot + "20070315/a.JPG", "20070315100000"));
  doc.AddPicture(Picture(kRoot + "20070315/b.JPG", "20070315110000"));
  ASSERT_EQ(doc.PicturesOfDay("20070315"), 2);
  doc.EditPicture(*doc.FindPicturePosition(kRoot + "20070315/b.JPG")).filePath = kRoot + "20070316/b.JPG";
  EXPECT_EQ(doc.PicturesOfDay("20070315"), 1);
  EXPECT_EQ(doc.PicturesOfDay("20070316"), 1);
  doc.Reorder();
  EXPECT_EQ(Paths(doc.PictureResults()), std::vector<std::string>{});  // reorder empties the results
  EXPECT_EQ(doc.PicturesOfDay("20070316"), 1);
  ASSERT_EQ(doc.Load(doc.SaveBytes()), AlbumError::None);
  EXPECT_EQ(doc.PicturesOfDay("20070315"), 1);
  EXPECT_EQ(Paths(doc.PictureResults()), (std::vector<std::string>{kRoot + "20070315/a.JPG"}));
  doc.DeleteContents();
  EXPECT_EQ(doc.PicturesOfDay("20070315"), 0);
  doc.AddPicture(Picture(kRoot + "20070315/c.JPG", "20070315100000"));
  EXPECT_EQ(doc.PicturesOfDay("20070315"), 1);
}

}  // namespace
}  // namespace orrivan
