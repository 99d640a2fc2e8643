#include "model/Archive.h"

#include "model/TextCodec.h"

namespace hvt {

void ArchiveWriter::Put(uint64_t value, int size) {
  for (int i = 0; i < size; ++i) buffer += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void ArchiveWriter::WriteInt32(int32_t value) { Put(static_cast<uint32_t>(value), 4); }

void ArchiveWriter::WriteU16(uint16_t value) { Put(value, 2); }

void ArchiveWriter::WriteText(std::string_view text) {
  const uint64_t length = text.size();
  if (length < 0xFF) {
    Put(length, 1);
  } else if (length < 0xFFFE) {
    Put(0xFF, 1);
    Put(length, 2);
  } else {
    // 0xFFFE would read as the 16-bit-character marker, so it takes the long form.
    Put(0xFF, 1);
    Put(0xFFFF, 2);
    Put(length, 4);
  }
  buffer.append(text);
}

ArchiveReader::ArchiveReader(std::span<const uint8_t> bytes, const TextCodec& textCodec)
    : data(bytes), codec(textCodec) {}

ArchiveReader::ArchiveReader(std::string_view bytes, const TextCodec& textCodec)
    : data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), codec(textCodec) {}

bool ArchiveReader::Get(uint64_t& value, int size) {
  if (fail || remaining() < static_cast<size_t>(size)) {
    fail = true;
    return false;
  }
  value = 0;
  for (int i = 0; i < size; ++i)
    value |= static_cast<uint64_t>(data[pos + static_cast<size_t>(i)]) << (8 * i);
  pos += static_cast<size_t>(size);
  return true;
}

bool ArchiveReader::ReadInt32(int32_t& value) {
  uint64_t v = 0;
  if (!Get(v, 4)) return false;
  value = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}

bool ArchiveReader::ReadU16(uint16_t& value) {
  uint64_t v = 0;
  if (!Get(v, 2)) return false;
  value = static_cast<uint16_t>(v);
  return true;
}

bool ArchiveReader::ReadLength(uint64_t& length, bool& wide) {
  wide = false;
  uint64_t v = 0;
  if (!Get(v, 1)) return false;
  if (v < 0xFF) {
    length = v;
    return true;
  }
  if (!Get(v, 2)) return false;
  if (v == 0xFFFE) {
    // A string of 16-bit characters: its own length prefix follows.
    wide = true;
    if (!Get(v, 1)) return false;
    if (v < 0xFF) {
      length = v;
      return true;
    }
    if (!Get(v, 2)) return false;
  }
  if (v < 0xFFFF) {
    length = v;
    return true;
  }
  if (!Get(v, 4)) return false;
  if (v < 0xFFFFFFFF) {
    length = v;
    return true;
  }
  return Get(length, 8);
}

bool ArchiveReader::ReadText(std::string& text) {
  uint64_t length = 0;
  bool wide = false;
  if (!ReadLength(length, wide)) return false;
  // Check against what is left before allocating: a damaged prefix must not
  // make us reserve gigabytes.
  const uint64_t byteCount = wide ? length * 2 : length;
  if ((wide && length > remaining() / 2) || byteCount > remaining()) {
    fail = true;
    return false;
  }
  const auto* begin = data.data() + pos;
  if (wide) {
    std::u16string units(static_cast<size_t>(length), u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(begin[2 * i] | (begin[2 * i + 1] << 8));
    }
    text = codec.FromUtf16(units);
  } else {
    text.assign(reinterpret_cast<const char*>(begin), static_cast<size_t>(length));
  }
  pos += static_cast<size_t>(byteCount);
  return true;
}

}  // namespace hvt
