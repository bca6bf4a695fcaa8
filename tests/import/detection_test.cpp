// Card detection: volume screening, the root scan, the sorted source list and the confirmation and
// choice steps with their texts.
#include "import/detection.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/settings.h"
#include "base/strings.h"
#include "support/fake_interaction.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

TEST(CardVolumes, OnlyLocalDiskVolumesThatMayBeCardsAreCandidates) {
  struct Case {
    MountedVolume volume;
    bool candidate;
  };
  const Case cases[] = {
      {{"/media/user/CARD", "vfat", "/dev/null-not-a-disk", 1 << 20, true}, true},
      {{"/run/media/user/EOS_DIGITAL", "exfat", "", 1 << 20, true}, true},
      {{"/mnt/sd", "ext4", "", 1 << 20, true}, true},
      {{"/mnt", "ext4", "", 1 << 20, true}, false},              // the mount folder itself
      {{"/media/user/CARD", "vfat", "", 0, true}, false},         // no media
      {{"/media/user/CARD", "vfat", "", 1 << 20, false}, false},  // not ready
      {{"/media/user/DVD", "iso9660", "", 1 << 20, true}, false},
      {{"/mnt/share", "nfs4", "srv:/x", 1 << 20, true}, false},
      {{"/mnt/share", "cifs", "//srv/x", 1 << 20, true}, false},
      {{"/media/ram", "tmpfs", "tmpfs", 1 << 20, true}, false},
      {{"/media/remote", "fuse.sshfs", "u@h:", 1 << 20, true}, false},
      {{"/", "ext4", "/dev/does-not-exist", 1 << 30, true}, false},  // a fixed disk elsewhere
      {{"/proc", "proc", "proc", 1, true}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsCandidateVolume(c.volume), c.candidate) << c.volume.root << " " << c.volume.fileSystemType;
}

class VolumesFromEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("ORRIVAN_VOLUMES");
    had_ = old != nullptr;
    if (had_) old_ = old;
    settings::UseFile(dir_ / "Orrivan.conf");
  }
  void TearDown() override {
    if (had_) {
      ::setenv("ORRIVAN_VOLUMES", old_.c_str(), 1);
    } else {
      ::unsetenv("ORRIVAN_VOLUMES");
    }
    settings::UseFile({});
  }
  void Volumes(const std::string& list) { ::setenv("ORRIVAN_VOLUMES", list.c_str(), 1); }

  test::TempDir dir_{"orrivan-detect"};
  bool had_ = false;
  std::string old_;
  FakeInteraction ui_;
};

TEST_F(VolumesFromEnvironment, ReplaceTheScanAndSkipMissingFolders) {
  fs::create_directories(dir_ / "d");
  fs::create_directories(dir_ / "e");
  Volumes((dir_ / "e").string() + ":" + (dir_ / "missing").string() + "::" + (dir_ / "d").string());
  CDriveList drives;
  ASSERT_TRUE(ScanDrives(drives));
  EXPECT_EQ(drives, (CDriveList{dir_ / "e", dir_ / "d"}));
  Volumes((dir_ / "missing").string());
  EXPECT_FALSE(ScanDrives(drives));
  EXPECT_TRUE(drives.empty());
}

TEST_F(VolumesFromEnvironment, RootScanFindsDcimInAnyCaseAndIndexFolders) {
  fs::create_directories(dir_ / "e" / "dcim" / "100TEST");
  test::WriteFile(dir_ / "e" / "OLDCAM" / "rkcam.rks", "");
  fs::create_directories(dir_ / "e" / "MUSIC");
  test::WriteFile(dir_ / "e" / "DCIM.TXT", "");  // a file, not a folder
  test::WriteFile(dir_ / "e" / "NOTES" / "RKCAM.RKS" / "x", "");  // a folder of that name is no index file
  CImportSourceList list;
  ASSERT_TRUE(list.ScanRootForSources(dir_ / "e"));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), dir_ / "e" / "dcim");
  EXPECT_EQ(list.Get(1), dir_ / "e" / "OLDCAM");
  EXPECT_EQ(list.Shown(0), UpperAscii((dir_ / "e" / "dcim").string()));
  EXPECT_EQ(list.Get(2), fs::path());
  EXPECT_EQ(list.Remove(5), 0);
  EXPECT_EQ(list.Remove(-1), 0);
  EXPECT_EQ(list.Remove(0), 1);
  EXPECT_EQ(list.Count(), 1);
  // A root that cannot be listed adds nothing, but the list as a whole still counts.
  EXPECT_TRUE(list.ScanRootForSources(dir_ / "missing"));
}

TEST(ImportSourceList, StaysSortedIgnoringCase) {
  CImportSourceList list;
  for (const char* p : {"/media/e/DCIM", "/media/D/dcim", "/media/c/DCIM", "/media/d/DCIM"}) list.Append(p);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0), fs::path("/media/c/DCIM"));
  EXPECT_EQ(list.Get(1), fs::path("/media/D/dcim"));  // equal ignoring case: the earlier stays first
  EXPECT_EQ(list.Get(2), fs::path("/media/d/DCIM"));
  EXPECT_EQ(list.Get(3), fs::path("/media/e/DCIM"));
}

TEST_F(VolumesFromEnvironment, NoVolumeEndsQuietly) {
  Volumes((dir_ / "missing").string());
  EXPECT_EQ(DetectCardSources(ui_).outcome, DetectOutcome::NoDrive);
  EXPECT_TRUE(ui_.records.empty());
}

TEST_F(VolumesFromEnvironment, VolumesWithoutPicturesSaySo) {
  fs::create_directories(dir_ / "d" / "MUSIC");
  Volumes((dir_ / "d").string());
  EXPECT_EQ(DetectCardSources(ui_).outcome, DetectOutcome::NoSource);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::NoImportableImages)});
}

TEST_F(VolumesFromEnvironment, OneSourceIsConfirmedAndTaken) {
  fs::create_directories(dir_ / "d" / "DCIM");
  Volumes((dir_ / "d").string());
  ui_.confirms.push_back(true);
  const DetectResult result = DetectCardSources(ui_);
  EXPECT_EQ(result.outcome, DetectOutcome::Sources);
  EXPECT_EQ(result.sources, std::vector<fs::path>{dir_ / "d" / "DCIM"});
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Confirm), std::vector<std::string>{Str(StrId::CardFoundImport)});
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::ChooseSources), 0u);

  ui_.confirms.push_back(false);
  EXPECT_EQ(DetectCardSources(ui_).outcome, DetectOutcome::Cancelled);
}

TEST_F(VolumesFromEnvironment, WithShowDialogOffOneSourceStartsWithoutAnyDialog) {
  fs::create_directories(dir_ / "d" / "DCIM");
  Volumes((dir_ / "d").string());
  settings::SetInt(settings::Key::ShowDialog, 1);
  EXPECT_EQ(DetectCardSources(ui_).outcome, DetectOutcome::Sources);
  EXPECT_TRUE(ui_.records.empty());
}

TEST_F(VolumesFromEnvironment, SeveralSourcesAreChosenInTheUsersOrder) {
  fs::create_directories(dir_ / "e" / "DCIM");
  fs::create_directories(dir_ / "d" / "dcim");
  Volumes((dir_ / "e").string() + ":" + (dir_ / "d").string());
  ui_.confirms.push_back(true);
  ui_.sourceSelections.push_back({1, 0});
  const DetectResult result = DetectCardSources(ui_);
  ASSERT_EQ(ui_.offeredSources.size(), 1u);
  ASSERT_EQ(ui_.offeredSources[0].size(), 2u);
  // Offered sorted, shown upper-cased, the real path behind each.
  EXPECT_EQ(ui_.offeredSources[0][0].path, dir_ / "d" / "dcim");
  EXPECT_EQ(ui_.offeredSources[0][0].shown, UpperAscii((dir_ / "d" / "dcim").string()));
  EXPECT_EQ(result.sources, (std::vector<fs::path>{dir_ / "e" / "DCIM", dir_ / "d" / "dcim"}));

  ui_.confirms.push_back(true);
  ui_.sourceSelections.push_back({});
  EXPECT_EQ(DetectCardSources(ui_).outcome, DetectOutcome::Cancelled);
}

TEST_F(VolumesFromEnvironment, AutomaticImportUsesItsOwnConfirmationAndIsQuietWhenNothingIsThere) {
  fs::create_directories(dir_ / "d" / "DCIM");
  ui_.confirms.push_back(true);
  EXPECT_EQ(DetectAutoSources(ui_, dir_ / "d").outcome, DetectOutcome::Sources);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Confirm), std::vector<std::string>{Str(StrId::CardFoundAutoImport)});
  ui_.confirms.push_back(true);
  EXPECT_EQ(DetectAutoSources(ui_, dir_ / "empty").outcome, DetectOutcome::NoSource);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
  ui_.confirms.push_back(false);  // asked before the volume is looked at
  EXPECT_EQ(DetectAutoSources(ui_, dir_ / "d").outcome, DetectOutcome::Cancelled);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Confirm), 3u);
}

TEST(ImportInProgress, FlagIsSetForTheGuardsLifetime) {
  EXPECT_EQ(g_importInProgress.load(), 0);
  {
    ImportInProgressGuard guard;
    EXPECT_EQ(g_importInProgress.load(), 1);
  }
  EXPECT_EQ(g_importInProgress.load(), 0);
}

}  // namespace
}  // namespace orrivan
