#include "model/Settings.h"

#include <climits>
#include <fstream>
#include <iterator>
#include <system_error>

#include "model/Profile.h"

namespace fs = std::filesystem;

namespace hvt {
namespace {

// Settings files are a few hundred bytes; anything far larger is not ours
// and is not read whole.
constexpr std::uintmax_t kMaxSettingsFileSize = 1 << 20;

bool ReadFile(const fs::path& path, std::string& content) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec || size > kMaxSettingsFileSize) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

std::string SettingsFile::ReadSetting(std::string_view section, std::string_view key) const {
  std::string content;
  if (!ReadFile(file, content)) return {};
  return ProfileRead(content, section, key);
}

bool SettingsFile::WriteSetting(std::string_view section, std::string_view key,
                                std::string_view value) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (ec) return false;

  std::string content;
  const bool exists = fs::exists(file, ec);
  if (exists) {
    protect(file, false);
    if (!ReadFile(file, content)) {
      protect(file, true);
      return false;
    }
  }
  const std::string updated = ProfileWrite(content, section, key, value);

  // Write beside the file and rename over it, so a full disk or a crash
  // leaves the previous settings intact.
  fs::path temp = file;
  temp += ".tmp";
  bool ok = false;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
      out.flush();
      ok = static_cast<bool>(out);
    }
  }
  if (ok) {
    fs::rename(temp, file, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temp, ec);
  if (fs::exists(file, ec)) protect(file, true);
  return ok;
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
