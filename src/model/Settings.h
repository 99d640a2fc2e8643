#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hvt {

// The per-user settings file. Reads never create anything; each write
// creates the folders if needed, lifts the file's protection, rewrites the
// file in one step and protects it again. A failure keeps the old value and
// is told to onFailure, once for the life of the object.
class SettingsFile {
 public:
  // Called with true after a write to protect the file, with false before a
  // write to lift the protection. The default takes every write bit away
  // and gives the owner's back, nothing else: 0600 is 0400 between writes,
  // and a new file has the user's default mode without its write bits.
  using ProtectFn = std::function<void(const std::filesystem::path&, bool protect)>;

  explicit SettingsFile(std::filesystem::path file, ProtectFn protect = {});

  std::string ReadSetting(std::string_view section, std::string_view key) const;
  // The value, or nothing when the file, the section or the key is missing
  // or the file cannot be read; then reason, when given, says why (empty
  // when nothing failed).
  std::optional<std::string> FindSetting(std::string_view section, std::string_view key,
                                         std::string* reason = nullptr) const;
  // Returns whether the value reached the file (callers may ignore it); when
  // it did not, reason, when given, says why.
  bool WriteSetting(std::string_view section, std::string_view key, std::string_view value,
                    std::string* reason = nullptr);

  const std::filesystem::path& path() const { return file; }

  // Told (path, reason) the first time the file cannot be read or written.
  std::function<void(const std::string& path, const std::string& reason)> onFailure;

  // Where the file lives under the per-user configuration folder.
  static std::filesystem::path PathUnder(const std::filesystem::path& configFolder);

 private:
  void Fail(const std::string& reason) const;

  std::filesystem::path file;
  ProtectFn protect;
  mutable bool failureTold = false;
};

// Decimal reading of setting texts: leading blanks skipped, optional sign,
// digits up to the first other character, 0 when there are none. Values
// beyond the int range saturate.
int DecimalValue(std::string_view text);

// "PORT_NUM": cut to 16 bits; 0 or above 257 gives 1.
uint16_t PortNumberFromSetting(std::string_view text);
// "TYPE": 1 or 3; anything else gives 3.
int InjectionTypeFromSetting(std::string_view text);

struct WindowPosition {
  long left = 0;
  long top = 0;
  long right = 800;
  long bottom = 550;
};
// The "Position" section with its defaults (right 800 and bottom 550 when 0).
WindowPosition ReadWindowPosition(const SettingsFile& settings);

}  // namespace hvt
