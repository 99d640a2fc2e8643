#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace hvt::testing {

// A new folder of its own under the system's temporary folder.
// create_directory is false for a folder that is there already, so a name
// another process took is never shared.
inline std::filesystem::path NewTempFolder(const std::string& prefix) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix + "-";
    for (int i = 0; i < 10; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
    if (std::filesystem::create_directory(base / name)) return base / name;
  }
  throw std::runtime_error("no new folder in " + base.string());
}

// Such a folder for the life of a test, removed with what it holds.
struct TempFolder {
  explicit TempFolder(const std::string& prefix) : path(NewTempFolder(prefix)) {}
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::filesystem::path path;
};

}  // namespace hvt::testing
