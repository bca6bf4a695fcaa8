// The dialogs' test seam: a test queues the next answers, and the real dialogs, built and shown as
// usual, take them instead of waiting for a user. An observer sees every dialog just before it
// answers (screenshots, accessibility walks). With the seam on and nothing queued a dialog records
// a miss and answers Cancel, so a test fails instead of hanging.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"

class QWidget;

namespace orrivan::gui {

// Progress: a progress window opened (it takes no answer; the observer sees it, e.g. to press its
// Cancel later).
enum class DialogKind { Box, Welcome, Date, Undated, Title, Sources, Folder, Browser, Progress,
                        OtherImages, SerialImport, SerialSettings, CameraFolder,
                        Template, SaveFolder, Version };
const char* DialogKindName(DialogKind kind);

class DialogSeam {
 public:
  struct Answer {
    enum class Act { Accept, Cancel, Value } act = Act::Cancel;
    int button = -1;           // Box: index of the button in shown order
    std::string label;         // Box: label of the button (as shown, with or without its mnemonic)
    std::string text;          // Date (YYYYMMDD), Title, Folder
    std::vector<size_t> order; // Sources: entry indexes in the order they are added
    UndatedChoice::Kind undated = UndatedChoice::Kind::Cancel;  // Undated: the option chosen
    bool opened = false;       // Browser: what opening the page reports
  };

  // What a dialog showed when it came up.
  struct Shown {
    DialogKind kind;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
  };

  using Observer = std::function<void(DialogKind kind, QWidget* dialog)>;

  // On: dialogs answer from the queues. Off (the default): they wait for the user. Both clear the
  // queues, the record and the observer.
  static void Enable();
  static void Disable();
  static bool Enabled();

  // Boxes (message, confirmation, question, erase question): the button pressed.
  static void NextButton(int index);
  static void NextButton(const std::string& label);
  static void NextDate(const std::string& yyyymmdd);
  static void NextTitle(const std::string& title);  // replaces the suggestion in the text box
  static void NextSources(const std::vector<size_t>& order);
  static void NextUndated(UndatedChoice::Kind option);  // FileDate or GivenDate
  static void NextFolder(const std::filesystem::path& folder);
  static void NextBrowser(bool opened);
  // A text answer for a dialog of kind (SerialImport: "0" or "1", the transfer unit; CameraFolder:
  // the camera folder's name).
  static void NextText(DialogKind kind, const std::string& text);
  // The relocation's folder dialog: the folder typed in, then OK (with its checks).
  static void NextSaveFolder(const std::filesystem::path& folder);
  // OK with the widgets as they are (after the observer changed them), or Cancel.
  static void NextAccept(DialogKind kind);
  static void NextCancel(DialogKind kind);
  static size_t Pending(DialogKind kind);

  static void SetObserver(Observer observer);

  static std::vector<Shown> ShownDialogs();
  // Dialogs that found nothing queued or could not take their answer, in order.
  static std::vector<std::string> Misses();

  // Called by a dialog that is shown and ready: records it, lets the observer see it and takes the
  // next answer (a miss answers Cancel). Only with the seam enabled.
  static Answer Take(DialogKind kind, QWidget* dialog, Shown shown);
  static void Miss(const std::string& what);
  // Called by a window that takes no answer (the progress window) once it is shown: recorded and
  // seen by the observer. Only with the seam enabled.
  static void Opened(DialogKind kind, QWidget* window, Shown shown);
};

}  // namespace orrivan::gui
