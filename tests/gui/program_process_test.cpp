// The program as a process: no display, a bad command line, a second start while one runs (it must
// leave the home folder byte for byte as it was), a socket left by a crashed run, and a second writer
// of the home folder turned away while the window holds it.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "base/paths.h"
#include "gui/single_instance.h"
#include "gui_fixture.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

QString BuiltProgram(const char* name) {
  const char* build = std::getenv("ORRIVAN_BUILD_DIR");
  return QString::fromStdString((build ? fs::path(build) / "bin" : ExecutableFolder()) / name);
}

// Every file and folder under root with its bytes, so two readings compare byte for byte.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> tree;
  std::error_code ec;
  if (!fs::exists(root, ec)) return tree;
  for (fs::recursive_directory_iterator it(root, ec), end; it != end; it.increment(ec)) {
    const fs::path rel = fs::relative(it->path(), root);
    if (it->is_regular_file()) {
      tree[rel.string()] = test::ReadFile(it->path());
    } else {
      tree[rel.string() + "/"] = "";
    }
  }
  return tree;
}

class ProgramProcess : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    runtime_ = dir_.path() / "run";
    fs::create_directories(runtime_);
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("TMPDIR", QString::fromStdString(runtime_.string()));  // the test's own socket folder
    env_.insert("ASAN_OPTIONS", "detect_leaks=0");
    env_.insert("XDG_CONFIG_HOME", QString::fromStdString((dir_.path() / "config").string()));
    settings::SetInt(settings::Key::AutoTakeIn, 1);  // a program started here starts no card watcher
    args_ = {"--home", QString::fromStdString(home_.string()), "--config",
             QString::fromStdString((dir_.path() / "Orrivan.conf").string())};
  }
  void TearDown() override {
    if (first_.state() != QProcess::NotRunning) {
      first_.kill();
      first_.waitForFinished(5000);
    }
    GuiFixture::TearDown();
  }
  fs::path SocketPath() const { return runtime_ / gui::SingleInstance::ServerName().toStdString(); }

  // Starts the first program and waits until its server listens.
  void StartFirst() {
    first_.setProcessEnvironment(env_);
    first_.start(BuiltProgram("orrivan"), args_);
    ASSERT_TRUE(first_.waitForStarted(5000));
    for (int i = 0; i < 400 && !Answers(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(Answers()) << first_.readAllStandardError().toStdString();
  }
  // Whether a program answers on the socket (asked only whether it runs: no window is raised).
  bool Answers() {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(SocketPath().string()));
    if (!socket.waitForConnected(200)) return false;
    socket.write("ping\n");
    socket.waitForBytesWritten(200);
    return socket.waitForReadyRead(1000) && socket.readLine().trimmed() == "pong";
  }
  int RunToEnd(const QString& program, const QStringList& args, const QProcessEnvironment& env, QString* err = nullptr) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(20000)) {
      p.kill();
      p.waitForFinished();
      return -1;
    }
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  fs::path runtime_;
  QProcessEnvironment env_;
  QStringList args_;
  QProcess first_;
};

TEST_F(ProgramProcess, NoDisplayIsRefusedBeforeAnythingIsMade) {
  QProcessEnvironment env = env_;
  env.remove("QT_QPA_PLATFORM");
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  const fs::path fresh = dir_.path() / "fresh-home";
  QString err;
  EXPECT_EQ(RunToEnd(BuiltProgram("orrivan"), {"--home", QString::fromStdString(fresh.string())}, env, &err), 1);
  EXPECT_TRUE(err.contains("no display")) << err.toStdString();
  EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(ProgramProcess, UnknownArgumentsAreAUsageError) {
  QString err;
  EXPECT_EQ(RunToEnd(BuiltProgram("orrivan"), {"--hom", "x"}, env_, &err), 2);
  EXPECT_TRUE(err.contains("usage: orrivan")) << err.toStdString();
  EXPECT_EQ(RunToEnd(BuiltProgram("orrivan"), {"--home"}, env_, &err), 2);
}

TEST_F(ProgramProcess, SecondStartHandsOverAndLeavesTheHomeFolderByteIdentical) {
  StartFirst();
  const auto before = Snapshot(home_);
  const auto config = test::ReadFile(dir_.path() / "Orrivan.conf");
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(RunToEnd(BuiltProgram("orrivan"), args_, env_), 0);
  EXPECT_EQ(Snapshot(home_), before);
  EXPECT_EQ(test::ReadFile(dir_.path() / "Orrivan.conf"), config);
  EXPECT_TRUE(Answers());  // the first one runs on
  EXPECT_EQ(first_.state(), QProcess::Running);
}

TEST_F(ProgramProcess, ASocketLeftByACrashedRunIsTakenOver) {
  // A socket file nobody listens on: bound, then the binder went away.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = SocketPath().string();
  ASSERT_LT(path.size(), sizeof(address.sun_path));
  std::copy(path.begin(), path.end(), address.sun_path);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(fs::exists(SocketPath()));
  StartFirst();
  EXPECT_EQ(first_.state(), QProcess::Running);
}

TEST_F(ProgramProcess, AWriterFromTheCommandLineIsTurnedAwayWhileTheWindowHoldsTheHome) {
  ASSERT_TRUE(StartProgram());
  fs::create_directories(dir_.path() / "card" / "DCIM" / "100TEST");
  QString err;
  const int code = RunToEnd(BuiltProgram("orrivan-cli"),
                            args_ + QStringList{"import", "--from", QString::fromStdString((dir_.path() / "card").string()),
                                                "--yes", "--no-open"},
                            env_, &err);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(err.contains("another Orrivan is writing this home folder")) << err.toStdString();
}

}  // namespace
}  // namespace orrivan
