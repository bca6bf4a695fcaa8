// The settings table and the INI store behind it. A QSettings object is built per operation, so
// every read sees what another process wrote a moment ago and no QCoreApplication is needed.
#include "base/settings.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "base/paths.h"
#include "base/strings.h"

namespace orrivan::settings {
namespace {

// The stored names keep their historic spellings ("WinPositon", "Classitication", "USB/Serial").
// Defaults found elsewhere: SaveFolder, PersonalFolder and MailName (stringDefault nullptr, see
// DefaultText); the
// capture dialog rectangle and the main window size depend on the window and are given by the
// caller through GetInt(key, def) — 0 here.
constexpr std::array<Entry, 41> kTable{{
    {Key::SaveFolder, "Settings", "SaveFolder", false, 0, nullptr},
    {Key::DisplayMethod, "Settings", "DisplayMethod", true, 0, nullptr},
    {Key::InputTitle, "Settings", "InputTitle", true, 1, nullptr},
    {Key::ShowLibrary, "Settings", "ShowLibrary", true, 0, nullptr},
    {Key::TemplateType, "Settings", "TemplateType", false, 0, ""},
    {Key::TemplateTypeNo, "Settings", "TemplateTypeNo", true, 0, nullptr},
    {Key::TemplateBackCol, "Settings", "TemplateBackCol", false, 0, ""},
    {Key::TemplateBackNo, "Settings", "TemplateBackNo", true, 7, nullptr},
    {Key::DllPath, "Settings", "DllPath", false, 0, ""},
    {Key::PrintButton, "Settings", "PrintButton", true, 0, nullptr},
    {Key::TempSize, "Settings", "TempSize", true, 0, nullptr},
    {Key::MailName, "Settings", "MailName", false, 0, nullptr},
    {Key::UsbSerial, "Settings", "USB/Serial", true, 0, nullptr},
    {Key::PreviewPicTake, "Settings", "PreviewPicTake", true, 0, nullptr},
    {Key::PreviewPicCopy, "Settings", "PreviewPicCopy", true, 0, nullptr},
    {Key::PreviewPicMove, "Settings", "PreviewPicMove", true, 0, nullptr},
    {Key::PreviewPicEdit, "Settings", "PreviewPicEdit", true, 0, nullptr},
    {Key::CaptureDlgTop, "Settings", "CaptureDlgTop", true, 0, nullptr},
    {Key::CaptureDlgBottom, "Settings", "CaptureDlgBottom", true, 0, nullptr},
    {Key::CaptureDlgLeft, "Settings", "CaptureDlgLeft", true, 0, nullptr},
    {Key::CaptureDlgRight, "Settings", "CaptureDlgRight", true, 0, nullptr},
    {Key::PersonalFolder, "Settings", "PersonalFolder", false, 0, nullptr},
    {Key::AutoTakeIn, "CameraImage", "AutoTakeIn", true, 0, nullptr},
    {Key::ShowDialog, "CameraImage", "ShowDialog", true, 0, nullptr},
    {Key::CopyImage, "CameraImage", "CopyImage", true, 0, nullptr},
    {Key::ImageRotation, "CameraImage", "ImageRotation", true, 0, nullptr},
    {Key::Classitication, "CameraImage", "Classitication", true, 0, nullptr},
    {Key::BaudRate, "Communications", "BaudRate", false, 0, "115200"},
    {Key::CommPort, "Communications", "CommPort", false, 0, "COM1"},
    {Key::SCameraDir, "Communications", "SCameraDir", false, 0, ""},
    {Key::TransMode, "Communications", "TransMode", true, 0, nullptr},
    {Key::WinLeft, "WinPositon", "left", true, 0, nullptr},
    {Key::WinTop, "WinPositon", "top", true, 0, nullptr},
    {Key::WinWidth, "WinPositon", "width", true, 0, nullptr},
    {Key::WinHeight, "WinPositon", "height", true, 0, nullptr},
    {Key::Column0, "WinPositon", "column0", true, 98, nullptr},
    {Key::Column1, "WinPositon", "column1", true, 112, nullptr},
    {Key::Column2, "WinPositon", "column2", true, 62, nullptr},
    {Key::Column3, "WinPositon", "column3", true, 65, nullptr},
    {Key::Column4, "WinPositon", "column4", true, 150, nullptr},
    {Key::EditorCommand, "Settings", "EditorCommand", false, 0, ""},
}};

constexpr bool TableFollowsKeys() {
  for (size_t i = 0; i < kTable.size(); ++i) {
    if (static_cast<size_t>(kTable[i].key) != i) return false;
  }
  return kTable.back().key == Key::EditorCommand;
}
static_assert(TableFollowsKeys(), "kTable must list every Key in declaration order");

// QSettings objects on one file are not safe to use from two threads at once; the worker thread of
// the serial import reads settings while the main thread may write.
std::mutex& StoreMutex() {
  static std::mutex m;
  return m;
}

std::mutex& FileMutex() {
  static std::mutex m;
  return m;
}

std::filesystem::path& ChosenFile() {
  static std::filesystem::path file;
  return file;
}

QString QKey(std::string_view section, std::string_view name) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + u'/' +
         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString QFile(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// The file's bytes; empty when it is absent or unreadable.
std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Binary bytes (NUL, other control bytes) mean the file is no settings file at all, whatever
// QSettings would salvage from it; a byte-order mark or a stray line does not.
bool HasControlBytes(std::string_view bytes) {
  for (char c : bytes) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0x7F) return true;
  }
  return false;
}

bool HasContent(std::string_view bytes) { return bytes.find_first_not_of(" \t\r\n") != std::string_view::npos; }

// Nothing can be read from the file: binary bytes, or text in which QSettings finds no value. Such a
// file is never written over. QSettings reads what it can from a file with a byte-order mark or a
// line that is not name=value (its status says FormatError); those values are used.
bool Unusable(const std::filesystem::path& file, QSettings& store) {
  const std::string bytes = FileBytes(file);
  if (HasControlBytes(bytes)) return true;
  return HasContent(bytes) && store.allKeys().isEmpty();
}

// The text of name=value in [section] as it stands in the file (after the first '='), trimmed. For
// values QSettings turned into a list at their commas: the user wrote one string.
std::optional<std::string> LineValue(const std::filesystem::path& file, std::string_view section,
                                     std::string_view name) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  bool inSection = false;
  auto trim = [](std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.remove_suffix(1);
    return t;
  };
  bool first = true;
  while (std::getline(in, line)) {
    std::string_view t = line;
    if (first && t.starts_with("\xEF\xBB\xBF")) t.remove_prefix(3);
    first = false;
    t = trim(t);
    if (t.starts_with('[')) {
      inSection = t == "[" + std::string(section) + "]";
      continue;
    }
    if (!inSection) continue;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos || trim(t.substr(0, eq)) != name) continue;
    std::string_view value = trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

// Reads one stored value as text; nullopt when absent or when nothing can be read from the file.
std::optional<QString> ReadRaw(std::string_view section, std::string_view name) {
  std::lock_guard lock(StoreMutex());
  std::filesystem::path file = File();
  QSettings store(QFile(file), QSettings::IniFormat);
  if (store.status() == QSettings::AccessError || Unusable(file, store)) return std::nullopt;
  QVariant v = store.value(QKey(section, name));
  if (!v.isValid()) return std::nullopt;
  // An unquoted value holding commas comes back as a list; it was one string when written.
  if (v.typeId() == QMetaType::QStringList) {
    if (auto text = LineValue(file, section, name)) return QString::fromStdString(*text);
    return v.toStringList().join(u',');
  }
  if (!v.canConvert<QString>()) return std::nullopt;
  return v.toString();
}

bool WriteRaw(std::string_view section, std::string_view name, const QVariant& value) {
  std::lock_guard lock(StoreMutex());
  std::error_code ec;
  std::filesystem::path file = File();
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  QSettings store(QFile(file), QSettings::IniFormat);
  if (store.status() == QSettings::AccessError || Unusable(file, store)) return false;
  store.setValue(QKey(section, name), value);
  store.sync();
  return store.status() != QSettings::AccessError;
}

std::optional<int> ParseInt(const QString& text) {
  bool ok = false;
  QString t = text.trimmed();
  int v = t.toInt(&ok, 10);
  if (ok) return v;
  // A DWORD above INT_MAX was stored as its unsigned value; read it back as the same 32 bits.
  uint u = t.toUInt(&ok, 10);
  if (ok) return static_cast<int>(u);
  return std::nullopt;
}

}  // namespace

std::span<const Entry> Table() { return kTable; }

const Entry& EntryOf(Key key) { return kTable.at(static_cast<size_t>(key)); }

const Entry& Find(std::string_view section, std::string_view name) {
  for (const Entry& e : kTable) {
    if (section == e.section && name == e.name) return e;
  }
  throw std::out_of_range("unknown setting " + std::string(section) + "/" + std::string(name));
}

std::string DefaultText(const Entry& entry) {
  if (entry.isInt) return std::to_string(entry.intDefault);
  if (entry.stringDefault) return entry.stringDefault;
  switch (entry.key) {
    case Key::SaveFolder:
      return (HomeFolder() / "Image Library").string();
    case Key::PersonalFolder: {
      // The user's home folder stands in for the root of drive C.
      const char* home = std::getenv("HOME");
      return home && *home ? std::string(home) : std::string("/");
    }
    case Key::MailName:
      return Str(StrId::NoMailProgram);
    default:
      return {};
  }
}

int GetInt(Key key) { return GetInt(key, EntryOf(key).intDefault); }

int GetInt(Key key, int def) {
  const Entry& e = EntryOf(key);
  return ReadInt(e.section, e.name, def);
}

std::string GetString(Key key) {
  const Entry& e = EntryOf(key);
  if (auto raw = ReadRaw(e.section, e.name)) return raw->toStdString();
  return DefaultText(e);
}

bool SetInt(Key key, int value) {
  const Entry& e = EntryOf(key);
  return WriteInt(e.section, e.name, value);
}

bool SetString(Key key, std::string_view value) {
  const Entry& e = EntryOf(key);
  return WriteString(e.section, e.name, value);
}

int DisplayMethodAtStartup() { return GetInt(Key::DisplayMethod, 2); }

int ReadInt(std::string_view section, std::string_view name, int def) {
  auto raw = ReadRaw(section, name);
  if (!raw) return def;
  return ParseInt(*raw).value_or(def);
}

std::string ReadString(std::string_view section, std::string_view name, std::string_view def) {
  if (auto raw = ReadRaw(section, name)) return raw->toStdString();
  return std::string(def);
}

bool WriteInt(std::string_view section, std::string_view name, int value) {
  return WriteRaw(section, name, QVariant(value));
}

bool WriteString(std::string_view section, std::string_view name, std::string_view value) {
  return WriteRaw(section, name,
                  QVariant(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()))));
}

bool FileUnusable() {
  std::lock_guard lock(StoreMutex());
  const std::filesystem::path file = File();
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return false;
  QSettings store(QFile(file), QSettings::IniFormat);
  return Unusable(file, store);
}

void UseFile(const std::filesystem::path& file) {
  std::lock_guard lock(FileMutex());
  ChosenFile() = file;
}

std::filesystem::path File() {
  {
    std::lock_guard lock(FileMutex());
    if (!ChosenFile().empty()) return ChosenFile();
  }
  if (const char* env = std::getenv("ORRIVAN_CONFIG"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::filesystem::path(xdg) / "KORVA" / "Orrivan.conf";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/") / ".config" / "KORVA" / "Orrivan.conf";
}

}  // namespace orrivan::settings
