// Starts the fakecam binary of the build tree for one test and stops it afterwards. The camera's
// log tells the test what the camera saw.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orrivan::test {

inline std::filesystem::path FakecamBinary() {
  if (const char* dir = std::getenv("ORRIVAN_BUILD_DIR")) return std::filesystem::path(dir) / "bin" / "fakecam";
  // Run by hand: the test executable lives in bin/ beside it.
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "fakecam";
}

class FakecamProcess {
 public:
  FakecamProcess(const std::filesystem::path& card, const std::filesystem::path& log,
                 const std::vector<std::string>& extra)
      : log_(log) {
    std::vector<std::string> args = {FakecamBinary().string(), "--card", card.string(), "--log", log.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // Never outlive a test that crashed.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      dup2(out[1], STDOUT_FILENO);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    // The first line is the PC's end of the cable.
    std::string line;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    port_ = line;
  }

  ~FakecamProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  FakecamProcess(const FakecamProcess&) = delete;
  FakecamProcess& operator=(const FakecamProcess&) = delete;

  const std::string& Port() const { return port_; }

  // The events the camera logged, without their time stamps.
  std::vector<std::string> Events() const {
    std::vector<std::string> events;
    for (const auto& [ms, text] : TimedEvents()) events.push_back(text);
    return events;
  }

  // The camera logs an event after the PC has moved on; waits a moment for it to show.
  bool WaitFor(const std::string& event, int timeoutMs = 3000) const {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
      for (const auto& e : Events())
        if (e == event) return true;
      usleep(10'000);
    }
    return false;
  }

  std::vector<std::pair<long long, std::string>> TimedEvents() const {
    std::vector<std::pair<long long, std::string>> events;
    std::ifstream in(log_);
    std::string line;
    while (std::getline(in, line)) {
      auto space = line.find(' ');
      if (space == std::string::npos) continue;
      events.emplace_back(std::stoll(line.substr(0, space)), line.substr(space + 1));
    }
    return events;
  }

 private:
  std::filesystem::path log_;
  pid_t pid_ = -1;
  std::string port_;
};

}  // namespace orrivan::test
