#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace hvt::testing {

// An hvt-sim child with its standard input and output on pipes. Every wait
// is bounded and sleeps in poll(), never in a fixed delay.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args = {}) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), HVT_SIM_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid, HVT_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    toSim = in[1];
    fromSim = out[0];
    path = ReadLine(5000);
  }
  ~SimProcess() { Stop(); }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The device path of the program's side ("" when it did not start).
  const std::string& Path() const { return path; }

  // One fault command; returns the simulator's reply line.
  std::string Command(const std::string& line) {
    const std::string text = line + "\n";
    if (write(toSim, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return {};
    return ReadLine(5000);
  }

  std::string ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const size_t eol = buffer.find('\n');
      if (eol != std::string::npos) {
        std::string line = buffer.substr(0, eol);
        buffer.erase(0, eol + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || fromSim < 0) return {};
      pollfd p{fromSim, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char chunk[256];
      const ssize_t n = read(fromSim, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffer.append(chunk, static_cast<size_t>(n));
    }
  }

  // Closes its input, which ends it; a simulator that does not end within
  // the bound is killed. Returns whether it ended by itself.
  bool Stop() {
    if (pid <= 0) return true;
    close(toSim);
    toSim = -1;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fromSim, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char chunk[256];
        if (read(fromSim, chunk, sizeof chunk) <= 0) {
          ended = true;  // its output closed: it has exited
          break;
        }
      }
    }
    if (!ended) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(fromSim);
    fromSim = -1;
    pid = -1;
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  pid_t pid = -1;
  int toSim = -1;
  int fromSim = -1;
  std::string buffer;
  std::string path;
};

}  // namespace hvt::testing
