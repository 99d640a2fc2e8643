#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hvt::journal {

// SHA-256 (FIPS 180-4). The journal chains its records by hashing each line
// together with the previous line's hash, so lines can be hashed as they are
// written without keeping them in memory.
class Sha256 {
 public:
  Sha256();

  void Update(std::string_view bytes);

  // Pads, finishes and returns the digest. Call once; further Update or Final
  // calls are not meaningful.
  std::array<uint8_t, 32> Final();

 private:
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
  uint64_t totalBytes_ = 0;
};

// Lowercase hex digest of bytes, 64 characters.
std::string Sha256Hex(std::string_view bytes);

}  // namespace hvt::journal
