// The settings store: every persistent value of the program, with its section, stored name, type
// and default written once in one table. Values live in an INI file (QSettings) and are read at the
// moment of use and written at once, so two processes sharing the file always see each other's
// writes. There is no settings object.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace orrivan::settings {

enum class Key {
  SaveFolder, DisplayMethod, InputTitle, ShowLibrary, TemplateType, TemplateTypeNo,
  TemplateBackCol, TemplateBackNo, DllPath, PrintButton, TempSize, MailName, UsbSerial,
  PreviewPicTake, PreviewPicCopy, PreviewPicMove, PreviewPicEdit, CaptureDlgTop, CaptureDlgBottom,
  CaptureDlgLeft, CaptureDlgRight, PersonalFolder, AutoTakeIn, ShowDialog, CopyImage, ImageRotation,
  Classitication, BaudRate, CommPort, SCameraDir, TransMode, WinLeft, WinTop, WinWidth, WinHeight,
  Column0, Column1, Column2, Column3, Column4, EditorCommand
};

// Stored value, else the table default; a value of the wrong type (or an unreadable file) gives the
// default. Strings are UTF-8.
int GetInt(Key key);
// For the values whose default depends on the window (capture dialog rectangle, main window size):
// the stored value, else def.
int GetInt(Key key, int def);
std::string GetString(Key key);
// Written at once; false when the file could not be written.
bool SetInt(Key key, int value);
bool SetString(Key key, std::string_view value);

// "DisplayMethod" as the start-up reads it: 2 (never set, first start) when absent.
int DisplayMethodAtStartup();

// The four raw profile operations, for the few places that address a value by name.
int ReadInt(std::string_view section, std::string_view name, int def);
std::string ReadString(std::string_view section, std::string_view name, std::string_view def);
bool WriteInt(std::string_view section, std::string_view name, int value);
bool WriteString(std::string_view section, std::string_view name, std::string_view value);

// True when the settings file exists but nothing can be read from it (binary bytes, or no value
// at all): every value reads as its default and the file is never written over.
bool FileUnusable();

// The settings file: UseFile (--config), else $ORRIVAN_CONFIG, else ~/.config/KORVA/Orrivan.conf.
void UseFile(const std::filesystem::path& file);
std::filesystem::path File();

struct Entry {
  Key key;
  const char* section;
  const char* name;
  bool isInt;
  int intDefault;
  const char* stringDefault;  // nullptr when the default is found elsewhere: use DefaultText
};

// Every value, in the order of Key.
std::span<const Entry> Table();
const Entry& EntryOf(Key key);
// For `settings get|set`: the entry by section and stored name (exact); throws std::out_of_range.
const Entry& Find(std::string_view section, std::string_view name);
// The default of an entry as text (integers in decimal), with computed defaults resolved.
std::string DefaultText(const Entry& entry);

}  // namespace orrivan::settings
