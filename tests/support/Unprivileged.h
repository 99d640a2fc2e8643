#pragma once

#include <functional>
#include <optional>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace hvt::testing {

// Runs check in a process without write rights on other users' folders: the
// test process itself when it is not root, else a child that drops to
// nobody. nullopt when neither can be arranged.
inline std::optional<bool> RunUnprivileged(const std::function<bool()>& check) {
#ifdef _WIN32
  (void)check;
  return std::nullopt;
#else
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2) {
    return std::nullopt;
  }
  return WEXITSTATUS(status) == 0;
#endif
}

}  // namespace hvt::testing
