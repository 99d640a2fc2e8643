#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <filesystem>
#include <string>

#include "model/Settings.h"

namespace hvt::testing {

// A private config and runtime folder for one start of the desktop program,
// named after the running test; removed afterwards.
struct AppFolders {
  explicit AppFolders(const std::string& prefix)
      : root(std::filesystem::temp_directory_path() /
             (prefix + "-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(root / "rt");
    std::filesystem::permissions(root / "rt", std::filesystem::perms::owner_all);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((root / "cfg").string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root / "data").string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((root / "rt").string()));
  }
  AppFolders(const AppFolders&) = delete;
  AppFolders& operator=(const AppFolders&) = delete;
  ~AppFolders() { std::filesystem::remove_all(root); }

  SettingsFile Settings() const { return SettingsFile(SettingsFile::PathUnder(root / "cfg")); }

  std::filesystem::path root;
};

}  // namespace hvt::testing
