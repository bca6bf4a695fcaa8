// The USB camera source without hardware: libgphoto2's directory-browse camera presents a card tree
// made here as a camera on a disk: port, and its import is held against a card import of that tree.
#include "import/usb_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "base/settings.h"
#include "base/strings.h"
#include "html/html_text.h"
#include "import/import_fixture.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "ptp/usb_camera.h"
#include "support/avi_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using usb::CUsbCamera;
using usb::UsbError;
using usb::UsbStatus;

constexpr char kBrowse[] = "Directory Browse";

class UsbImport : public test::ImportFixture {
 protected:
  std::unique_ptr<CUsbCamera> OpenCard() {
    UsbStatus status;
    std::unique_ptr<CUsbCamera> camera = CUsbCamera::Open(kBrowse, "disk:" + card_.string(), status);
    EXPECT_TRUE(status) << status.message;
    return camera;
  }

  // The card every comparison uses: dated pictures, a portrait, a movie, a memo pair, an undated
  // picture, and a file of a kind that stays on the camera.
  void MakeCard() {
    Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
    Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 11:00:00", 2, 6);  // portrait
    Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 16));
    ASSERT_TRUE(test::WriteAvi(dcim_ / "100TEST" / "MVI_0003.AVI"));
    test::SetModified(dcim_ / "100TEST" / "MVI_0003.AVI", test::LocalTime(2007, 3, 17, 9));
    Picture(dcim_ / "101TEST" / "ABCD0004.JPG", "", 4);  // undated
    test::SetModified(dcim_ / "101TEST" / "ABCD0004.JPG", test::LocalTime(2008, 5, 1, 8));
    test::WriteFile(dcim_ / "101TEST" / "CLIP0005.MP4", "not taken");
  }

  std::unique_ptr<CRKCardAlbumDoc> OpenAlbum() {
    auto album = std::make_unique<CRKCardAlbumDoc>(home_);
    album->SetGenerationRotation(false);
    if (fs::is_regular_file(layout::WorkingAlbumPath())) {
      EXPECT_TRUE(album->OnOpenDocument(layout::WorkingAlbumPath()));
    }
    return album;
  }

  ImportResult CardImport(ImportOptions options = {}) {
    options.openBrowser = false;
    ui_.undatedChoices.push_back({UndatedChoice::Kind::FileDate, {}});
    auto album = OpenAlbum();
    CImportEngine engine(*album, ui_, options);
    return engine.Run({dcim_});
  }

  ImportResult CameraImport(ImportOptions options = {}, std::function<void()> afterListing = {},
                            int64_t* downloaded = nullptr, int* left = nullptr) {
    options.openBrowser = false;
    ui_.undatedChoices.push_back({UndatedChoice::Kind::FileDate, {}});
    std::unique_ptr<CUsbCamera> camera = OpenCard();
    if (!camera) return ImportResult::Failed;
    auto album = OpenAlbum();
    CUsbImport run(*album, ui_, options);
    run.SetAfterListing(std::move(afterListing));
    const ImportResult result = run.Run(*camera);
    if (downloaded) *downloaded = run.Downloaded();
    if (left) *left = run.LeftOnCamera();
    return result;
  }

  // What an import leaves: every library file and the album's records, as text.
  std::string AlbumText() {
    auto album = OpenAlbum();
    std::string text;
    for (const CAlbumData& day : album->Days())
      text += day.folderPath + " " + std::to_string(day.pictureCount) + "\n";
    return text + test::ReadFile(layout::WorkingAlbumPath());
  }

  void ForgetLibrary() {
    fs::remove_all(library_);
    fs::remove(layout::WorkingAlbumPath());
  }

  bool SawPlacingText(StrId id) {
    for (const auto& window : ui_.progress)
      for (const auto& text : window.texts)
        if (text.first == Str(id)) return true;
    return false;
  }

  bool NoReceiveFolderLeft() {
    for (const auto& entry : fs::directory_iterator(home_))
      if (entry.path().filename().string().rfind(".orrivan-usb-receive-", 0) == 0) return false;
    return true;
  }
};

TEST_F(UsbImport, ListingTakesTheCardsFoldersAndFilesAndReadsSizesWithoutDownloading) {
  Picture(dcim_ / "100TEST" / "abcd0001.jpg", "2007:03:15 10:00:00");
  Memo(dcim_ / "100TEST" / "ABCD0001.Wav", test::LocalTime(2007, 3, 15));
  Picture(dcim_ / "Camera" / "IMG_0002.JPG", "2007:03:15 10:00:00");
  Picture(dcim_ / "MISC" / "ABCD0003.JPG", "2007:03:15 10:00:00");  // no picture folder
  test::WriteFile(dcim_ / "100TEST" / "RAW_0004.CR2", "raw");
  test::WriteFile(dcim_ / "100TEST" / "CLIP0005.MOV", "movie");
  test::SetModified(dcim_ / "100TEST" / "abcd0001.jpg", test::LocalTime(2007, 3, 15, 10));

  std::unique_ptr<CUsbCamera> camera = OpenCard();
  ASSERT_TRUE(camera);
  usb::UsbListing listing;
  ASSERT_TRUE(camera->List(listing));
  ASSERT_EQ(listing.files.size(), 3u);
  EXPECT_EQ(listing.files[0].name, "ABCD0001.Wav");
  EXPECT_EQ(listing.files[1].name, "abcd0001.jpg");
  EXPECT_EQ(listing.files[1].cardFolder, "100TEST");
  EXPECT_EQ(listing.files[1].size, fs::file_size(dcim_ / "100TEST" / "abcd0001.jpg"));
  EXPECT_EQ(listing.files[1].modified, test::LocalTime(2007, 3, 15, 10));
  EXPECT_EQ(listing.files[2].cardFolder, "Camera");
  EXPECT_EQ(listing.leftOnCamera, 2);
  EXPECT_EQ(listing.refusedNames, 0);
}

TEST_F(UsbImport, HostileAndEmptyFilesAreRefused) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  Picture(dcim_ / "100TEST" / "AB\x01" "D0002.JPG", "2007:03:15 10:00:00");
  Picture(dcim_ / "100TEST" / "AB\\CD0003.JPG", "2007:03:15 10:00:00");
  std::unique_ptr<CUsbCamera> camera = OpenCard();
  ASSERT_TRUE(camera);
  usb::UsbListing listing;
  ASSERT_TRUE(camera->List(listing));
  ASSERT_EQ(listing.files.size(), 1u);
  EXPECT_EQ(listing.files[0].name, "ABCD0001.JPG");
  EXPECT_EQ(listing.refusedNames, 2);
  // A download by a refused name is never attempted.
  usb::UsbFile bad = listing.files[0];
  bad.name = "../ABCD0001.JPG";
  EXPECT_EQ(camera->Download(bad, dir_ / "out.jpg").error, UsbError::BadFile);
  EXPECT_FALSE(fs::exists(dir_ / "out.jpg"));

  // A storage that reports a size of 0, or one of 4 GiB (what an overflowing 32-bit size says), gives
  // nothing to check the download against: those files are counted, the rest is listed.
  test::WriteFile(dcim_ / "100TEST" / "ABCD0009.JPG", "");
  { std::ofstream(dcim_ / "100TEST" / "ABCD0010.AVI"); }
  fs::resize_file(dcim_ / "100TEST" / "ABCD0010.AVI", std::uintmax_t{4} << 30);  // sparse
  Picture(dcim_ / "100TEST" / "AB..0011.JPG", "2007:03:15 10:00:00");
  camera = OpenCard();
  ASSERT_TRUE(camera);
  ASSERT_TRUE(camera->List(listing));
  ASSERT_EQ(listing.files.size(), 1u);
  EXPECT_EQ(listing.files[0].name, "ABCD0001.JPG");
  EXPECT_EQ(listing.unusableSizes, 2);
  EXPECT_EQ(listing.refusedNames, 3);
}

TEST_F(UsbImport, OpeningWhatIsNoCameraSaysSo) {
  UsbStatus status;
  EXPECT_FALSE(CUsbCamera::Open("No Such Camera Model", "disk:" + card_.string(), status));
  EXPECT_EQ(status.error, UsbError::NoCamera);
  EXPECT_FALSE(status.message.empty());
  EXPECT_FALSE(CUsbCamera::Open(kBrowse, "serial:/dev/ttyS0", status));
  EXPECT_EQ(status.error, UsbError::NoCamera);
}

TEST_F(UsbImport, DetectionNeverListsCards) {
  // The card made here holds DCIM; it is the volume scan's, never a camera.
  MakeCard();
  std::vector<usb::DetectedCamera> cameras;
  ASSERT_TRUE(usb::DetectCameras(cameras));
  for (const usb::DetectedCamera& c : cameras) EXPECT_NE(c.port.rfind("disk:", 0), 0u) << c.port;
  EXPECT_EQ(std::getenv("IOLIBS"), nullptr);
}

TEST_F(UsbImport, FilesExactlyWhatACardImportOfTheSameTreeFiles) {
  MakeCard();
  ASSERT_EQ(CardImport(), ImportResult::Done);
  const auto cardLibrary = test::TreeOf(library_);
  const std::string cardAlbum = AlbumText();
  ASSERT_FALSE(cardLibrary.empty());
  ForgetLibrary();

  int64_t downloaded = 0;
  int left = 0;
  ASSERT_EQ(CameraImport({}, {}, &downloaded, &left), ImportResult::Done);
  EXPECT_EQ(downloaded, 5);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(test::TreeOf(library_), cardLibrary);
  EXPECT_EQ(AlbumText(), cardAlbum);
  EXPECT_TRUE(NoReceiveFolderLeft());
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "ABCD0001.JPG"));  // a copy leaves the camera whole
  // The engine files the received tree by a second name, yet says what the user chose.
  EXPECT_TRUE(SawPlacingText(StrId::CopyingFiles));
  EXPECT_FALSE(SawPlacingText(StrId::MovingFiles));
  // The movie of another kind stayed on the camera, and the user is told.
  EXPECT_EQ(ui_.Texts(test::FakeInteraction::Kind::Message).back(),
            html::FormatText(Str(StrId::UsbLeftOnCamera), {"1"}));

  // The same camera again: the dated pictures and the memo pair are settled from the pictures'
  // heads, so only the movie and the undated picture (keyed by their file time) come down again,
  // and the engine finds them in the library.
  EXPECT_EQ(CameraImport({}, {}, &downloaded), ImportResult::Done);
  EXPECT_EQ(downloaded, 2);
  EXPECT_EQ(test::TreeOf(library_), cardLibrary);
  EXPECT_EQ(AlbumText(), cardAlbum);
}

TEST_F(UsbImport, ASecondImportOfDatedPicturesDownloadsNothing) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 11:00:00", 2, 6);  // turned in the library
  Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 16));
  ASSERT_EQ(CameraImport(), ImportResult::Done);
  const auto library = test::TreeOf(library_);
  const std::string album = AlbumText();

  int64_t downloaded = -1;
  EXPECT_EQ(CameraImport({}, {}, &downloaded), ImportResult::NothingToDo);
  EXPECT_EQ(downloaded, 0);
  EXPECT_EQ(test::TreeOf(library_), library);
  EXPECT_EQ(AlbumText(), album);

  // Another picture under a name the library holds: downloaded, and filed beside it.
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 12:00:00", 7);
  EXPECT_EQ(CameraImport({}, {}, &downloaded), ImportResult::Done);
  EXPECT_EQ(downloaded, 1);
  EXPECT_EQ(test::TreeOf(library_).size(), library.size() + 2);  // the picture and its preview
}

TEST_F(UsbImport, AFileCutShortFailsTheRunAndRollsItBack) {
  MakeCard();
  const fs::path shrinking = dcim_ / "101TEST" / "ABCD0004.JPG";
  auto cut = [&] { ASSERT_EQ(::truncate(shrinking.c_str(), 100), 0); };
  EXPECT_EQ(CameraImport({}, cut), ImportResult::Failed);
  EXPECT_TRUE(test::TreeOf(library_).empty());
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(NoReceiveFolderLeft());
  ASSERT_FALSE(ui_.records.empty());
  EXPECT_NE(ui_.records.back().text.find("ABCD0004.JPG"), std::string::npos) << ui_.records.back().text;
}

TEST_F(UsbImport, ACameraUnpluggedMidDownloadFilesNothingAndSaysSo) {
  MakeCard();
  ImportOptions move;
  move.transferMode = kTransferMove;
  // The first folder comes down; the second is gone by the time its files are asked for.
  auto unplug = [&] { fs::remove_all(dcim_ / "101TEST"); };
  int64_t downloaded = 0;
  EXPECT_EQ(CameraImport(move, unplug, &downloaded), ImportResult::Failed);
  EXPECT_EQ(downloaded, 4);
  EXPECT_TRUE(test::TreeOf(library_).empty());
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(NoReceiveFolderLeft());
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "ABCD0001.JPG"));  // a failed move deletes nothing
  ASSERT_FALSE(ui_.records.empty());
  const std::string told = ui_.records.back().text;
  EXPECT_EQ(told.rfind(Str(StrId::UsbLinkBroken), 0), 0u) << told;
  EXPECT_NE(told.find("ABCD0004.JPG"), std::string::npos) << told;
}

TEST_F(UsbImport, CancelDuringTheDownloadFilesNothing) {
  MakeCard();
  ui_.cancelAfter = 1;
  EXPECT_EQ(CameraImport(), ImportResult::Cancelled);
  EXPECT_TRUE(test::TreeOf(library_).empty());
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(NoReceiveFolderLeft());
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "ABCD0001.JPG"));
}

TEST_F(UsbImport, MoveDeletesOnTheCameraOnlyWhatTheSavedLibraryHolds) {
  MakeCard();
  ImportOptions move;
  move.transferMode = kTransferMove;
  ASSERT_EQ(CameraImport(move), ImportResult::Done);
  EXPECT_TRUE(SawPlacingText(StrId::MovingFiles));
  EXPECT_TRUE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(dcim_ / "100TEST" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(dcim_ / "100TEST" / "ABCD0002.WAV"));
  EXPECT_FALSE(fs::exists(dcim_ / "100TEST" / "MVI_0003.AVI"));
  // The library holds the portrait turned upright: the camera keeps its original.
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "ABCD0002.JPG"));
  EXPECT_TRUE(fs::exists(dcim_ / "101TEST" / "CLIP0005.MP4"));
}

TEST_F(UsbImport, AFailedRunDeletesNothingOnTheCamera) {
  MakeCard();
  ImportOptions move;
  move.transferMode = kTransferMove;
  auto cut = [&] { ASSERT_EQ(::truncate((dcim_ / "101TEST" / "ABCD0004.JPG").c_str(), 10), 0); };
  EXPECT_EQ(CameraImport(move, cut), ImportResult::Failed);
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "MVI_0003.AVI"));
}

TEST_F(UsbImport, APhonesCameraFolderIsFiledByDate) {
  Picture(dcim_ / "Camera" / "IMG_0001.JPG", "2019:07:01 09:00:00", 1);
  Picture(dcim_ / "Camera" / "IMG_0002.jpg", "2019:07:02 09:00:00", 2);
  ASSERT_EQ(CameraImport(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20190701" / "IMG_0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20190702" / "IMG_0002.JPG"));
  EXPECT_TRUE(NoReceiveFolderLeft());
}

TEST_F(UsbImport, ACameraWithoutPicturesSaysSo) {
  test::WriteFile(dcim_ / "100TEST" / "CLIP0001.MP4", "movie");
  EXPECT_EQ(CameraImport(), ImportResult::NothingToDo);
  // One box: nothing to take, and what stayed on the camera.
  EXPECT_EQ(ui_.Texts(test::FakeInteraction::Kind::Message),
            std::vector<std::string>{Str(StrId::NoImportableImages) + "\n" +
                                     html::FormatText(Str(StrId::UsbLeftOnCamera), {"1"})});
}

TEST(UsbCameraChoice, ANameMatchesOnePortOrOneModel) {
  const std::vector<usb::DetectedCamera> cameras{{"Cam A", "usb:001,004"}, {"Cam B", "usb:001,005"},
                                                 {"Cam B", "usb:002,002"}};
  UsbCameraChoice choice;
  std::string message;
  ASSERT_TRUE(ChooseUsbCamera(cameras, "usb:001,005", choice, message));
  EXPECT_EQ(choice.model, "Cam B");
  ASSERT_TRUE(ChooseUsbCamera(cameras, "cam a", choice, message));
  EXPECT_EQ(choice.port, "usb:001,004");
  EXPECT_FALSE(ChooseUsbCamera(cameras, "Cam B", choice, message));
  EXPECT_NE(message.find("port"), std::string::npos);
  EXPECT_FALSE(ChooseUsbCamera(cameras, "Cam C", choice, message));
}

TEST_F(UsbImport, WorkerThreadsFileWhatOneThreadFilesByteForByte) {
  MakeCard();
  ImportOptions one;
  one.threads = 1;
  ASSERT_EQ(CameraImport(one), ImportResult::Done);
  const auto oneLibrary = test::TreeOf(library_);
  const std::string oneAlbum = AlbumText();
  ForgetLibrary();

  ImportOptions many;
  many.threads = 3;
  ASSERT_EQ(CameraImport(many), ImportResult::Done);
  EXPECT_EQ(test::TreeOf(library_), oneLibrary);
  EXPECT_EQ(AlbumText(), oneAlbum);
  EXPECT_TRUE(NoReceiveFolderLeft());
}

}  // namespace
}  // namespace orrivan
