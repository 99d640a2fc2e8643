#ifndef _WIN32

#include "os/AtomicReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <random>

namespace hvt::os {
namespace {

constexpr std::string_view kSaveMark = ".hvt-save-";

bool Fail(std::string* error, int code) {
  if (error) *error = std::strerror(code);
  return false;
}

// ".NAME.hvt-save-": what every temporary file of this document starts with.
std::string SaveFileStem(std::string_view name) {
  std::string stem = ".";
  stem.append(name);
  stem.append(kSaveMark);
  return stem;
}

// The file a link points to, so that saving through a link replaces the
// document and keeps the link. A dangling link is replaced itself.
std::string Resolved(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string target(real);
  std::free(real);
  return target;
}

// The process id of a temporary file name after its stem ("PID-RANDOM"),
// or 0 when the rest is not of that form.
pid_t SaverOf(std::string_view rest) {
  const size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) return 0;
  long pid = 0;
  const char* first = rest.data();
  const char* last = rest.data() + dash;
  const auto [end, ec] = std::from_chars(first, last, pid);
  if (ec != std::errc() || end != last || pid <= 0 || static_cast<pid_t>(pid) != pid) return 0;
  for (const char c : rest.substr(dash + 1)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return 0;
  }
  return static_cast<pid_t>(pid);
}

// Removes what saves of this document killed half-way left in its folder.
// Only files of a process that no longer exists: a live one (ours, or one
// we may not signal) may still be writing its own.
void RemoveStaleSaveFiles(const std::string& folder, const std::string& stem) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entryName(entry->d_name);
    if (entryName.substr(0, stem.size()) != stem) continue;
    const pid_t pid = SaverOf(entryName.substr(stem.size()));
    if (pid == 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    ::unlink((folder + std::string(entryName)).c_str());
  }
  ::closedir(dir);
}

// A new file of our own beside the document; the random part keeps two
// saves of the same process apart.
int CreateSaveFile(const std::string& folder, const std::string& stem, std::string& temp) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  const std::string start = folder + stem + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = start;
    for (int i = 0; i < 8; ++i) temp += kDigits[random() % (sizeof kDigits - 1)];
    // The mode of any new file; the user's mask applies.
    int fd;
    do {
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// 0 or the reason the bytes did not all reach the disk.
int WriteAndSync(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;  // a regular file never takes nothing without a reason
    done += static_cast<size_t>(n);
  }
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Makes the rename itself durable. File systems that cannot sync a folder
// say so with EINVAL; the rename is then as safe as they make it, as it is
// when the folder cannot be opened for reading.
int SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  int code = 0;
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    if (errno != EINVAL && errno != ENOTSUP && errno != EROFS) code = errno;
    break;
  }
  ::close(fd);
  return code;
}

}  // namespace

bool AtomicReplace(const std::string& path, std::string_view bytes, std::string* error) {
  const std::string target = Resolved(path);
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = target.substr(folder.size());
  if (name.empty()) return Fail(error, EISDIR);
  const std::string stem = SaveFileStem(name);
  RemoveStaleSaveFiles(folder, stem);

  // A document the user made read-only is refused, as writing it in place
  // would be; the rename alone would not ask.
  struct stat previous {};
  const bool exists = ::stat(target.c_str(), &previous) == 0;
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    return Fail(error, errno);
  }
  std::string temp;
  const int fd = CreateSaveFile(folder, stem, temp);
  if (fd < 0) return Fail(error, errno);
  if (exists && S_ISREG(previous.st_mode)) {
    ::fchmod(fd, previous.st_mode & 0777);  // at worst the new file has the usual mode
  }
  int code = WriteAndSync(fd, bytes);
  // Linux frees the descriptor even when close is interrupted; the bytes are
  // synced already.
  if (::close(fd) != 0 && code == 0 && errno != EINTR) code = errno;
  if (code == 0 && ::rename(temp.c_str(), target.c_str()) != 0) code = errno;
  if (code != 0) {
    ::unlink(temp.c_str());
    return Fail(error, code);
  }
  // The document is replaced by now; a folder that did not reach the disk
  // is still worth telling, as the save may not survive a power cut.
  code = SyncFolder(folder);
  return code == 0 ? true : Fail(error, code);
}

}  // namespace hvt::os

#else  // _WIN32

#include "os/AtomicReplace.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <random>

namespace hvt::os {
namespace {

constexpr std::wstring_view kSaveMark = L".hvt-save-";

bool Fail(std::string* error, DWORD code) {
  if (error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
      message.pop_back();
    }
    *error = message;
  }
  return false;
}

// The program's paths are UTF-8, as Qt hands them over.
std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// Whether the process that made a temporary file has ended; a process we
// may not ask about counts as running.
bool Ended(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return ended;
}

// The process id of "PID-RANDOM", or 0 when the rest is not of that form.
DWORD SaverOf(std::wstring_view rest) {
  const size_t dash = rest.find(L'-');
  if (dash == 0 || dash == std::wstring_view::npos || dash + 1 == rest.size()) return 0;
  unsigned long pid = 0;
  for (const wchar_t c : rest.substr(0, dash)) {
    if (c < L'0' || c > L'9' || pid > 0xFFFFFFFFul / 10) return 0;
    pid = pid * 10 + static_cast<unsigned long>(c - L'0');
  }
  for (const wchar_t c : rest.substr(dash + 1)) {
    const bool alnum =
        (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (!alnum) return 0;
  }
  return static_cast<DWORD>(pid);
}

void RemoveStaleSaveFiles(const std::wstring& folder, const std::wstring& stem) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + stem + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring_view name(found.cFileName);
    if (name.substr(0, stem.size()) != stem) continue;
    const DWORD pid = SaverOf(name.substr(stem.size()));
    if (pid == 0 || pid == GetCurrentProcessId() || !Ended(pid)) continue;
    DeleteFileW((folder + std::wstring(name)).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

HANDLE CreateSaveFile(const std::wstring& folder, const std::wstring& stem, std::wstring& temp) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  const std::wstring start = folder + stem + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = start;
    for (int i = 0; i < 8; ++i) temp += kDigits[random() % (sizeof kDigits / sizeof *kDigits - 1)];
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

// 0 or the reason the bytes did not all reach the disk.
DWORD WriteAndFlush(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return FlushFileBuffers(file) ? 0 : GetLastError();
}

}  // namespace

bool AtomicReplace(const std::string& path, std::string_view bytes, std::string* error) {
  const std::wstring target = Wide(path);
  const size_t slash = target.find_last_of(L"/\\");
  const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring name = target.substr(folder.size());
  if (name.empty()) return Fail(error, ERROR_DIRECTORY);
  std::wstring stem = L".";
  stem.append(name);
  stem.append(kSaveMark);
  RemoveStaleSaveFiles(folder, stem);

  // A read-only document is refused: the move would replace it regardless.
  const DWORD previous = GetFileAttributesW(target.c_str());
  const bool exists = previous != INVALID_FILE_ATTRIBUTES;
  if (exists && (previous & FILE_ATTRIBUTE_DIRECTORY)) return Fail(error, ERROR_DIRECTORY);
  if (exists && (previous & FILE_ATTRIBUTE_READONLY)) return Fail(error, ERROR_ACCESS_DENIED);

  std::wstring temp;
  HANDLE file = CreateSaveFile(folder, stem, temp);
  if (file == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
  DWORD code = WriteAndFlush(file, bytes);
  if (!CloseHandle(file) && code == 0) code = GetLastError();
  // The document's own hidden or system mark goes with the new content.
  const DWORD kept = exists ? previous & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) : 0;
  if (code == 0 && kept) SetFileAttributesW(temp.c_str(), kept);
  if (code == 0 && !MoveFileExW(temp.c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = GetLastError();
  }
  if (code != 0) {
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temp.c_str());
    return Fail(error, code);
  }
  return true;
}

}  // namespace hvt::os

#endif
