#include "hvtctl/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace hvt {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same = fs::equivalent(fs::u8path(a), fs::u8path(b), ec);
  return !ec && same;
}

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  // A dangling symbolic link counts: writing through it would create a file
  // somewhere the user did not name.
  return fs::exists(fs::symlink_status(fs::u8path(path), ec));
}

}  // namespace

bool OutputAllowed(const char* who, const std::string& input, const std::string& output,
                   bool replaceExisting, std::ostream& err) {
  if (IsStdStream(output)) return true;
  if (!input.empty() && !IsStdStream(input) && SameFile(input, output)) {
    err << who << ": " << output << ": is the input file " << input
        << "; writing it would destroy the input\n";
    return false;
  }
  if (!replaceExisting && Exists(output)) {
    err << who << ": " << output << ": exists; give --force to replace it\n";
    return false;
  }
  return true;
}

bool ReadInput(const std::string& path, std::string& bytes, std::string* error) {
  if (!IsStdStream(path)) return ReadWholeFile(path, bytes, error);
  bytes.clear();
  char buffer[65536];
  while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
    bytes.append(buffer, static_cast<size_t>(std::cin.gcount()));
    if (bytes.size() > kMaxReadBytes) {
      if (error) *error = "larger than " + std::to_string(kMaxReadBytes) + " bytes";
      return false;
    }
  }
  if (std::cin.bad()) {
    if (error) *error = "cannot read standard input";
    return false;
  }
  return true;
}

bool WriteOutput(const std::string& path, std::string_view bytes, bool replaceExisting,
                 std::ostream& out, std::string* error) {
  if (IsStdStream(path)) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      if (error) *error = "cannot write to standard output";
      return false;
    }
    return true;
  }
  return replaceExisting ? WriteFileAtomically(path, bytes, error)
                         : CreateFileAtomically(path, bytes, error);
}

#ifndef _WIN32

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Moves temp to path unless path exists, in one step where the file system
// allows it.
int LinkWithoutReplacing(const std::string& temp, const std::string& path) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  if (::link(temp.c_str(), path.c_str()) == 0) return 0;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK) return errno;
  // A file system without hard links: only a check before the rename is left.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return EEXIST;
  return ::rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
}

}  // namespace

bool CreateFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  auto fail = [error](int code) {
    if (error) *error = std::strerror(code);
    return false;
  };
  std::random_device random;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    temp = path + suffix;
    // The mode before the user's mask, as for any new file.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fail(errno);
  }
  if (fd < 0) return fail(EEXIST);
  int code = 0;
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) code = errno ? errno : EIO;
  if (::close(fd) != 0 && code == 0) code = errno;
  if (code == 0) code = LinkWithoutReplacing(temp, path);
  ::unlink(temp.c_str());  // fails harmlessly once renamed
  return code == 0 ? true : fail(code);
}

#else

bool CreateFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  if (Exists(path)) {
    if (error) *error = "file exists";
    return false;
  }
  return WriteFileAtomically(path, bytes, error);
}

#endif

}  // namespace hvt
