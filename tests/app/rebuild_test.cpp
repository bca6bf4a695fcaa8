// The rebuild around the path repair: what it writes when every path is repaired, and that a path
// naming no library root stops it before any save or page.
#include "app/rebuild.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/settings.h"
#include "html/template_repair.h"
#include "library/album_document.h"
#include "support/fake_interaction.h"
#include "app/app_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;
using test::ReadFile;
using test::WriteFile;

class Rebuild : public test::AppLibrary {
 protected:
  FakeInteraction ui_;
};

TEST_F(Rebuild, PathNamingNoRootStopsBeforeAnySaveOrPage) {
  AlbumContents contents;
  MakeDay(contents, root_, "20070315", {"A.JPG"});
  contents.pictures.push_back(Picture("/somewhere/else/B.JPG", "20070315130000"));
  WriteFile(Working(), WriteAlbumBytes(contents));
  const std::string before = ReadFile(Working());
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_TRUE(album.OnOpenDocument(Working()));
  RebuildOptions options;
  options.save = true;
  const RebuildReport report = RebuildLibrary(ui_, album, options);
  EXPECT_FALSE(report.repaired);
  EXPECT_FALSE(report.saved);
  EXPECT_EQ(ReadFile(Working()), before);
  EXPECT_FALSE(fs::exists(home_ / "HTML"));
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
  // The progress window was shown and closed again.
  ASSERT_EQ(ui_.progress.size(), 1u);
  EXPECT_TRUE(ui_.progress[0].closed);
}

TEST_F(Rebuild, EveryDayGetsItsRowsAndPageAgain) {
  if (test::BuiltTemplatesPlugin().empty()) GTEST_SKIP() << "the templates plug-in is not built in this tree";
  ASSERT_TRUE(RepairTemplateChoice());
  AlbumContents contents;
  MakeDay(contents, root_, "20070315", {"A.JPG"}, "one");
  MakeDay(contents, root_, "20070316", {"B.JPG"}, "two");
  MakeDay(contents, root_, "20080101", {"C.JPG"}, "three");
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_EQ(album.Load(WriteAlbumBytes(contents)), AlbumError::None);
  const RebuildReport report = RebuildLibrary(ui_, album, RebuildOptions{});
  EXPECT_TRUE(report.Ok());
  EXPECT_EQ(report.dayPagesWritten, 3);
  EXPECT_FALSE(report.saved);
  for (const char* day : {"20070315", "20070316", "20080101"}) EXPECT_TRUE(fs::exists(root_ / day / "INDEX.HTM")) << day;
  // Rows are removed before they are written again: a second rebuild lists each day once.
  ASSERT_TRUE(RebuildLibrary(ui_, album, RebuildOptions{}).Ok());
  const std::string march = ReadFile(home_ / "HTML" / "2007" / "mar.htm");
  size_t rows = 0;
  for (size_t at = 0; (at = march.find("20070315/INDEX.HTM", at)) != std::string::npos; ++at) ++rows;
  size_t rowsAfterOne = rows;
  EXPECT_GT(rowsAfterOne, 0u);
  ASSERT_TRUE(RebuildLibrary(ui_, album, RebuildOptions{}).Ok());
  const std::string again = ReadFile(home_ / "HTML" / "2007" / "mar.htm");
  EXPECT_EQ(again, march);
  EXPECT_TRUE(fs::exists(home_ / "HTML" / "2008" / "Jan2.htm"));
}

TEST_F(Rebuild, WithoutATemplatePlugInDayPagesCountAsFailed) {
  SetPluginFoldersForTesting({home_ / "Plugins"});
  RepairTemplateChoice();
  AlbumContents contents;
  MakeDay(contents, root_, "20070315", {"A.JPG"});
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_EQ(album.Load(WriteAlbumBytes(contents)), AlbumError::None);
  const RebuildReport report = RebuildLibrary(ui_, album, RebuildOptions{});
  EXPECT_TRUE(report.repaired);
  EXPECT_TRUE(report.listPages);
  EXPECT_EQ(report.dayPagesFailed, 1);
  EXPECT_FALSE(report.Ok());
}

}  // namespace
}  // namespace orrivan
