// A shortcut library end to end: imported from folders (one on /dev/shm, another file system, one of
// whose originals is then gone), erased again: the links and the folder go to the Trash, every
// original stays where it was.
#include <unistd.h>

#include <gtest/gtest.h>

#include "import/other_import.h"
#include "maintenance/erase.h"
#include "maintenance/maintenance_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class ShortcutErase : public test::MaintenanceFixture {};

TEST_F(ShortcutErase, ErasingAShortcutLibraryTrashesTheLinksAndKeepsEveryOriginal) {
  char name[] = "/dev/shm/orrivan-shortcut-XXXXXX";
  ASSERT_NE(::mkdtemp(name), nullptr);
  const fs::path shm = name;
  const fs::path local = dir_ / "archive";
  Picture(shm / "far.JPG", "2007:03:15 10:00:00", 1);
  Picture(shm / "gone.JPG", "2007:03:15 11:00:00", 2);
  Picture(local / "near.JPG", "2007:03:15 12:00:00", 3);

  ImportOptions options;
  options.openBrowser = false;
  options.transferMode = kTransferShortcut;
  FakeInteraction importUi;
  COtherImport engine(*album_, importUi, options);
  ASSERT_EQ(engine.Run({shm, local}), ImportResult::Done);
  const fs::path day = library_ / "20070315";
  for (const char* link : {"far.JPG.lnk", "gone.JPG.lnk", "near.JPG.lnk"}) ASSERT_TRUE(fs::is_symlink(day / link)) << link;
  fs::remove(shm / "gone.JPG");
  const auto farBytes = test::ReadFile(shm / "far.JPG"), nearBytes = test::ReadFile(local / "near.JPG");

  FakeInteraction ui;
  ui.confirms = {true};
  ui.eraseAnswers = {EraseAnswer::Yes};
  const auto report = EraseLibraries(*album_, ui, {Folder("20070315")});
  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_EQ(report.erasedNames, std::vector<std::string>{"20070315"});
  EXPECT_TRUE(report.foldersStayed.empty());
  EXPECT_FALSE(fs::exists(fs::symlink_status(day)));
  EXPECT_EQ(test::ReadFile(shm / "far.JPG"), farBytes);
  EXPECT_EQ(test::ReadFile(local / "near.JPG"), nearBytes);
  const auto trashed = TrashedNames();
  for (const char* link : {"far.JPG.lnk", "gone.JPG.lnk", "near.JPG.lnk"}) EXPECT_TRUE(trashed.count(link)) << link;
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "xdg" / "Trash" / "files" / "far.JPG.lnk"));
  std::error_code ec;
  fs::remove_all(shm, ec);
}

}  // namespace
}  // namespace orrivan
