// (being written)
#include "library/album_file.h"

namespace orrivan {

const char* AlbumErrorText(AlbumError error) {
  switch (error) {
    case AlbumError::None: return "";
    case AlbumError::OpenFailed: return kAlbumOpenFailedText;
    case AlbumError::UnexpectedFormat: return kAlbumUnexpectedFormatText;
    case AlbumError::SaveFailed: return kAlbumSaveFailedText;
  }
  return "";
}

AlbumError ReadAlbumBytes(std::string_view, AlbumContents& out) { out = {}; return AlbumError::UnexpectedFormat; }
AlbumError ReadAlbumFile(const std::filesystem::path&, AlbumContents& out) { out = {}; return AlbumError::OpenFailed; }
AlbumWriter::AlbumWriter() = default;
void AlbumWriter::BeginDays(size_t) {}
void AlbumWriter::WriteDay(const CAlbumData&) {}
void AlbumWriter::BeginPictures(size_t) {}
void AlbumWriter::WritePicture(const CPhotoData&) {}
std::string AlbumWriter::Take() { return std::move(out_); }
void AlbumWriter::WriteObjectTag(uint32_t&, std::string_view) {}
void AlbumWriter::WriteString(std::string_view) {}
void AlbumWriter::WriteInt32(int32_t) {}
void AlbumWriter::WriteCount(size_t) {}
std::string WriteAlbumBytes(const AlbumContents&) { return {}; }
bool WriteFileAtomic(const std::filesystem::path&, std::string_view) { return false; }
bool CopyFileAtomic(const std::filesystem::path&, const std::filesystem::path&) { return false; }
AlbumError WriteAlbumFile(const std::filesystem::path&, const AlbumContents&) { return AlbumError::SaveFailed; }
int UpgradeAlbumFile(const std::filesystem::path&) { return 0; }
bool UpgradeAlbumBytes(std::string_view in, std::string& out) { out = in; return true; }
bool IsCurrentAlbumFormat(std::string_view bytes) { return bytes.size() >= 26 && bytes.substr(19, 5) == "OR200"; }
void RotateGenerations(const std::filesystem::path&, const std::filesystem::path&) {}

}  // namespace orrivan
