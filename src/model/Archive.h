#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace hvt {

class TextCodec;

// Writes the little-endian archive stream of a document.
class ArchiveWriter {
 public:
  void WriteInt32(int32_t value);
  void WriteU16(uint16_t value);
  // Length prefix (1 byte below 255; 0xFF + u16 up to 65533; else 0xFF,
  // 0xFFFF, u32) followed by the bytes.
  void WriteText(std::string_view text);

  const std::string& bytes() const { return buffer; }

 private:
  void Put(uint64_t value, int size);
  std::string buffer;
};

// Reads the archive stream. A read past the end fails and the reader stays
// failed; the target keeps whatever it held.
class ArchiveReader {
 public:
  // The codec converts 16-bit-character strings to 8-bit text.
  ArchiveReader(std::span<const uint8_t> data, const TextCodec& codec);
  ArchiveReader(std::string_view data, const TextCodec& codec);
  // The reader keeps a view: a temporary would be gone before the first read.
  ArchiveReader(std::string&& data, const TextCodec& codec) = delete;

  bool ReadInt32(int32_t& value);
  bool ReadU16(uint16_t& value);
  bool ReadText(std::string& text);

  bool failed() const { return fail; }
  size_t position() const { return pos; }
  size_t remaining() const { return data.size() - pos; }

 private:
  bool Get(uint64_t& value, int size);
  bool ReadLength(uint64_t& length, bool& wide);

  std::span<const uint8_t> data;
  const TextCodec& codec;
  size_t pos = 0;
  bool fail = false;
};

}  // namespace hvt
