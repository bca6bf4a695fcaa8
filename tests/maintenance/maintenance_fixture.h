// Libraries for the maintenance tests, made by the real import engine from a card of camera-like
// pictures, in a home folder with its own settings, Trash and template plug-in.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "html/template_repair.h"
#include "import/import_engine.h"
#include "import/import_fixture.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "support/home_fixture.h"
#include "support/link_check.h"

namespace orrivan::test {

class MaintenanceFixture : public ImportFixture {
 protected:
  void SetUp() override {
    ImportFixture::SetUp();
    UseTestPluginFolders(home_);
    RepairTemplateChoice();
    album_ = std::make_unique<CRKCardAlbumDoc>(home_);
    album_->SetGenerationRotation(false);
  }
  void TearDown() override {
    album_.reset();
    SetPluginFoldersForTesting({});
    ImportFixture::TearDown();
  }

  // Imports the card's pictures into the album (and the library, pages, album file). The card is
  // emptied afterwards, so the next import takes only what is put on it next.
  void ImportCard(int mode = kTransferCopy) {
    ImportOptions options;
    options.openBrowser = false;
    options.transferMode = mode;
    FakeInteraction ui;
    CImportEngine engine(*album_, ui, options);
    ASSERT_EQ(engine.Run({dcim_}), ImportResult::Done);
    std::error_code ec;
    if (mode != kTransferShortcut) std::filesystem::remove_all(card_, ec);
  }

  // A picture on the card, taken on that day at that hour.
  std::filesystem::path Shot(const std::string& file, const std::string& day, int hour = 10, std::uint32_t seed = 1) {
    const std::string stamp = day.substr(0, 4) + ":" + day.substr(4, 2) + ":" + day.substr(6, 2) + " " +
                              (hour < 10 ? "0" : "") + std::to_string(hour) + ":00:00";
    return Picture(dcim_ / "100TEST" / file, stamp, seed);
  }

  std::string Folder(const std::string& name) const { return layout::ToStoredPath(library_ / name); }

  std::set<std::string> DayNames() const {
    std::set<std::string> names;
    for (const CAlbumData& day : album_->Days()) names.insert(layout::LastComponent(day.folderPath));
    return names;
  }

  // The album as the working album file holds it.
  std::set<std::string> SavedDayNames() const {
    CRKCardAlbumDoc saved(home_);
    saved.SetGenerationRotation(false);
    EXPECT_TRUE(saved.OnOpenDocument(layout::WorkingAlbumPath()));
    std::set<std::string> names;
    for (const CAlbumData& day : saved.Days()) names.insert(layout::LastComponent(day.folderPath));
    return names;
  }

  // Every page below a folder whose bytes mention text.
  static std::vector<std::string> PagesMentioning(const std::filesystem::path& folder, const std::string& text) {
    std::vector<std::string> pages;
    for (const auto& [relative, bytes] : TreeOf(folder))
      if ((relative.ends_with(".htm") || relative.ends_with(".HTM")) && bytes.find(text) != std::string::npos)
        pages.push_back(relative);
    return pages;
  }

  // Names of the files in the Trash, and whether each has its .trashinfo.
  std::set<std::string> TrashedNames() const {
    std::set<std::string> names;
    const auto trash = dir_.path() / "xdg" / "Trash";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(trash / "files", ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      EXPECT_TRUE(std::filesystem::exists(trash / "info" / (name + ".trashinfo"))) << name;
      names.insert(name);
    }
    return names;
  }

  static ino_t Inode(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  }

  void ExpectNoBrokenLinks(const std::filesystem::path& folder) {
    const auto broken = CheckLinksUnder(folder);
    EXPECT_TRUE(broken.empty()) << Describe(broken);
    EXPECT_GT(LastCheckedLinkCount(), 0u);
  }

  bool HavePlugin() const { return !BuiltTemplatesPlugin().empty(); }

  std::unique_ptr<CRKCardAlbumDoc> album_;
};

}  // namespace orrivan::test
