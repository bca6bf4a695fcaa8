// The maintenance views' library list without a window: the model's columns and texts, sorting by a
// heading (persistent rows follow, nothing moves while a run is busy), the column widths and the
// preview state kept in the settings, and the sample picture of the selected library.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QItemSelectionModel>

#include "base/settings.h"
#include "gui/form_view.h"
#include "gui/library_list_model.h"
#include "gui/library_list_panel.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "support/home_fixture.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

using gui::LibraryListModel;
using gui::LibraryListPanel;
using settings::Key;

class LibraryListModelTest : public test::HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    album_.SetGenerationRotation(false);
    Add("20070316", "beta", 12);
    Add("20070315", "Alpha", 3);
    Add("990101", "gamma", 7);
    Add("20070401_01", "", 1, "ﾀｲﾌﾟ２,ﾌﾞﾙｰ");
  }
  void Add(const std::string& name, const std::string& title, int count, const std::string& templ = "タイプ１,ｸﾞﾘｰﾝ") {
    CAlbumData day;
    day.folderPath = layout::ToStoredPath(root_ / name);
    day.pagePath = day.folderPath + "/INDEX.HTM";
    day.title = title;
    day.pictureCount = count;
    day.templateName = templ;
    album_.AddDay(day);
  }
  static std::vector<std::string> Column(const LibraryListModel& model, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < model.rowCount(); ++row)
      texts.push_back(model.data(model.index(row, column)).toString().toStdString());
    return texts;
  }
  CRKCardAlbumDoc album_;
  const std::vector<std::string> kAlbumOrder{"2007/03/15", "2007/03/16", "2007/04/01 _01", "1999/01/01"};
};

TEST_F(LibraryListModelTest, FiveColumnsWithTheirHeadingsAlignmentAndTexts) {
  LibraryListModel model;
  model.Load(album_);
  ASSERT_EQ(model.columnCount(), 5);
  ASSERT_EQ(model.rowCount(), 4);
  std::vector<std::string> headings;
  for (int c = 0; c < 5; ++c) headings.push_back(model.headerData(c, Qt::Horizontal).toString().toStdString());
  EXPECT_EQ(headings, (std::vector<std::string>{"年月日", "ﾀｲﾄﾙ", "画像枚数", "ﾃﾝﾌﾟﾚｰﾄ", "場所"}));
  EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
  EXPECT_TRUE(model.data(model.index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
  EXPECT_TRUE(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
  // Album order (by folder name), the display date, the template's title part, the folder path.
  EXPECT_EQ(Column(model, 0), kAlbumOrder);
  EXPECT_EQ(Column(model, 2), (std::vector<std::string>{"3", "12", "1", "7"}));
  EXPECT_EQ(Column(model, 3), (std::vector<std::string>{"タイプ１", "タイプ１", "ﾀｲﾌﾟ２", "タイプ１"}));
  EXPECT_EQ(model.data(model.index(0, 4)).toString().toStdString(), layout::ToStoredPath(root_ / "20070315"));
  EXPECT_EQ(model.CounterText().toStdString(), "4件");
  EXPECT_EQ(model.RowOfFolder(layout::ToStoredPath(root_ / "20070316")), 1);
  EXPECT_EQ(model.RowOfFolder("/nowhere"), -1);
  EXPECT_FALSE(model.data(model.index(9, 0)).isValid());
}

TEST_F(LibraryListModelTest, HeadingsSortIgnoringCaseTurningRoundAndSelectedRowsFollow) {
  LibraryListPanel panel(std::nullopt, nullptr);
  panel.Reload(album_, {layout::ToStoredPath(root_ / "20070316")});
  const LibraryListModel& model = *panel.Model();
  QHeaderView* header = panel.Table()->horizontalHeader();

  emit header->sectionClicked(1);  // "", Alpha, beta, gamma
  EXPECT_EQ(Column(model, 1), (std::vector<std::string>{"", "Alpha", "beta", "gamma"}));
  EXPECT_EQ(header->sortIndicatorSection(), 1);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  // The selection is a row, not a place in the list.
  EXPECT_EQ(panel.SelectedFolders(), std::vector<std::string>{layout::ToStoredPath(root_ / "20070316")});
  EXPECT_EQ(panel.CurrentRow(), 2);

  emit header->sectionClicked(1);
  EXPECT_EQ(Column(model, 1), (std::vector<std::string>{"gamma", "beta", "Alpha", ""}));
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(panel.CurrentRow(), 1);

  emit header->sectionClicked(3);  // another heading starts ascending; equal texts keep their order
  EXPECT_EQ(Column(model, 3), (std::vector<std::string>{"タイプ１", "タイプ１", "タイプ１", "ﾀｲﾌﾟ２"}));
  EXPECT_EQ(Column(model, 1), (std::vector<std::string>{"gamma", "beta", "Alpha", ""}));
  emit header->sectionClicked(0);
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"1999/01/01", "2007/03/15", "2007/03/16", "2007/04/01 _01"}));
  emit header->sectionClicked(4);
  emit header->sectionClicked(4);
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"1999/01/01", "2007/04/01 _01", "2007/03/16", "2007/03/15"}));

  // While a run is busy a click changes nothing.
  {
    gui::BusyGuard busy;
    emit header->sectionClicked(1);
  }
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"1999/01/01", "2007/04/01 _01", "2007/03/16", "2007/03/15"}));
  EXPECT_EQ(panel.SelectedFolders(), std::vector<std::string>{layout::ToStoredPath(root_ / "20070316")});
  // A reload is the album's order again.
  panel.Reload(album_);
  EXPECT_EQ(Column(model, 0), kAlbumOrder);
  EXPECT_TRUE(panel.SelectedFolders().empty());
}

TEST_F(LibraryListModelTest, SelectedFoldersComeInListOrder) {
  LibraryListPanel panel(std::nullopt, nullptr);
  panel.Reload(album_, {layout::ToStoredPath(root_ / "20070401_01"), layout::ToStoredPath(root_ / "990101")});
  EXPECT_EQ(panel.SelectedFolders(),
            (std::vector<std::string>{layout::ToStoredPath(root_ / "20070401_01"), layout::ToStoredPath(root_ / "990101")}));
  // Several rows selected: no single current row to edit.
  panel.Table()->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  EXPECT_EQ(panel.CurrentRow(), -1);
}

TEST_F(LibraryListModelTest, WidthsComeFromTheSettingsAndGoBackWhenTheListGoes) {
  {
    LibraryListPanel panel(Key::PreviewPicMove, nullptr);
    EXPECT_EQ(panel.ColumnWidths(), (std::array<int, 5>{98, 112, 62, 65, 150}));
    panel.Table()->horizontalHeader()->resizeSection(1, 240);
    panel.Table()->horizontalHeader()->resizeSection(4, 300);
    EXPECT_FALSE(panel.PreviewBox()->isChecked());
    panel.PreviewBox()->setChecked(true);
  }
  EXPECT_EQ(settings::GetInt(Key::Column1), 240);
  EXPECT_EQ(settings::GetInt(Key::Column4), 300);
  EXPECT_EQ(settings::GetInt(Key::Column0), 98);
  EXPECT_EQ(settings::GetInt(Key::PreviewPicMove), 1);
  EXPECT_EQ(settings::GetInt(Key::PreviewPicCopy), 0);
  // The file holds them under their own names.
  const std::string file = test::ReadFile(settings::File());
  EXPECT_NE(file.find("[WinPositon]"), std::string::npos) << file;
  EXPECT_NE(file.find("column1=240"), std::string::npos) << file;
  EXPECT_NE(file.find("PreviewPicMove=1"), std::string::npos) << file;

  LibraryListPanel again(Key::PreviewPicMove, nullptr);
  EXPECT_EQ(again.ColumnWidths()[1], 240);
  EXPECT_EQ(again.ColumnWidths()[4], 300);
  EXPECT_TRUE(again.PreviewBox()->isChecked());
  // The view without a preview setting has no check box.
  LibraryListPanel none(std::nullopt, nullptr);
  EXPECT_TRUE(none.PreviewBox()->isHidden());
}

TEST_F(LibraryListModelTest, ThePreviewShowsTheSelectedLibrarysSamplePicture) {
  const std::filesystem::path day = root_ / "20070316";
  for (const char* name : {"ABCD0001.JPG", "ABCD0002.JPG"}) {
    CPhotoData picture;
    picture.filePath = layout::ToStoredPath(day / name);
    picture.year = "2007";
    picture.month = "03";
    picture.day = "16";
    picture.hour = "10";
    picture.minute = name[7] == '1' ? "00" : "05";
    picture.second = "00";
    album_.AddPicture(picture);
  }
  test::JpegSpec picture;
  picture.width = 320;
  picture.height = 240;
  test::WriteJpeg(day / "PREVIEW" / "ABCD0001.JPG", picture);
  test::WriteJpeg(day / "PREVIEW" / "ABCD0002.JPG", picture);

  LibraryListPanel panel(Key::PreviewPicEdit, nullptr);
  panel.PreviewBox()->setChecked(true);
  panel.Reload(album_, {layout::ToStoredPath(day)});
  EXPECT_EQ(panel.PreviewFile().toStdString(), (day / "PREVIEW" / "ABCD0001.JPG").string());
  ASSERT_FALSE(panel.Preview()->pixmap().isNull());
  EXPECT_LE(panel.Preview()->pixmap().width(), panel.Preview()->width());

  // Off: nothing is read or shown.
  panel.PreviewBox()->setChecked(false);
  EXPECT_TRUE(panel.PreviewFile().isEmpty());
  EXPECT_TRUE(panel.Preview()->isHidden());
  // A library without a preview on disk shows an empty frame.
  panel.PreviewBox()->setChecked(true);
  panel.SelectFolders({layout::ToStoredPath(root_ / "990101")});
  EXPECT_TRUE(panel.PreviewFile().isEmpty());
  EXPECT_TRUE(panel.Preview()->pixmap().isNull());
}

}  // namespace
}  // namespace orrivan
