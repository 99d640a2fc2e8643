#include "os/JournalFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hvt::os {

namespace fs = std::filesystem;

std::filesystem::path UserJournalFolder() {
  const fs::path tail = fs::path("Korrin") / "HVT-KP4RS" / "journal";
#ifdef _WIN32
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && *local) return local / tail;
  return fs::path(L".") / tail;
#else
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return xdg / tail;
  if (const char* home = std::getenv("HOME"); home && *home) {
    return fs::path(home) / ".local" / "share" / tail;
  }
  return fs::path(".local") / "share" / tail;
#endif
}

namespace {

#ifdef _WIN32
// Paths as UTF-8 bytes and back (C++20 made u8string a string of char8_t).
std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}
#endif

bool IsJournalName(const std::string& name) {
  return name.size() > 6 && name.compare(name.size() - 6, 6, ".jsonl") == 0 &&
         name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

#ifndef _WIN32

bool Fail(std::string* error, int code) {
  if (error) *error = std::strerror(code);
  return false;
}

class PosixFile : public JournalFile {
 public:
  explicit PosixFile(int fd) : fd(fd) {}
  ~PosixFile() override { ::close(fd); }  // the lock goes with the descriptor

  bool AppendAndSync(std::string_view bytes, std::string* error) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(error, n < 0 ? errno : EIO);
      done += static_cast<size_t>(n);
    }
    // fdatasync would leave the file's size to chance on some file systems.
    while (::fsync(fd) != 0) {
      if (errno != EINTR) return Fail(error, errno);
    }
    return true;
  }

 private:
  int fd;
};

class PosixFolder : public JournalFolder {
 public:
  explicit PosixFolder(fs::path folder) : folder(std::move(folder)) {}

  std::string Path() const override { return folder.string(); }

  std::unique_ptr<JournalFile> Create(const std::string& name, std::string* error) override {
    if (!IsJournalName(name)) {
      Fail(error, EINVAL);
      return nullptr;
    }
    const std::string path = (folder / name).string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
      Fail(error, errno);
      return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      Fail(error, errno);
      ::close(fd);
      return nullptr;
    }
    // The new name reaches the medium before the first record can.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return std::make_unique<PosixFile>(fd);
  }

  std::unique_ptr<JournalFile> OpenUnlocked(const std::string& name, bool* busy,
                                            std::string* error) override {
    if (busy) *busy = false;
    if (!IsJournalName(name)) {
      Fail(error, EINVAL);
      return nullptr;
    }
    const std::string path = (folder / name).string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
      Fail(error, errno);
      return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (busy) *busy = errno == EWOULDBLOCK;
      Fail(error, errno);
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
  }

  std::vector<std::string> List() const override {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const std::string name = entry.path().filename().string();
      if (IsJournalName(name) && entry.is_regular_file(ec)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  bool ReadTail(const std::string& name, uint64_t maxBytes, std::string& tail,
                uint64_t& size) const override {
    if (!IsJournalName(name)) return false;
    const std::string path = (folder / name).string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
      size = static_cast<uint64_t>(st.st_size);
      const uint64_t from = size > maxBytes ? size - maxBytes : 0;
      tail.assign(static_cast<size_t>(size - from), '\0');
      size_t done = 0;
      while (ok && done < tail.size()) {
        const ssize_t n =
            ::pread(fd, tail.data() + done, tail.size() - done, static_cast<off_t>(from + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
          ok = false;
        else
          done += static_cast<size_t>(n);
      }
    }
    ::close(fd);
    return ok;
  }

 private:
  fs::path folder;
};

#else  // _WIN32

bool Fail(std::string* error, DWORD code) {
  if (error) {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    *error = text ? text : "error " + std::to_string(code);
    while (!error->empty() && (error->back() == '\n' || error->back() == '\r')) error->pop_back();
    if (text) LocalFree(text);
  }
  return false;
}

class WindowsFile : public JournalFile {
 public:
  explicit WindowsFile(HANDLE file) : file(file) {}
  ~WindowsFile() override { CloseHandle(file); }  // and with it the lock

  bool AppendAndSync(std::string_view bytes, std::string* error) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
        return Fail(error, GetLastError());
      }
      done += written;
    }
    if (!FlushFileBuffers(file)) return Fail(error, GetLastError());
    return true;
  }

 private:
  HANDLE file;
};

// The lock is a byte range far past any journal's end, so that it never
// stands in the way of reading.
bool LockJournal(HANDLE file) {
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFF0u;
  at.OffsetHigh = 0x7FFFFFFFu;
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

class WindowsFolder : public JournalFolder {
 public:
  explicit WindowsFolder(fs::path folder) : folder(std::move(folder)) {}

  std::string Path() const override { return Utf8(folder); }

  std::unique_ptr<JournalFile> Create(const std::string& name, std::string* error) override {
    if (!IsJournalName(name)) {
      Fail(error, ERROR_INVALID_NAME);
      return nullptr;
    }
    const fs::path path = folder / FromUtf8(name);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Fail(error, GetLastError());
      return nullptr;
    }
    if (!LockJournal(file)) {
      Fail(error, GetLastError());
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<WindowsFile>(file);
  }

  std::unique_ptr<JournalFile> OpenUnlocked(const std::string& name, bool* busy,
                                            std::string* error) override {
    if (busy) *busy = false;
    if (!IsJournalName(name)) {
      Fail(error, ERROR_INVALID_NAME);
      return nullptr;
    }
    const fs::path path = folder / FromUtf8(name);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (busy) *busy = code == ERROR_SHARING_VIOLATION;
      Fail(error, code);
      return nullptr;
    }
    if (!LockJournal(file)) {
      const DWORD code = GetLastError();
      if (busy) *busy = code == ERROR_LOCK_VIOLATION;
      Fail(error, code);
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<WindowsFile>(file);
  }

  std::vector<std::string> List() const override {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const std::string name = Utf8(entry.path().filename());
      if (IsJournalName(name) && entry.is_regular_file(ec)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  bool ReadTail(const std::string& name, uint64_t maxBytes, std::string& tail,
                uint64_t& size) const override {
    if (!IsJournalName(name)) return false;
    const fs::path path = folder / FromUtf8(name);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length{};
    bool ok = GetFileSizeEx(file, &length) != 0;
    if (ok) {
      size = static_cast<uint64_t>(length.QuadPart);
      const uint64_t from = size > maxBytes ? size - maxBytes : 0;
      tail.assign(static_cast<size_t>(size - from), '\0');
      size_t done = 0;
      while (ok && done < tail.size()) {
        OVERLAPPED at{};
        const uint64_t offset = from + done;
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(tail.size() - done, 1u << 30));
        if (!ReadFile(file, tail.data() + done, chunk, &got, &at) || got == 0) ok = false;
        done += got;
      }
    }
    CloseHandle(file);
    return ok;
  }

 private:
  fs::path folder;
};

#endif

class SystemClock : public JournalClock {
 public:
  int64_t UtcMs() const override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  }
  int64_t MonotonicMs() const override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

}  // namespace

std::unique_ptr<JournalFolder> OpenJournalFolder(const std::filesystem::path& folder,
                                                 std::string* error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    if (error) *error = ec ? ec.message() : "not a folder";
    return nullptr;
  }
#ifdef _WIN32
  return std::make_unique<WindowsFolder>(folder);
#else
  return std::make_unique<PosixFolder>(folder);
#endif
}

std::string LoginName() {
#ifdef _WIN32
  wchar_t name[256];
  DWORD size = 256;
  if (GetUserNameW(name, &size) && size > 0) return Utf8(fs::path(name));
  return {};
#else
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return entry->pw_name;
  if (const char* user = std::getenv("USER"); user) return user;
  return {};
#endif
}

const JournalClock& SystemJournalClock() {
  static const SystemClock clock;
  return clock;
}

}  // namespace hvt::os
