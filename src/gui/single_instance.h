// One desktop program per user: a local server named "RKOrrivan!Main-<uid>". A second start asks the
// first to raise its active window (or its open dialog) and ends without touching any file. A socket
// left by a crashed run, which nobody answers, is removed; a lock serialises two starts at once.
// A client that sends "ping" only learns that the program runs ("pong"); the card watcher asks so.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace orrivan::gui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Outcome { Primary, AnotherRuns, Failed };

  explicit SingleInstance(QObject* parent = nullptr);
  static QString ServerName();

  // Asks a running instance to raise itself (AnotherRuns), or becomes the instance (Primary).
  Outcome Claim();
  // Called when another start asks this instance to come forward.
  void SetRaiseHandler(std::function<void()> handler) { raise_ = std::move(handler); }

 private:
  void OnConnection();

  QLocalServer server_;
  std::function<void()> raise_;
};

// Shows the program's window in front: its open modal dialog when there is one, else the active
// window, else the main frame.
void RaiseProgramWindow(QWidget* mainFrame);

}  // namespace orrivan::gui
