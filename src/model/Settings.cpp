#include "model/Settings.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "model/Profile.h"

namespace fs = std::filesystem;

namespace hvt {
namespace {

// Settings files are a few hundred bytes; anything far larger is not ours
// and is not read whole.
constexpr std::uintmax_t kMaxSettingsFileSize = 1 << 20;

// Reads the file; an empty reason with false means there is none.
bool ReadFile(const fs::path& path, std::string& content, std::string& reason) {
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    if (ec) reason = ec.message();
    return false;
  }
  const auto size = fs::file_size(path, ec);
  if (ec) {
    reason = "cannot be read: " + ec.message();
    return false;
  }
  if (size > kMaxSettingsFileSize) {
    reason = "too large to be a settings file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    reason = "cannot be read";
    return false;
  }
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) reason = "cannot be read";
  return !in.bad();
}

// Only the write bits change, so a file the user keeps private stays private.
void DefaultProtect(const fs::path& path, bool protect) {
  std::error_code ec;
  using P = fs::perms;
  if (protect) {
    fs::permissions(path, P::owner_write | P::group_write | P::others_write,
                    fs::perm_options::remove, ec);
  } else {
    fs::permissions(path, P::owner_write, fs::perm_options::add, ec);
  }
}

}  // namespace

SettingsFile::SettingsFile(fs::path settingsFile, ProtectFn protectFn)
    : file(std::move(settingsFile)), protect(protectFn ? std::move(protectFn) : DefaultProtect) {}

fs::path SettingsFile::PathUnder(const fs::path& configFolder) {
  return configFolder / "Korrin" / "HVT-KP4RS" / "HVT-KP4RS.INI";
}

void SettingsFile::Fail(const std::string& reason) const {
  if (failureTold || !onFailure) return;
  failureTold = true;
  onFailure(file.string(), reason + "; the settings are not kept");
}

std::string SettingsFile::ReadSetting(std::string_view section, std::string_view key) const {
  return FindSetting(section, key).value_or(std::string());
}

std::optional<std::string> SettingsFile::FindSetting(std::string_view section, std::string_view key,
                                                     std::string* whyNot) const {
  std::string content, reason;
  const bool read = ReadFile(file, content, reason);
  if (whyNot) *whyNot = reason;
  if (!read) {
    if (!reason.empty()) Fail(reason);
    return std::nullopt;
  }
  return ProfileFind(content, section, key);
}

bool SettingsFile::WriteSetting(std::string_view section, std::string_view key,
                                std::string_view value, std::string* whyNot) {
  auto fail = [&](const std::string& why) {
    if (whyNot) *whyNot = why;
    Fail(why);
    return false;
  };
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (ec) return fail("cannot create its folder: " + ec.message());

  std::string content, reason;
  const bool exists = fs::exists(file, ec);
  // The mode the file keeps, write bits apart.
  std::optional<fs::perms> mode;
  if (exists) {
    mode = fs::status(file, ec).permissions() & fs::perms::all;
    protect(file, false);
    if (!ReadFile(file, content, reason)) {
      protect(file, true);
      return fail(reason);
    }
  }
  const std::string updated = ProfileWrite(content, section, key, value);

  // Write beside the file and rename over it, so a full disk or a crash
  // leaves the previous settings intact. The copy gets the old file's mode
  // before anything is written into it, so a private file stays private.
  fs::path temp = file;
  temp += ".tmp";
  fs::remove(temp, ec);  // a stale one would pass its own mode on
  bool ok = false;
  int writeError = 0;
  {
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (out) {
      if (mode)
        fs::permissions(temp, (*mode | fs::perms::owner_write) & ~fs::perms::owner_exec,
                        fs::perm_options::replace, ec);
      out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
      out.flush();
      ok = static_cast<bool>(out);
    }
    writeError = errno;
  }
  // The streams keep the system's reason to themselves; errno still has it.
  if (!ok)
    reason = writeError ? "cannot be written: " + std::string(std::strerror(writeError))
                        : std::string("cannot be written");
  if (ok) {
    fs::rename(temp, file, ec);
    ok = !ec;
    if (!ok) reason = "cannot be replaced: " + ec.message();
  }
  if (!ok) fs::remove(temp, ec);
  if (fs::exists(file, ec)) protect(file, true);
  if (!ok) return fail(reason);
  return true;
}

int DecimalValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

uint16_t PortNumberFromSetting(std::string_view text) {
  const auto port = static_cast<uint16_t>(static_cast<unsigned>(DecimalValue(text)));
  return (port == 0 || port > 257) ? 1 : port;
}

int InjectionTypeFromSetting(std::string_view text) {
  const int type = DecimalValue(text);
  return (type == 1 || type == 3) ? type : 3;
}

WindowPosition ReadWindowPosition(const SettingsFile& settings) {
  WindowPosition pos;
  pos.left = DecimalValue(settings.ReadSetting("Position", "left"));
  pos.top = DecimalValue(settings.ReadSetting("Position", "top"));
  pos.right = DecimalValue(settings.ReadSetting("Position", "right"));
  pos.bottom = DecimalValue(settings.ReadSetting("Position", "bottom"));
  if (pos.right == 0) pos.right = 800;
  if (pos.bottom == 0) pos.bottom = 550;
  return pos;
}

}  // namespace hvt
