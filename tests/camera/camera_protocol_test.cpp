// Conversations with the simulated camera over a pseudo-terminal: connecting, listings, fetching,
// the recovery paths of the protocol, cancelling, and the hand-over between threads.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "base/settings.h"
#include "camera/camera_link.h"
#include "fakecam_process.h"
#include "support/fake_interaction.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

// Short waits so a silent camera costs a fraction of a second; the 5500 ms after a cancel stays.
LinkTimings FastTimings() {
  LinkTimings t;
  t.replyTimeoutMs = 500;
  t.blockTimeoutMs = 400;
  t.slowTimeoutMs = 800;
  t.firstAckWaitMs = 0;
  t.enqNakDelayMs = 5;
  t.speedChangeDelayMs = 40;  // the camera's time to take the ACK before the PC switches
  t.blockRetryDelayMs = 20;
  t.writeTimeoutMs = 1000;
  return t;
}

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return s;
}

bool Has(const std::vector<std::string>& events, const std::string& what) {
  return std::find(events.begin(), events.end(), what) != events.end();
}

size_t CountPrefix(const std::vector<std::string>& events, const std::string& prefix) {
  return static_cast<size_t>(std::count_if(events.begin(), events.end(),
                                           [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
}

std::string Joined(const std::vector<std::string>& events) {
  std::string all;
  for (const auto& e : events) all += e + "; ";
  return all;
}

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::UseFile(temp_ / "Orrivan.conf");
    card_ = temp_ / "card";
    test::WriteFile(card_ / "DCIM" / "100TEST" / "ABCD0001.JPG", Pattern(5000));
    test::WriteFile(card_ / "DCIM" / "100TEST" / "ABCD0002.AVI", Pattern(300));
    test::WriteFile(card_ / "DCIM" / "100TEST" / "ABCD0000.JPG", "zero");
    test::WriteFile(card_ / "DCIM" / "100TEST" / "NOTE0003.TXT", "text");
    test::WriteFile(card_ / "DCIM" / "101TEST" / "EFGH0005.JPG", Pattern(20000));
    test::WriteFile(card_ / "DCIM" / "MISC" / "x.txt", "x");
    fs::create_directories(card_ / "DCIM" / "102EMPTY");
    target_ = temp_ / "target";
    fs::create_directories(target_);
  }
  void TearDown() override { settings::UseFile({}); }

  // Starts the camera with these flags and points a link at it.
  void Start(std::vector<std::string> flags, const std::string& rate = "115200") {
    cam_.reset();
    // Each camera its own log, so a test that starts several reads only the last one's events.
    std::string log = "fakecam-" + std::to_string(++starts_) + ".log";
    cam_ = std::make_unique<test::FakecamProcess>(card_, temp_ / log, flags);
    ASSERT_FALSE(cam_->Port().empty()) << "fakecam did not start: " << test::FakecamBinary();
    link_ = std::make_unique<CCameraLink>();
    link_->SetPortName(cam_->Port());
    link_->SetBaudRateText(rate);
    link_->SetTimings(FastTimings());
  }

  // Connect, root, DCIM, folder.
  void EnterFolder(const std::string& folder) {
    ASSERT_EQ(link_->Connect(), LINK_OK);
    ASSERT_EQ(link_->GoToRoot(), LINK_OK);
    ASSERT_EQ(link_->ChangeFolder("DCIM"), LINK_OK);
    ASSERT_EQ(link_->ChangeFolder(folder), LINK_OK);
  }

  std::vector<std::string> TargetFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(target_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir temp_{"orrivan-camera"};
  fs::path card_;
  fs::path target_;
  std::unique_ptr<test::FakecamProcess> cam_;
  std::unique_ptr<CCameraLink> link_;
  int starts_ = 0;
};

TEST_F(CameraTest, ConnectListAndFetchFromAnExtendedCamera) {
  Start({"--no-pacing"});
  ASSERT_EQ(link_->Connect(), LINK_OK);
  EXPECT_TRUE(link_->Ready());
  EXPECT_TRUE(link_->Extended());
  EXPECT_EQ(link_->CameraType(), 2);
  EXPECT_EQ(link_->CheckBattery(), LINK_OK);
  ASSERT_EQ(link_->GoToRoot(), LINK_OK);
  ASSERT_EQ(link_->ChangeFolder("DCIM"), LINK_OK);
  ASSERT_EQ(link_->ListFolders(), LINK_OK);
  EXPECT_EQ(link_->FolderList(), (std::vector<std::string>{"100TEST", "101TEST", "102EMPTY"}));
  ASSERT_EQ(link_->ChangeFolder("100TEST"), LINK_OK);
  ASSERT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_EQ(link_->FileList(), (std::vector<std::string>{"ABCD0001.JPG", "ABCD0002.AVI"}));
  for (const auto& name : link_->FileList()) ASSERT_EQ(link_->FetchFile(nullptr, target_, name), LINK_OK) << name;
  EXPECT_EQ(test::ReadFile(target_ / "ABCD0001.JPG"), Pattern(5000));
  EXPECT_EQ(test::ReadFile(target_ / "ABCD0002.AVI"), Pattern(300));
  EXPECT_EQ(TargetFiles(), (std::vector<std::string>{"ABCD0001.JPG", "ABCD0002.AVI"}));
  ASSERT_EQ(link_->GoUp(), LINK_OK);
  ASSERT_EQ(link_->Disconnect(), LINK_OK);
  EXPECT_FALSE(link_->Ready());
  EXPECT_EQ(link_->ListFiles(), LINK_ERR_NOT_READY);

  ASSERT_TRUE(cam_->WaitFor("QR"));
  auto events = cam_->Events();
  EXPECT_TRUE(Has(events, "CMD SU"));
  EXPECT_TRUE(Has(events, "CMD NP\\x01"));
  EXPECT_TRUE(Has(events, "CMD PP\\x06\\x00"));
  EXPECT_TRUE(Has(events, "QR"));
  EXPECT_EQ(CountPrefix(events, "NOISE"), 0u);
  // Every transfer goes up to the configured speed and back down.
  EXPECT_EQ(CountPrefix(events, "SPEED 115200"), 4u);
  EXPECT_EQ(CountPrefix(events, "SPEED 9600"), 4u);
  // The port stays open after the connection ends.
  EXPECT_TRUE(link_->IsOpen());
}

TEST_F(CameraTest, ConnectWithTheCamerasOwnWaitsNeedsNoRetry) {
  Start({"--no-pacing"});
  link_->SetTimings(LinkTimings{});
  ASSERT_EQ(link_->Connect(), LINK_OK);
  auto events = cam_->Events();
  ASSERT_GE(events.size(), 2u);
  // The PC waits 2000 ms before it reads the first ACK; the camera must still take the command.
  EXPECT_EQ(events[0], "ENQ");
  EXPECT_EQ(events[1], "CMD SU") << Joined(events);
}

TEST_F(CameraTest, ReconnectingReopensThePortAndTheCameraFollows) {
  Start({"--no-pacing"});
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(link_->Connect(), LINK_OK) << i;
    ASSERT_EQ(link_->Disconnect(), LINK_OK) << i;
  }
  ASSERT_TRUE(cam_->WaitFor("QR"));
  EXPECT_EQ(CountPrefix(cam_->Events(), "CMD SU"), 3u);
}

TEST_F(CameraTest, WrongChecksumEchoOnceIsAnsweredWithNakAndTheCommandRepeated) {
  Start({"--no-pacing", "--bad-checksum-once"});
  ASSERT_EQ(link_->Connect(), LINK_OK);
  auto events = cam_->Events();
  auto nak = std::find(events.begin(), events.end(), "CMD-NAK SU");
  ASSERT_NE(nak, events.end());
  EXPECT_EQ(*std::next(nak), "ENQ");
  EXPECT_NE(std::find(nak, events.end(), "CMD SU"), events.end());
}

TEST_F(CameraTest, NakToTheFirstEnqIsRetriedOnce) {
  Start({"--no-pacing", "--nak-first-enq"});
  EXPECT_EQ(link_->Connect(), LINK_OK);
  auto events = cam_->Events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], "ENQ NAK");
  EXPECT_EQ(events[1], "ENQ");
}

TEST_F(CameraTest, BusyCameraIsAskedAgainWhileConnectedButNotForEver) {
  Start({"--no-pacing", "--busy", "3"});
  ASSERT_EQ(link_->Connect(), LINK_OK);
  EXPECT_EQ(link_->CheckBattery(), LINK_OK);
  EXPECT_EQ(CountPrefix(cam_->Events(), "ENQ NAK"), 3u);

  // A camera that never stops saying NAK is given up on with the no-ACK code.
  Start({"--no-pacing", "--busy", "100000"});
  ASSERT_EQ(link_->Connect(), LINK_OK);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link_->CheckBattery(), LINK_ERR_NO_ACK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_GE(CountPrefix(cam_->Events(), "ENQ NAK"), 100u);
}

TEST_F(CameraTest, CamerasOfTheOtherKindAreRefused) {
  for (std::vector<std::string> flags : {std::vector<std::string>{"--type", "1"},
                                         std::vector<std::string>{"--capability", "0xBF"}}) {
    flags.push_back("--no-pacing");
    Start(flags);
    EXPECT_EQ(link_->Connect(), LINK_ERR_UNSUPPORTED) << flags[0];
    EXPECT_FALSE(link_->Ready());
    EXPECT_EQ(link_->FetchFile(nullptr, target_, "ABCD0001.JPG"), LINK_ERR_UNSUPPORTED);
    test::FakeInteraction ui;
    ShowLinkError(ui, LINK_ERR_UNSUPPORTED);
    ASSERT_EQ(ui.records.size(), 1u);
    EXPECT_NE(ui.records[0].text.find("対応していません"), std::string::npos);
  }
}

TEST_F(CameraTest, EmptyListingsEndAtTheFirstBlock) {
  // A zero-length first block: no data at all.
  Start({"--no-pacing", "--empty-listing"});
  EnterFolder("100TEST");
  EXPECT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_TRUE(link_->FileList().empty());
  EXPECT_EQ(link_->ListFolders(), LINK_ERR_EMPTY_LIST);
}

TEST_F(CameraTest, ListingOfTwoNulsGives25ForFoldersAndNoFiles) {
  Start({"--no-pacing"});
  EnterFolder("102EMPTY");
  EXPECT_EQ(link_->ListFolders(), LINK_ERR_EMPTY_LIST);
  EXPECT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_TRUE(link_->FileList().empty());
}

TEST_F(CameraTest, OversizeBlockIsSkippedAndAskedForAgain) {
  Start({"--no-pacing", "--oversize-block"});
  EnterFolder("100TEST");
  ASSERT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_EQ(link_->FileList(), (std::vector<std::string>{"ABCD0001.JPG", "ABCD0002.AVI"}));
  EXPECT_EQ(CountPrefix(cam_->Events(), "BLOCK-NAK"), 1u);
}

TEST_F(CameraTest, GarbageBeforeABlockIsSkippedAndTheBlockAskedForAgain) {
  Start({"--no-pacing", "--garbage", "40"});
  EnterFolder("100TEST");
  ASSERT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_EQ(link_->FileList().size(), 2u);
  EXPECT_GE(CountPrefix(cam_->Events(), "BLOCK-NAK"), 1u);
}

TEST_F(CameraTest, LostByteInABlockIsNotTakenForData) {
  Start({"--no-pacing", "--drop-byte-at", "3000"});
  EnterFolder("100TEST");
  ASSERT_EQ(link_->FetchFile(nullptr, target_, "ABCD0001.JPG"), LINK_OK);
  EXPECT_EQ(test::ReadFile(target_ / "ABCD0001.JPG"), Pattern(5000));
  EXPECT_EQ(CountPrefix(cam_->Events(), "BLOCK-NAK"), 1u);
}

TEST_F(CameraTest, CameraThatStopsMidBlockTimesOutAndLeavesNoFile) {
  Start({"--no-pacing", "--stall-ms", "4000"});
  EnterFolder("100TEST");
  EXPECT_EQ(link_->FetchFile(nullptr, target_, "ABCD0002.AVI"), LINK_ERR_TIMEOUT);
  EXPECT_TRUE(TargetFiles().empty());
  // Whatever happened, the PC side is back at command speed.
  EXPECT_EQ(link_->PortSpeed(), 9600u);
}

TEST_F(CameraTest, SizeLimitIsTheLargestFileTaken) {
  fs::path folder = card_ / "DCIM" / "103BIG";
  fs::create_directories(folder);
  fs::resize_file((test::WriteFile(folder / "BIGG0001.JPG", ""), folder / "BIGG0001.JPG"), 0xC8FFFF);
  fs::resize_file((test::WriteFile(folder / "BIGG0002.JPG", ""), folder / "BIGG0002.JPG"), 0xC8FFFE);
  Start({"--no-pacing"});
  EnterFolder("103BIG");
  EXPECT_EQ(link_->FetchFile(nullptr, target_, "BIGG0001.JPG"), LINK_ERR_FILE);
  EXPECT_EQ(CountPrefix(cam_->Events(), "CMD ZG"), 0u);
  ASSERT_EQ(link_->FetchFile(nullptr, target_, "BIGG0002.JPG"), LINK_OK);
  EXPECT_EQ(fs::file_size(target_ / "BIGG0002.JPG"), 0xC8FFFEu);
  EXPECT_EQ(TargetFiles(), (std::vector<std::string>{"BIGG0002.JPG"}));
}

TEST_F(CameraTest, FetchSucceedsOnlyWithExactlyTheAnnouncedSize) {
  for (const char* delta : {"1", "-1"}) {
    Start({"--no-pacing", "--announce-delta", delta});
    EnterFolder("100TEST");
    EXPECT_EQ(link_->FetchFile(nullptr, target_, "ABCD0001.JPG"), LINK_ERR_FILE) << delta;
    EXPECT_TRUE(TargetFiles().empty()) << delta;
  }
}

TEST_F(CameraTest, EmptyFileIsFetchedAsEmptyFile) {
  test::WriteFile(card_ / "DCIM" / "104ZERO" / "NULL0001.JPG", "");
  Start({"--no-pacing"});
  EnterFolder("104ZERO");
  test::FakeInteraction ui;
  auto progress = ui.OpenProgress("transfer");
  ASSERT_EQ(link_->FetchFile(progress.get(), target_, "NULL0001.JPG"), LINK_OK);
  EXPECT_TRUE(fs::exists(target_ / "NULL0001.JPG"));
  EXPECT_EQ(fs::file_size(target_ / "NULL0001.JPG"), 0u);
  ASSERT_FALSE(ui.progress[0].positions.empty());
  EXPECT_EQ(ui.progress[0].positions.back(), 100);
}

TEST_F(CameraTest, UnsafeNamesAreNeitherListedNorFetched) {
  Start({"--no-pacing", "--extra-name", "../ABCD0009.JPG", "--extra-name", "AB\\C0008.JPG"});
  EnterFolder("100TEST");
  ASSERT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_EQ(link_->FileList(), (std::vector<std::string>{"ABCD0001.JPG", "ABCD0002.AVI"}));
  EXPECT_EQ(link_->FetchFile(nullptr, target_, "../ABCD0009.JPG"), LINK_ERR_FILE);
  EXPECT_EQ(link_->ChangeFolder("../etc"), LINK_ERR_FILE);
  EXPECT_EQ(CountPrefix(cam_->Events(), "CMD DO"), 0u);
  EXPECT_TRUE(TargetFiles().empty());
  EXPECT_TRUE(fs::is_empty(temp_.path() / "target"));
}

TEST_F(CameraTest, CancelDuringTransferSendsCanReturnsTo9600WaitsThenQuits) {
  Start({"--no-pacing", "--block", "1000"});
  EnterFolder("101TEST");
  test::FakeInteraction ui;
  ui.cancelAfter = 3;
  auto progress = ui.OpenProgress("transfer");
  EXPECT_EQ(link_->FetchFile(progress.get(), target_, "EFGH0005.JPG"), LINK_ERR_CANCELLED);
  EXPECT_TRUE(TargetFiles().empty());
  EXPECT_FALSE(link_->Ready());
  ASSERT_TRUE(cam_->WaitFor("QR")) << Joined(cam_->Events());
  auto events = cam_->TimedEvents();
  auto find = [&](const std::string& what, size_t from) {
    for (size_t i = from; i < events.size(); ++i)
      if (events[i].second == what) return i;
    return events.size();
  };
  size_t can = find("CAN", 0);
  ASSERT_LT(can, events.size());
  size_t slow = find("SPEED 9600", can);
  ASSERT_LT(slow, events.size());
  size_t quit = find("QR", slow);
  ASSERT_LT(quit, events.size());
  EXPECT_GE(events[quit].first - events[can].first, 5500);
  EXPECT_EQ(link_->PortSpeed(), 9600u);
}

TEST_F(CameraTest, CommandSpeedAsTransferSpeedStillSwitches) {
  Start({"--no-pacing"}, "9600");
  EnterFolder("100TEST");
  ASSERT_EQ(link_->ListFiles(), LINK_OK);
  auto events = cam_->Events();
  auto cb = std::find(events.begin(), events.end(), "CMD cb\\x02");
  ASSERT_NE(cb, events.end());
  ASSERT_NE(std::next(cb), events.end());
  EXPECT_EQ(*std::next(cb), "SPEED 9600");
  // The empty command at the new speed: a bare handshake before ZE.
  EXPECT_EQ(*std::next(cb, 2), "ENQ");
  EXPECT_EQ(*std::next(cb, 3), "ENQ");
  EXPECT_EQ(*std::next(cb, 4), "CMD ZE");
}

TEST_F(CameraTest, SpeedsWithoutClassicConstantCarryATransfer) {
  for (const char* rate : {"14400", "28800"}) {
    Start({"--no-pacing"}, rate);
    EnterFolder("100TEST");
    ASSERT_EQ(link_->FetchFile(nullptr, target_, "ABCD0002.AVI"), LINK_OK) << rate;
    auto events = cam_->Events();
    EXPECT_TRUE(Has(events, std::string("SPEED ") + rate));
    EXPECT_EQ(CountPrefix(events, "NOISE"), 0u) << rate;
  }
}

TEST_F(CameraTest, UnknownSpeedTextIsRefusedBeforeAnythingIsSent) {
  Start({"--no-pacing"}, "12345");
  EnterFolder("100TEST");
  EXPECT_EQ(link_->ListFiles(), LINK_ERR_SETUP);
  EXPECT_EQ(CountPrefix(cam_->Events(), "CMD cb\\x01"), 0u);
  EXPECT_EQ(link_->PortSpeed(), 9600u);
}

TEST_F(CameraTest, LowBatteryIsReported) {
  Start({"--no-pacing", "--battery-low-after", "1"});
  ASSERT_EQ(link_->Connect(), LINK_OK);
  EXPECT_EQ(link_->CheckBattery(), LINK_OK);
  EXPECT_EQ(link_->CheckBattery(), LINK_ERR_BATTERY);
}

TEST_F(CameraTest, SilentCameraTimesOutAndFolderCommandsNeedAConnection) {
  Start({"--no-pacing", "--silent"});
  EXPECT_EQ(link_->Connect(), LINK_ERR_TIMEOUT);
  EXPECT_FALSE(link_->Ready());
  for (LinkResult r : {link_->GoToRoot(), link_->GoUp(), link_->ChangeFolder("DCIM"), link_->ListFolders(),
                       link_->ListFiles()})
    EXPECT_EQ(r, LINK_ERR_NOT_READY);
}

TEST_F(CameraTest, WorkerThreadConnectsAndHandsTheLinkBack) {
  Start({"--no-pacing"});
  std::atomic<LinkResult> workerResult{-1};
  std::thread worker([&] {
    LinkResult r = link_->Connect();
    if (r == LINK_OK) r = link_->CheckBattery();
    if (r == LINK_OK) r = link_->GoToRoot();
    if (r == LINK_OK) r = link_->ChangeFolder("DCIM");
    if (r == LINK_OK) r = link_->ListFolders();
    workerResult = r;
  });
  worker.join();
  ASSERT_EQ(workerResult.load(), LINK_OK);
  ASSERT_EQ(link_->FolderList().size(), 3u);
  ASSERT_EQ(link_->ChangeFolder(link_->FolderList()[1]), LINK_OK);
  ASSERT_EQ(link_->ListFiles(), LINK_OK);
  EXPECT_EQ(link_->FileList(), (std::vector<std::string>{"EFGH0005.JPG"}));
  EXPECT_EQ(link_->Disconnect(), LINK_OK);
}

TEST_F(CameraTest, CancelFlagFromAnotherThreadStopsAListing) {
  Start({"--no-pacing"});
  EnterFolder("100TEST");
  std::atomic<bool> cancel{true};
  link_->SetCancelFlag(&cancel);
  LinkTimings t = FastTimings();
  t.cancelGraceMs = 50;
  link_->SetTimings(t);
  EXPECT_EQ(link_->ListFiles(), LINK_ERR_CANCELLED);
  EXPECT_TRUE(cam_->WaitFor("QR")) << Joined(cam_->Events());
  EXPECT_TRUE(Has(cam_->Events(), "CAN")) << Joined(cam_->Events());
}

TEST_F(CameraTest, PacedLineCarriesAFileAtItsSpeed) {
  Start({}, "115200");
  EnterFolder("101TEST");
  ASSERT_EQ(link_->FetchFile(nullptr, target_, "EFGH0005.JPG"), LINK_OK);
  EXPECT_EQ(test::ReadFile(target_ / "EFGH0005.JPG"), Pattern(20000));
  EXPECT_EQ(CountPrefix(cam_->Events(), "NOISE"), 0u) << Joined(cam_->Events());
}

}  // namespace
}  // namespace orrivan
