// The link's parts that need no camera: port names and errors, deadlines and speeds on a bare
// pseudo-terminal, checksums and speed codes, listing filters, messages and settings.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/strings.h"
#include "camera/camera_link.h"
#include "camera/camera_protocol.h"
#include "camera/tty_speed.h"
#include "support/fake_interaction.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

using camera::Checksum;

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { settings::UseFile(temp_ / "Orrivan.conf"); }
  void TearDown() override { settings::UseFile({}); }
  test::TempDir temp_{"orrivan-link"};
};

// A bare pseudo-terminal pair: the test plays the camera byte by byte.
struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    slave = ptsname(master);
  }
  ~Pty() { close(master); }
  int master;
  std::string slave;
};

TEST(LinkPortName, ComNamesMapToSerialDevicesAndPathsStay) {
  const std::pair<const char*, const char*> cases[] = {
      {"COM1", "/dev/ttyS0"}, {"COM9", "/dev/ttyS8"},     {"com3", "/dev/ttyS2"},
      {"COM10", "/dev/ttyS9"}, {"/dev/pts/7", "/dev/pts/7"}, {"ttyUSB0", "/dev/ttyUSB0"},
      {"COM0", ""},           {"COM", ""},                {"COMx", ""},
      {"", ""},
  };
  for (const auto& [name, path] : cases) EXPECT_EQ(DevicePathOfPort(name), path) << name;
}

TEST_F(LinkTest, PortThatCannotBeOpenedGives3AndStaysClosed) {
  CCameraLink link;
  for (std::string port : {(temp_ / "no-such-tty").string(), std::string("COM0"), temp_.path().string()}) {
    link.SetPortName(port);
    EXPECT_EQ(link.OpenPort(), LINK_ERR_OPEN) << port;
    EXPECT_FALSE(link.IsOpen());
  }
  uint8_t b = 0;
  EXPECT_EQ(link.WriteBytes(&b, 1), LINK_ERR_NOT_OPEN);
  EXPECT_EQ(link.ReadExact(&b, 1), LINK_ERR_NOT_OPEN);
  EXPECT_EQ(link.Connect(), LINK_ERR_OPEN);
}

TEST_F(LinkTest, PortThatIsNotATtyIsRefusedAsSetUpFailure) {
  test::WriteFile(temp_ / "plain", "x");
  CCameraLink link;
  link.SetPortName((temp_ / "plain").string());
  EXPECT_EQ(link.OpenPort(), LINK_ERR_SETUP);
  EXPECT_FALSE(link.IsOpen());
  link.SetPortName("/dev/null");
  EXPECT_EQ(link.OpenPort(), LINK_ERR_SETUP);
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(LinkTest, OpeningAnOpenPortDoesNothing) {
  Pty pty;
  CCameraLink link;
  link.SetPortName(pty.slave);
  ASSERT_EQ(link.OpenPort(), LINK_OK);
  EXPECT_EQ(link.OpenPort(), LINK_OK);
  EXPECT_TRUE(link.IsOpen());
  // A second link may not share the line.
  CCameraLink other;
  other.SetPortName(pty.slave);
  EXPECT_EQ(other.OpenPort(), LINK_ERR_OPEN);
  link.ClosePort();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(other.OpenPort(), LINK_OK);
}

TEST_F(LinkTest, ShortReadTimesOutAfterDeadlineAndLeavesQueueEmpty) {
  Pty pty;
  CCameraLink link;
  LinkTimings t;
  t.replyTimeoutMs = 300;
  link.SetTimings(t);
  link.SetPortName(pty.slave);
  ASSERT_EQ(link.OpenPort(), LINK_OK);
  ASSERT_EQ(write(pty.master, "abc", 3), 3);
  uint8_t buffer[4];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.ReadExact(buffer, 4), LINK_ERR_TIMEOUT);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(ms, 300 + 4);
  EXPECT_LT(ms, 300 + 4 + 500);
  // Whatever was left is purged: the next read sees only new bytes.
  ASSERT_EQ(write(pty.master, "Z", 1), 1);
  ASSERT_EQ(link.ReadExact(buffer, 1), LINK_OK);
  EXPECT_EQ(buffer[0], 'Z');
  EXPECT_EQ(link.ReadTimeoutFor(1), 300);
  EXPECT_EQ(link.ReadTimeoutFor(1025), t.blockTimeoutMs);
}

// A camera whose end closes in the middle of a block used to leave ReadExact spinning: poll answers
// at once with a hang-up and every read returns nothing. It must fail like a time-out instead.
TEST_F(LinkTest, CameraHangingUpMidBlockFailsTheRead) {
  auto pty = std::make_unique<Pty>();
  CCameraLink link;
  LinkTimings t;
  t.replyTimeoutMs = 60000;  // the hang-up, not the deadline, must end the read
  link.SetTimings(t);
  link.SetPortName(pty->slave);
  ASSERT_EQ(link.OpenPort(), LINK_OK);
  ASSERT_EQ(write(pty->master, "abc", 3), 3);
  std::thread hangUp([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pty.reset();
  });
  uint8_t buffer[8];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.ReadExact(buffer, sizeof buffer), LINK_ERR_TIMEOUT);
  hangUp.join();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(ms, 30000) << "the read waited for its deadline instead of noticing the hang-up";
}

TEST_F(LinkTest, SingleByteReadsAfterTheFirstBlockUseTheShortTimeout) {
  Pty pty;
  CCameraLink link;
  LinkTimings t;  // replyTimeoutMs stays 3800
  t.blockTimeoutMs = 100;
  t.blockRetryDelayMs = 0;
  link.SetTimings(t);
  link.SetPortName(pty.slave);
  ASSERT_EQ(link.OpenPort(), LINK_OK);
  const uint8_t data[] = {'a', 'b', 'c'};
  uint8_t sum = Checksum(data, static_cast<uint8_t>(0x00 + 0x03 + camera::kEtb));
  const uint8_t frame[] = {camera::kStx, 0x00, 0x03, 'a', 'b', 'c', camera::kEtb, sum};
  ASSERT_EQ(write(pty.master, frame, sizeof frame), static_cast<ssize_t>(sizeof frame));
  std::vector<uint8_t> block(camera::kMaxBlockData);
  size_t length = 0;
  ASSERT_EQ(link.ReadBlock(block.data(), length), LINK_OK);
  ASSERT_EQ(length, 3u);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 3), "abc");
  uint8_t answer = 0;
  ASSERT_EQ(read(pty.master, &answer, 1), 1);
  EXPECT_EQ(answer, camera::kAck);
  // Nothing more comes: four attempts of 100 + 1 ms each, not of 3800 + 1 ms.
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.ReadBlock(block.data(), length), LINK_ERR_TIMEOUT);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(ms, 4 * 101);
  EXPECT_LT(ms, 2000);
  EXPECT_EQ(length, 0u);
  // The pseudo-terminal hands bytes over asynchronously: collect for a moment.
  std::string naks;
  for (int i = 0; i < 50 && naks.size() < 5; ++i) {
    pollfd p{pty.master, POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    char buffer[16];
    ssize_t got = read(pty.master, buffer, sizeof buffer);
    if (got > 0) naks.append(buffer, static_cast<size_t>(got));
  }
  EXPECT_EQ(naks, std::string(4, static_cast<char>(camera::kNak)));
}

TEST_F(LinkTest, SpeedsWithoutClassicConstantReachTheDriver) {
  Pty pty;
  CCameraLink link;
  link.SetPortName(pty.slave);
  ASSERT_EQ(link.OpenPort(), LINK_OK);
  int watcher = open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(watcher, 0);
  EXPECT_EQ(camera::GetTtySpeed(watcher), 9600u);
  for (unsigned rate : camera::kSpeedTable) {
    EXPECT_EQ(link.SetPortSpeed(rate), LINK_OK) << rate;
    EXPECT_EQ(camera::GetTtySpeed(watcher), rate);
  }
  close(watcher);
  link.ClosePort();
  EXPECT_EQ(link.SetPortSpeed(9600), LINK_ERR_SETUP);
}

TEST(LinkProtocol, ChecksumIsComplementOfByteSum) {
  const uint8_t su[] = {'S', 'U'};
  EXPECT_EQ(Checksum(su), 0xFF - 0xA8);
  const uint8_t wraps[] = {0xFF, 0xFF, 0x03};
  EXPECT_EQ(Checksum(wraps), 0xFF - 0x01);
  EXPECT_EQ(Checksum({}), 0xFF);
  // A running start gives the same as one pass.
  const uint8_t tail[] = {0x03};
  EXPECT_EQ(Checksum(tail, 0xFE), Checksum(wraps));
}

TEST(LinkProtocol, SpeedCodesOfBothCameraKinds) {
  const std::tuple<const char*, int, int> cases[] = {
      {"2400", 0, 186}, {"9600", 2, 46}, {"14400", 3, 31}, {"19200", 4, 23},
      {"38400", 6, 11}, {"57600", 7, 7}, {"115200", 8, 3},
  };
  for (const auto& [text, index, divisor] : cases) {
    EXPECT_EQ(camera::SpeedIndex(text), index) << text;
    unsigned rate = camera::kSpeedTable[index];
    EXPECT_EQ(camera::SpeedDivisor(rate), divisor) << text;
    EXPECT_EQ(camera::RateOfDivisor(static_cast<uint8_t>(divisor)), rate);
  }
  EXPECT_FALSE(camera::SpeedIndex("12345"));
  EXPECT_FALSE(camera::SpeedIndex(""));
}

// A literal with its embedded NULs, without the terminating one.
template <size_t N>
std::vector<uint8_t> Lit(const char (&s)[N]) {
  return {s, s + N - 1};
}

TEST(LinkListing, FileListingKeepsNumberedPicturesAndMovies) {
  std::vector<std::string> names;
  auto data = Lit("ABCD0001.JPG\0ABCD0002.avi\0ABCD0000.JPG\0ABCD0003.TXT\0\0");
  EXPECT_EQ(ParseListing(data, false, names), LINK_OK);
  EXPECT_EQ(names, (std::vector<std::string>{"ABCD0001.JPG", "ABCD0002.avi"}));
}

TEST(LinkListing, ListingOfTwoNulsIsEmptyForFilesAndAnErrorForFolders) {
  std::vector<std::string> names{"stale"};
  auto data = Lit("\0\0");
  EXPECT_EQ(ParseListing(data, true, names), LINK_ERR_EMPTY_LIST);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ParseListing(data, false, names), LINK_OK);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ParseListing({}, true, names), LINK_ERR_EMPTY_LIST);
  EXPECT_EQ(ParseListing({}, false, names), LINK_OK);
}

TEST(LinkListing, FolderListingKeepsNumberedFolders) {
  std::vector<std::string> names;
  auto data = Lit("100TEST\0MISC\0" "099ABC\0" "999ZZZ\0" "10\0" "10A\0\0");
  EXPECT_EQ(ParseListing(data, true, names), LINK_OK);
  EXPECT_EQ(names, (std::vector<std::string>{"100TEST", "999ZZZ", "10A"}));
}

TEST(LinkListing, NamesThatCouldLeaveTheFolderAreDropped) {
  std::vector<std::string> names;
  auto raw = Lit("../B0001.JPG\0A\\CD0001.JPG\0AB\x01" "D0001.JPG\0AB..0001.JPG\0GOOD0001.JPG\0\0");
  EXPECT_EQ(ParseListing(raw, false, names), LINK_OK);
  EXPECT_EQ(names, (std::vector<std::string>{"GOOD0001.JPG"}));
  for (const char* bad : {"", ".", "..", "a/b", "a\\b", "x\x7f", "\x1b[2J"}) EXPECT_FALSE(IsSafeCameraName(bad)) << bad;
  EXPECT_TRUE(IsSafeCameraName("ABCD0001.JPG"));
}

TEST(LinkListing, ParsingStopsAtTheReceivedLength) {
  std::vector<std::string> names;
  // The last name has no terminator: it is not read past the end, and not taken.
  EXPECT_EQ(ParseListing(Lit("ABCD0001.JPG\0ABCD0002.JPG"), false, names), LINK_OK);
  EXPECT_EQ(names, (std::vector<std::string>{"ABCD0001.JPG"}));
}

TEST(LinkMessages, EachCodeShowsItsTextWithoutIcon) {
  const std::pair<LinkResult, StrId> shown[] = {
      {LINK_ERR_BATTERY, StrId::BatteryLow},         {LINK_ERR_EMPTY_LIST, StrId::SerialFolderEmpty},
      {LINK_ERR_UNSUPPORTED, StrId::CameraNotSupported}, {LINK_ERR_TIMEOUT, StrId::CameraNotResponding},
      {LINK_ERR_FILE, StrId::CameraNotResponding},   {LINK_ERR_NOT_READY, StrId::CameraNotResponding},
  };
  for (const auto& [code, id] : shown) {
    test::FakeInteraction ui;
    ShowLinkError(ui, code);
    ASSERT_EQ(ui.records.size(), 1u) << code;
    EXPECT_EQ(ui.records[0].text, Str(id));
    EXPECT_FALSE(ui.records[0].text.empty());
    EXPECT_EQ(ui.records[0].icon, Icon::None);
  }
  for (LinkResult silent : {LINK_OK, LINK_ERR_CANCELLED}) {
    test::FakeInteraction ui;
    ShowLinkError(ui, silent);
    EXPECT_TRUE(ui.records.empty());
  }
}

TEST_F(LinkTest, SettingsLoadDefaultsAndSaveBothValues) {
  CCameraLink link;
  EXPECT_EQ(link.BaudRateText(), "115200");
  EXPECT_EQ(link.PortName(), "COM1");
  EXPECT_EQ(link.CameraFolder(), "");
  link.SetPortName("COM3");
  link.SetBaudRateText("38400");
  link.SetDirty();
  EXPECT_TRUE(link.SaveSettings());
  EXPECT_FALSE(link.Dirty());
  link.SetCameraFolder("101TEST", true);
  CCameraLink again;
  EXPECT_EQ(again.BaudRateText(), "38400");
  EXPECT_EQ(again.PortName(), "COM3");
  EXPECT_EQ(again.CameraFolder(), "101TEST");
}

TEST_F(LinkTest, FailedSettingsTestPutsTheConfirmedValuesBack) {
  CCameraLink link;
  test::FakeInteraction ui;
  EXPECT_EQ(TestLinkSettings(link, ui, (temp_ / "missing").string(), "57600"), LINK_ERR_OPEN);
  EXPECT_EQ(link.PortName(), "COM1");
  EXPECT_EQ(link.BaudRateText(), "115200");
  ASSERT_EQ(ui.records.size(), 1u);
  EXPECT_EQ(ui.records[0].text, Str(StrId::CameraNotResponding));
  EXPECT_EQ(ui.records[0].icon, Icon::Stop);
}

}  // namespace
}  // namespace orrivan
