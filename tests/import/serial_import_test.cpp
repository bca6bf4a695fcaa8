// The serial import: the days of received files (movie names, missing dates), the collision key, and
// whole runs from the simulated camera over a pseudo-terminal into a fresh home, by date and into a
// dated folder, with link failures, a camera that dies mid-run and a cancel rolled back.
#include "import/serial_import.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "base/strings.h"
#include "camera/fakecam_process.h"
#include "html/template_repair.h"
#include "imaging/jpeg_file.h"
#include "import/import_fixture.h"
#include "support/avi_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

std::tm Today(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  return t;
}

std::time_t ModifiedOf(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
  return st.st_mtim.tv_sec;
}

TEST(SerialFileDay, MovieNamesTakeTheLatestSuchDayNotAfterTomorrow) {
  struct Case {
    int year, month, day;
    const char* name;
    const char* expected;
  } const cases[] = {
      {2026, 3, 15, "03160001.AVI", "20260316"},  // tomorrow: this year
      {2026, 3, 15, "03170001.AVI", "20250317"},  // after tomorrow: last year
      {2026, 3, 15, "03150001.AVI", "20260315"},
      {2026, 3, 15, "01010001.AVI", "20260101"},
      {2026, 3, 15, "12310001.AVI", "20261231"},  // 12/31 is always this year
      {2026, 1, 31, "02010001.AVI", "20260201"},  // after a month's last day tomorrow is the 1st
      {2026, 1, 31, "02020001.AVI", "20250202"},
      {2026, 1, 31, "12310001.AVI", "20261231"},
      {2026, 6, 30, "07010001.AVI", "20260701"},
      {2026, 12, 31, "12300001.AVI", "20261230"},  // on 12/31 every name is this year's
      {2026, 12, 30, "12310001.AVI", "20261231"},
      {2025, 3, 1, "02290001.AVI", "20240229"},   // no 02/29 this year, last year had one
      {2027, 3, 1, "02290001.AVI", "20270301"},   // neither year has one: today
      {2028, 2, 10, "02290001.AVI", "20280210"},  // last year would have none: today
      {2028, 3, 10, "02290001.AVI", "20280229"},
      {2026, 3, 15, "ABCD0001.AVI", "20260315"},  // no date in the name: today
      {2026, 3, 15, "13010001.AVI", "20260315"},
      {2026, 3, 15, "04310001.AVI", "20260315"},
      {2026, 3, 15, "0", "20260315"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MovieNameDay(c.name, Today(c.year, c.month, c.day)), c.expected)
        << c.name << " on " << c.year << "-" << c.month << "-" << c.day;
}

class SerialImport : public test::ImportFixture {
 protected:
  void SetUp() override {
    ImportFixture::SetUp();
    // A small camera: two picture folders and one empty, one picture turned on its side, one
    // without a date, one movie named for 1 January.
    Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
    Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 11:30:00", 2, 6);
    test::AviSpec movie;
    movie.width = 64;
    movie.height = 48;
    ASSERT_TRUE(test::WriteAvi(dcim_ / "100TEST" / "01010003.AVI", movie));
    Picture(dcim_ / "101TEST" / "EFGH0004.JPG", "", 4);
    fs::create_directories(dcim_ / "102EMPTY");
    ASSERT_TRUE(RepairTemplateChoice());
  }

  // The camera, and a link to it with short waits so a dead camera costs a fraction of a second.
  void Start(std::vector<std::string> flags = {}) {
    flags.push_back("--no-pacing");
    cam_ = std::make_unique<test::FakecamProcess>(card_, dir_ / ("fakecam-" + std::to_string(++starts_) + ".log"), flags);
    ASSERT_FALSE(cam_->Port().empty()) << "fakecam did not start: " << test::FakecamBinary();
    link_ = std::make_unique<CCameraLink>();
    link_->SetPortName(cam_->Port());
    link_->SetBaudRateText("115200");
    LinkTimings t;
    t.replyTimeoutMs = 500;
    t.blockTimeoutMs = 400;
    t.slowTimeoutMs = 800;
    t.firstAckWaitMs = 0;
    t.enqNakDelayMs = 5;
    t.speedChangeDelayMs = 40;
    t.blockRetryDelayMs = 20;
    t.cancelGraceMs = 50;
    t.writeTimeoutMs = 1000;
    link_->SetTimings(t);
  }

  SerialImportOptions Options(std::optional<int> classification) {
    SerialImportOptions options;
    options.classification = classification;
    options.openBrowser = false;
    options.now = [] { return test::LocalTime(2026, 6, 7, 15, 0, 0); };
    return options;
  }

  CRKCardAlbumDoc& OpenAlbum() {
    album_ = std::make_unique<CRKCardAlbumDoc>(home_);
    album_->SetGenerationRotation(false);
    if (fs::exists(layout::WorkingAlbumPath())) {
      EXPECT_TRUE(album_->OnOpenDocument(layout::WorkingAlbumPath()));
    }
    return *album_;
  }

  ImportResult ImportAll(std::optional<int> classification, Interaction* ui = nullptr) {
    CSerialImport engine(OpenAlbum(), ui ? *ui : ui_, Options(classification));
    return engine.RunAllFolders(*link_);
  }

  const CPhotoData* PictureOf(const fs::path& file) const {
    auto position = album_->FindPicturePosition(layout::ToStoredPath(file));
    return position ? (*position)->second.get() : nullptr;
  }

  // Nothing of the run anywhere: no library files, no album, no pages, no receive folder.
  void ExpectNothingLeft() {
    EXPECT_TRUE(test::TreeOf(library_).empty());
    EXPECT_EQ(album_->DayCount(), 0u);
    EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
    EXPECT_FALSE(fs::exists(layout::ListFramePage()));
    for (const auto& entry : fs::directory_iterator(home_))
      EXPECT_EQ(entry.path().filename().string().rfind(".orrivan-receive", 0), std::string::npos) << entry.path();
  }

  std::unique_ptr<test::FakecamProcess> cam_;
  std::unique_ptr<CCameraLink> link_;
  std::unique_ptr<CRKCardAlbumDoc> album_;
  int starts_ = 0;
};

TEST_F(SerialImport, ReceivedFilesAreDatedAndStampedByWhatTheyCarry) {
  const fs::path folder = dir_ / "received";
  const std::time_t june7 = test::LocalTime(2026, 6, 7, 15, 0, 0);

  const fs::path dated = Picture(folder / "ABCD0001.JPG", "2007:03:15 10:20:30");
  SerialDay day = SerialFileDay(dated, "ABCD0001.JPG", june7);
  EXPECT_EQ(day.day, "20070315");
  EXPECT_EQ(day.stamp, "20070315102030");
  EXPECT_TRUE(day.shootingDate);
  EXPECT_EQ(ModifiedOf(dated), test::LocalTime(2007, 3, 15, 10, 20, 30));

  // A JPEG without a date received on 7 June files into that day; its own time stays.
  const fs::path undated = Picture(folder / "ABCD0002.JPG", "");
  test::SetModified(undated, test::LocalTime(2020, 1, 1));
  day = SerialFileDay(undated, "ABCD0002.JPG", june7);
  EXPECT_EQ(day.day, "20260607");
  EXPECT_FALSE(day.shootingDate);
  EXPECT_EQ(ModifiedOf(undated), test::LocalTime(2020, 1, 1));

  // A movie's day comes from its name, at 01:00:00.
  const fs::path movie = folder / "06080003.AVI";
  test::WriteFile(movie, "RIFF");
  day = SerialFileDay(movie, "06080003.AVI", june7);
  EXPECT_EQ(day.day, "20260608");
  EXPECT_EQ(day.stamp, "20260608010000");
  EXPECT_EQ(ModifiedOf(movie), test::LocalTime(2026, 6, 8, 1, 0, 0));
}

TEST_F(SerialImport, CollisionKeyIsTheShootingDateElseTheSize) {
  const fs::path folder = dir_ / "keys";
  EXPECT_EQ(SerialCollisionKey(Picture(folder / "A0000001.JPG", "2007:03:15 10:20:30")), "20070315102030");
  const fs::path undated = Picture(folder / "A0000002.JPG", "");
  EXPECT_EQ(SerialCollisionKey(undated), std::to_string(fs::file_size(undated)));
  // A movie is compared by size alone, whatever its time says.
  test::WriteFile(folder / "A0000003.AVI", std::string(1234, 'x'));
  test::SetModified(folder / "A0000003.AVI", test::LocalTime(2007, 3, 15));
  EXPECT_EQ(SerialCollisionKey(folder / "A0000003.AVI"), "1234");
  EXPECT_EQ(SerialCollisionKey(folder / "missing.JPG"), "");
}

TEST_F(SerialImport, AllFoldersByDateFillAFreshHomeWithDaysPagesAndAlbum) {
  // What a killed run left behind goes with the next run.
  test::WriteFile(home_ / ".orrivan-receive-Ab12Cd" / "3" / "ABCD0001.JPG", "half");
  Start();
  ASSERT_EQ(ImportAll(0), ImportResult::Done);

  const std::map<std::string, std::string> expected = {
      {"20070315/ABCD0001.JPG", "100TEST/ABCD0001.JPG"},
      {"20260101/01010003.AVI", "100TEST/01010003.AVI"},
      {"20260607/EFGH0004.JPG", "101TEST/EFGH0004.JPG"},
  };
  for (const auto& [inLibrary, onCard] : expected)
    EXPECT_EQ(test::ReadFile(library_ / inLibrary), test::ReadFile(dcim_ / onCard)) << inLibrary;
  // The picture on its side was turned upright before it was filed.
  const fs::path turned = library_ / "20070316" / "ABCD0002.JPG";
  ASSERT_TRUE(fs::exists(turned));
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(turned, version), kRotationNone);
  for (const char* preview : {"20070315/PREVIEW/ABCD0001.JPG", "20070316/PREVIEW/ABCD0002.JPG",
                              "20260607/PREVIEW/EFGH0004.JPG"})
    EXPECT_TRUE(fs::exists(library_ / preview)) << preview;
  EXPECT_EQ(ModifiedOf(library_ / "20260101" / "01010003.AVI"), test::LocalTime(2026, 1, 1, 1, 0, 0));

  // The album on disk, the day pages and the library pages.
  CRKCardAlbumDoc& album = OpenAlbum();
  EXPECT_EQ(album.DayCount(), 4u);
  EXPECT_EQ(album.PictureCount(), 4u);
  const CPhotoData* movie = PictureOf(library_ / "20260101" / "01010003.AVI");
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->year + movie->month + movie->day + movie->hour + movie->minute + movie->second, "20260101010000");
  const CPhotoData* undated = PictureOf(library_ / "20260607" / "EFGH0004.JPG");
  ASSERT_NE(undated, nullptr);
  EXPECT_EQ(undated->year + undated->month + undated->day + undated->hour, "2026060715");
  for (const char* day : {"20070315", "20070316", "20260101", "20260607"})
    EXPECT_TRUE(fs::exists(library_ / day / "INDEX.HTM")) << day;
  EXPECT_TRUE(fs::exists(layout::ListFramePage()));
  EXPECT_TRUE(fs::exists(layout::CalendarFramePage()));

  // One progress line per file, the camera told to end, no receive folder left.
  ASSERT_FALSE(ui_.progress.empty());
  EXPECT_EQ(ui_.progress[0].caption, Str(StrId::ImportCaption));
  ASSERT_EQ(ui_.progress[0].texts.size(), 4u);
  EXPECT_EQ(ui_.progress[0].texts[0],
            std::make_pair(Str(StrId::SerialTransferring), "01010003.AVI(1/4)" + Str(StrId::SerialReceiving)));
  EXPECT_EQ(ui_.progress[0].texts[3].second, "EFGH0004.JPG(4/4)" + Str(StrId::SerialReceiving));
  EXPECT_TRUE(cam_->WaitFor("QR"));
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
  for (const auto& entry : fs::directory_iterator(home_))
    EXPECT_EQ(entry.path().filename().string().rfind(".orrivan-receive", 0), std::string::npos);
}

TEST_F(SerialImport, SecondImportRecognisesEveryFileAndADifferentPictureGetsASuffix) {
  Start();
  ASSERT_EQ(ImportAll(0), ImportResult::Done);
  const auto before = test::TreeOf(library_);
  ASSERT_EQ(ImportAll(0), ImportResult::Done);
  EXPECT_EQ(test::TreeOf(library_), before);

  // Another picture of the same name and day, and another movie of the same name.
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 18:00:00", 9);
  test::AviSpec longer;
  longer.width = 64;
  longer.height = 48;
  longer.frames.push_back({90, 90, 90});
  ASSERT_TRUE(test::WriteAvi(dcim_ / "100TEST" / "01010003.AVI", longer));
  ASSERT_EQ(ImportAll(0), ImportResult::Done);
  EXPECT_EQ(test::ReadFile(library_ / "20070315" / "ABCD0001_1.JPG"), test::ReadFile(dcim_ / "100TEST" / "ABCD0001.JPG"));
  EXPECT_EQ(test::ReadFile(library_ / "20260101" / "01010003_1.AVI"), test::ReadFile(dcim_ / "100TEST" / "01010003.AVI"));
  EXPECT_EQ(OpenAlbum().PictureCount(), 6u);
}

// A camera that holds nothing new was still read: the run ends with pages, save and the browser,
// like a card whose every file is already in the library.
TEST_F(SerialImport, CameraWhoseEveryFileIsInTheLibraryStillWritesPagesSavesAndOpensTheLibrary) {
  Start();
  ASSERT_EQ(ImportAll(0), ImportResult::Done);
  const auto libraryBefore = test::TreeOf(library_);
  fs::remove_all(home_ / "HTML");
  fs::remove(layout::ListFramePage());
  // The album is read into memory first; the file goes only afterwards, so only a save brings it back.
  CRKCardAlbumDoc& album = OpenAlbum();
  fs::remove(layout::WorkingAlbumPath());
  FakeInteraction ui;
  SerialImportOptions options = Options(0);
  options.openBrowser = true;
  CSerialImport engine(album, ui, options);

  EXPECT_EQ(engine.RunAllFolders(*link_), ImportResult::Done);
  EXPECT_EQ(engine.PlacedCount(), 0);
  EXPECT_EQ(ui.Count(FakeInteraction::Kind::Message), 0u);
  EXPECT_EQ(ui.openedPages.size(), 1u);
  EXPECT_TRUE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(fs::exists(layout::ListFramePage()));
  EXPECT_TRUE(fs::exists(home_ / "HTML" / "calendar_1.htm"));
  EXPECT_EQ(test::TreeOf(library_), libraryBefore);
  // The counter the programs show after the run: the days the album holds, read back from disk.
  CRKCardAlbumDoc saved(home_);
  saved.SetGenerationRotation(false);
  ASSERT_TRUE(saved.OnOpenDocument(layout::WorkingAlbumPath()));
  EXPECT_EQ(saved.DayCount(), 4u);
  EXPECT_EQ(saved.PictureCount(), 4u);
  EXPECT_TRUE(cam_->WaitFor("QR"));
  for (const auto& entry : fs::directory_iterator(home_))
    EXPECT_EQ(entry.path().filename().string().rfind(".orrivan-receive", 0), std::string::npos) << entry.path();
}

TEST_F(SerialImport, ChosenFolderIntoADatedFolderKeepsTheCameraFolder) {
  Start();
  link_->SetCameraFolder("101TEST", false);
  // The dialog's worker owns the link while it connects and lists, then hands it back.
  int steps = 0;
  LinkResult listed = LINK_ERR_NOT_READY;
  std::thread worker([&] { listed = ConnectAndListFolders(*link_, [&] { ++steps; }); });
  worker.join();
  ASSERT_EQ(listed, LINK_OK);
  EXPECT_EQ(steps, 6);
  EXPECT_EQ(link_->FolderList(), (std::vector<std::string>{"100TEST", "101TEST", "102EMPTY"}));
  ASSERT_EQ(PreselectedFolder(*link_), std::optional<size_t>(1));
  ui_.dates.push_back("20070401");
  SerialImportOptions options = Options(1);
  options.title = "Spring";
  CSerialImport engine(OpenAlbum(), ui_, options);
  ASSERT_EQ(engine.RunChosenFolder(*link_, "100TEST"), ImportResult::Done);

  const fs::path dated = library_ / "20070401_01" / "100TEST";
  EXPECT_EQ(test::ReadFile(dated / "ABCD0001.JPG"), test::ReadFile(dcim_ / "100TEST" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(dated / "ABCD0002.JPG"));
  EXPECT_TRUE(fs::exists(dated / "01010003.AVI"));
  EXPECT_TRUE(fs::exists(dated / "PREVIEW" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_TRUE(fs::exists(library_ / "20070401_01" / "INDEX.HTM"));

  CRKCardAlbumDoc& album = OpenAlbum();
  ASSERT_EQ(album.DayCount(), 1u);
  const CAlbumData& day = *album.Days().begin();
  EXPECT_EQ(day.pictureCount, 3);
  EXPECT_EQ(day.title, "Spring");
  const CPhotoData* picture = PictureOf(dated / "ABCD0001.JPG");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->year + picture->month + picture->day + picture->hour, "2007031510");
  EXPECT_TRUE(cam_->WaitFor("QR"));
}

TEST_F(SerialImport, UndatedPictureInADatedFolderIsRecordedOnTodayAtOneOClock) {
  Start();
  ui_.dates.push_back("20070401");
  settings::SetInt(settings::Key::InputTitle, 0);
  ui_.titles.push_back("Camera");
  ASSERT_EQ(ImportAll(1), ImportResult::Done);
  EXPECT_NE(ui_.Texts(FakeInteraction::Kind::AskTitle).at(0).find("\\DCIM"), std::string::npos);
  EXPECT_TRUE(fs::exists(library_ / "20070401_01" / "101TEST" / "EFGH0004.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070401_01" / "100TEST" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070401_01" / "102EMPTY"));
  CRKCardAlbumDoc& album = OpenAlbum();
  ASSERT_EQ(album.DayCount(), 1u);
  EXPECT_EQ(album.Days().begin()->pictureCount, 4);
  EXPECT_EQ(album.Days().begin()->title, "Camera");
  const CPhotoData* undated = PictureOf(library_ / "20070401_01" / "101TEST" / "EFGH0004.JPG");
  ASSERT_NE(undated, nullptr);
  EXPECT_EQ(undated->year + undated->month + undated->day + undated->hour + undated->minute + undated->second,
            "20260607010000");
}

TEST_F(SerialImport, ChosenFolderWithoutPicturesSaysSoAndLeavesNothing) {
  Start();
  ASSERT_EQ(ConnectAndListFolders(*link_), LINK_OK);
  ui_.dates.push_back("20070401");
  CSerialImport engine(OpenAlbum(), ui_, Options(1));
  EXPECT_EQ(engine.RunChosenFolder(*link_, "102EMPTY"), ImportResult::NothingToDo);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::SerialFolderEmpty)});
  EXPECT_EQ(ui_.records.back().icon, Icon::Stop);
  ExpectNothingLeft();
  EXPECT_TRUE(cam_->WaitFor("QR"));
}

TEST_F(SerialImport, LowBatteryMidRunShowsItsMessageAndRollsBack) {
  // Battery checks: connect, three folders listed, the first folder, its first file; the next is low.
  Start({"--battery-low-after", "6"});
  EXPECT_EQ(ImportAll(0), ImportResult::Failed);
  ASSERT_TRUE(cam_->WaitFor("QR"));
  const auto events = cam_->Events();
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.rfind("CMD ZG", 0) == 0; }),
            1);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::BatteryLow)});
  ExpectNothingLeft();
  EXPECT_TRUE(cam_->WaitFor("QR"));
}

// Acts when the transfer of a file starts (the second line of the progress names it), and can
// report cancel from then on.
class WatchingUi : public FakeInteraction {
 public:
  std::function<void(const std::string& line)> onText;
  bool cancelNow = false;
  std::unique_ptr<Progress> OpenProgress(const std::string& caption) override {
    class Watch : public Progress {
     public:
      Watch(std::unique_ptr<Progress> inner, WatchingUi& owner) : inner_(std::move(inner)), owner_(owner) {}
      void SetText(const std::string& a, const std::string& b) override {
        inner_->SetText(a, b);
        if (owner_.onText) owner_.onText(b);
      }
      void SetRange(int64_t m) override { inner_->SetRange(m); }
      void SetPosition(int64_t p) override { inner_->SetPosition(p); }
      bool Cancelled() const override { return owner_.cancelNow || inner_->Cancelled(); }

     private:
      std::unique_ptr<Progress> inner_;
      WatchingUi& owner_;
    };
    return std::make_unique<Watch>(FakeInteraction::OpenProgress(caption), *this);
  }
};

TEST_F(SerialImport, CameraThatStopsAnsweringMidRunIsReportedAndTheRunRolledBack) {
  Start();
  WatchingUi ui;
  ui.onText = [this](const std::string& line) {
    if (line.find("(3/") == std::string::npos) return;
    EXPECT_EQ(test::TreeOf(library_).count("20070315/ABCD0001.JPG"), 1u);
    cam_.reset();
  };
  EXPECT_EQ(ImportAll(0, &ui), ImportResult::Failed);
  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::CameraNotResponding)});
  EXPECT_EQ(ui.records.back().icon, Icon::None);
  ExpectNothingLeft();
}

TEST_F(SerialImport, CancelDuringATransferRollsBackSilently) {
  Start();
  WatchingUi ui;
  ui.onText = [this, &ui](const std::string& line) {
    if (line.find("(3/") == std::string::npos) return;
    EXPECT_EQ(test::TreeOf(library_).count("20070315/ABCD0001.JPG"), 1u);
    ui.cancelNow = true;
  };
  EXPECT_EQ(ImportAll(0, &ui), ImportResult::Cancelled);
  EXPECT_EQ(ui.Count(FakeInteraction::Kind::Message), 0u);
  ExpectNothingLeft();
  EXPECT_TRUE(cam_->WaitFor("CAN"));
}

TEST_F(SerialImport, CameraThatIsNotThereLeavesNothingBehind) {
  link_ = std::make_unique<CCameraLink>();
  link_->SetPortName((dir_ / "no-such-port").string());
  EXPECT_EQ(ImportAll(0), ImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::CameraNotResponding)});
  ExpectNothingLeft();
}

}  // namespace
}  // namespace orrivan
