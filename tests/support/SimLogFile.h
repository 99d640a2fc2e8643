#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace hvt::testing {

// One line of hvt-sim's --log: a frame or a single control byte.
struct LoggedFrame {
  double seconds = 0;
  char direction = 0;  // '<' from the program, '>' to it
  std::vector<uint8_t> bytes;

  // The text between STX and ETX of a whole frame; empty for anything else.
  std::string Text() const {
    if (bytes.size() < 3 || bytes.front() != 0x02 || bytes[bytes.size() - 2] != 0x03) return {};
    return std::string(bytes.begin() + 1, bytes.end() - 2);
  }
  bool IsByte(uint8_t b) const { return bytes.size() == 1 && bytes[0] == b; }
};

// Reads the log back from its hex column; the text after " | " is for the
// eye only.
inline std::vector<LoggedFrame> ReadSimLog(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<LoggedFrame> frames;
  for (std::string line; std::getline(in, line);) {
    const size_t bar = line.find(" | ");
    std::istringstream fields(line.substr(0, bar));
    LoggedFrame f;
    std::string dir;
    if (!(fields >> f.seconds >> dir) || dir.size() != 1) continue;
    f.direction = dir[0];
    for (std::string hex; fields >> hex;)
      f.bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
    frames.push_back(f);
  }
  return frames;
}

// The steady-clock reading (ns) the log's times count from, from its first
// line; none for a log without it.
inline std::optional<int64_t> ReadSimLogOrigin(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string hash, word, unit;
  long long ns = 0;
  if (!(in >> hash >> word >> ns >> unit) || hash != "#" || word != "origin" || unit != "ns")
    return std::nullopt;
  return static_cast<int64_t>(ns);
}

}  // namespace hvt::testing
