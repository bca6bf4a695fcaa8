#include "gui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLocalSocket>
#include <QWidget>

namespace orrivan::gui {

namespace {

constexpr int kConnectMs = 500;

// Held only while a start decides; released when the decision is made.
class ClaimLock {
 public:
  explicit ClaimLock(const QString& path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~ClaimLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

QString SingleInstance::ServerName() { return QString("RKOrrivan!Main-%1").arg(::getuid()); }

SingleInstance::Outcome SingleInstance::Claim() {
  const QString name = ServerName();
  ClaimLock lock(QDir(QDir::tempPath()).filePath(name + ".lock"));
  if (!lock.Held()) return Outcome::Failed;
  {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(kConnectMs)) {
      socket.write("raise\n");
      socket.waitForBytesWritten(kConnectMs);
      socket.disconnectFromServer();
      return Outcome::AnotherRuns;
    }
  }
  // Nobody answers: whatever socket file is left belongs to a run that ended.
  QLocalServer::removeServer(name);
  return server_.listen(name) ? Outcome::Primary : Outcome::Failed;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket->canReadLine()) return;
      const QByteArray line = socket->readLine().trimmed();
      if (line == "ping") {
        socket->write("pong\n");
        socket->flush();
        return;
      }
      if (raise_) raise_();
      socket->disconnectFromServer();
    });
  }
}

void RaiseProgramWindow(QWidget* mainFrame) {
  if (mainFrame) {
    if (mainFrame->isMinimized()) mainFrame->showNormal();
    mainFrame->show();
    mainFrame->raise();
  }
  QWidget* front = QApplication::activeModalWidget();
  if (!front) front = mainFrame;
  if (!front) return;
  front->show();
  front->raise();
  front->activateWindow();
}

}  // namespace orrivan::gui
