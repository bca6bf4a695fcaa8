// The one seam through which the engine asks, tells and shows progress. The desktop program answers
// with dialogs, orrivan-cli with flags and the terminal, tests with a scripted fake. The engine never
// waits on a window: it polls Progress::Cancelled() between files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orrivan {

enum class Icon { None, Stop, Exclamation, Information, Question };

// Answers of the confirmation and question boxes.
enum class Answer { Ok, Cancel, Yes, No };

// The four answers of the per-library erase question.
enum class EraseAnswer { Yes, YesToAll, No, Cancel };

// The undated-files choice of an import: file them under their file date, under a date the user
// gives, or leave them on the card.
struct UndatedChoice {
  enum class Kind { FileDate, GivenDate, Leave, Cancel } kind = Kind::Cancel;
  std::string date;  // YYYYMMDD when kind == GivenDate
};

// A progress window: caption, two text lines, "item/ total" counter, bar, cancel button.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetText(const std::string& line1, const std::string& line2) = 0;
  virtual void SetRange(int64_t maximum) = 0;
  virtual void SetPosition(int64_t position) = 0;
  virtual bool Cancelled() const = 0;
};

// One entry of a source selection: the text shown (paths upper-cased) and the real path behind it.
struct SourceEntry {
  std::string shown;
  std::filesystem::path path;
};

class Interaction {
 public:
  virtual ~Interaction() = default;

  // A message box with an OK button. Texts are UTF-8; "\n" breaks a line.
  virtual void Message(const std::string& text, Icon icon) = 0;
  // OK / Cancel confirmation; returns true for OK.
  virtual bool Confirm(const std::string& text, Icon icon) = 0;
  // Yes / No (with Cancel when withCancel) question.
  virtual Answer Question(const std::string& text, Icon icon, bool withCancel) = 0;
  // Asks for a date (YYYYMMDD); empty optional = cancelled.
  virtual std::optional<std::string> AskDate(const std::string& caption) = 0;
  // Asks for a title; empty optional = cancelled. The suggestion is shown pre-filled.
  virtual std::optional<std::string> AskTitle(const std::string& caption, const std::string& suggestion) = 0;
  // Lets the user tick source folders; returns the chosen indexes in the user's order.
  virtual std::vector<size_t> ChooseSources(const std::string& caption, const std::vector<SourceEntry>& entries) = 0;
  // What to do with pictures that carry no shooting date.
  virtual UndatedChoice AskUndated(int count) = 0;
  // The per-library erase question: text names the library, buttons carry their own labels.
  virtual EraseAnswer AskErase(const std::string& text, const std::vector<std::string>& buttonLabels) = 0;
  // Opens a modeless progress window; it closes when the returned object is destroyed.
  virtual std::unique_ptr<Progress> OpenProgress(const std::string& caption) = 0;
  // Opens a page (a frame page of the album) in the browser; false when it could not be started.
  virtual bool OpenInBrowser(const std::filesystem::path& page) = 0;
};

}  // namespace orrivan
