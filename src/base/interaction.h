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

// How a box looks besides its text: its window caption (the product name when empty) and the labels
// of its buttons in order (the standard OK / Cancel, Yes / No labels when empty). The system's own
// captions and labels travel with the question so the desktop program can show them.
struct BoxLook {
  std::string caption;
  std::vector<std::string> buttons;
  // The answer a question takes when nobody can give one (no terminal, no flag): the safe one.
  // Empty: No (Cancel when offered).
  std::optional<Answer> unanswered = std::nullopt;
};

// The date dialog: window caption, the source path shown at the top (upper-cased; empty when the date
// is asked for undated files) and the prompt.
struct DateQuestion {
  std::string caption;
  std::string source;
  std::string prompt;
};

// The title dialog: caption, prompt, the source line ("label" + path), the text box's label, the text
// shown pre-filled and the longest title the engine accepts, in bytes of its stored form (0: no limit).
struct TitleQuestion {
  std::string caption;
  std::string prompt;
  std::string sourceLabel;
  std::string source;
  std::string fieldLabel;
  std::string suggestion;
  size_t maxBytes = 0;
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
  virtual void Message(const std::string& text, Icon icon, const BoxLook& look = {}) = 0;
  // OK / Cancel confirmation; returns true for OK (the first button).
  virtual bool Confirm(const std::string& text, Icon icon, const BoxLook& look = {}) = 0;
  // Yes / No (with Cancel when withCancel) question.
  virtual Answer Question(const std::string& text, Icon icon, bool withCancel, const BoxLook& look = {}) = 0;
  // Asks for a date (YYYYMMDD); empty optional = cancelled.
  virtual std::optional<std::string> AskDate(const DateQuestion& question) = 0;
  // Asks for a title; empty optional = cancelled.
  virtual std::optional<std::string> AskTitle(const TitleQuestion& question) = 0;
  // Lets the user tick source folders; returns the chosen indexes in the user's order.
  virtual std::vector<size_t> ChooseSources(const std::string& caption, const std::vector<SourceEntry>& entries) = 0;
  // What to do with pictures that carry no shooting date. givenDateOnly: the second round, after
  // filing by file date left some behind; only "a date the user gives" is offered.
  virtual UndatedChoice AskUndated(int count, bool givenDateOnly) = 0;
  // The per-library erase question: text names the library; the look carries the caption and the
  // four labels (Yes, No, YesToAll, Cancel in that order).
  virtual EraseAnswer AskErase(const std::string& text, const BoxLook& look) = 0;
  // Opens a modeless progress window; it closes when the returned object is destroyed.
  virtual std::unique_ptr<Progress> OpenProgress(const std::string& caption) = 0;
  // Opens a page (a frame page of the album) in the browser; false when it could not be started.
  virtual bool OpenInBrowser(const std::filesystem::path& page) = 0;
};

}  // namespace orrivan
