// The album session: one writer per home folder, the import flag for an import's whole session, and
// the exit rotation exactly when the session saved.
#include "app/album_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/import_run.h"
#include "app/startup.h"
#include "import/detection.h"
#include "support/fake_interaction.h"
#include "app/app_fixture.h"

namespace orrivan::test {
namespace {

namespace fs = std::filesystem;

class Session : public AppLibrary {
 protected:
  FakeInteraction ui_;
};

TEST_F(Session, SecondSessionOfOneHomeIsTurnedAwayWithoutTheImportFlag) {
  AlbumSession first;
  ASSERT_TRUE(first.Locked());
  AlbumSession second(true);
  EXPECT_FALSE(second.Locked());
  EXPECT_EQ(g_importInProgress.load(), 0);
}

TEST_F(Session, ImportFlagAndLockLastAsLongAsTheSession) {
  {
    AlbumSession session(true);
    ASSERT_TRUE(session.Locked());
    EXPECT_EQ(g_importInProgress.load(), 1);
    ASSERT_TRUE(session.Start(ui_));
  }
  EXPECT_EQ(g_importInProgress.load(), 0);
  const AlbumSession plain;
  EXPECT_TRUE(plain.Locked());  // the ended session let the home folder go
  EXPECT_EQ(g_importInProgress.load(), 0);
}

TEST_F(Session, EndRotatesOnlyAfterASave) {
  for (const bool save : {false, true}) {
    SCOPED_TRACE(save);
    fs::remove(Generation(1));
    fs::remove(LibraryCopy());
    {
      AlbumSession session;
      ASSERT_TRUE(session.Start(ui_));
      if (save) ASSERT_TRUE(SaveAlbum(session.Album(), ui_));
      fs::remove(LibraryCopy());  // what the save refreshed; the rotation copies it again
    }
    EXPECT_EQ(fs::exists(Generation(1)), save);
    EXPECT_EQ(fs::exists(LibraryCopy()), save);
    if (save) EXPECT_EQ(ReadFile(Generation(1)), ReadFile(Working()));
  }
}

}  // namespace
}  // namespace orrivan::test
