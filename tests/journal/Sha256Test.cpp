#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

#include "journal/Sha256.h"

namespace hvt::journal {
namespace {

std::string Hex(const std::array<uint8_t, 32>& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xf]);
  }
  return hex;
}

// "abc...zabc..." of the given length.
std::string Alphabet(size_t length) {
  std::string s;
  for (size_t i = 0; i < length; ++i) s.push_back(static_cast<char>('a' + i % 26));
  return s;
}

TEST(Sha256, KnownMessages) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(
      Sha256Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
                "klmnopqrlmnopqrsmnopqrstnopqrstu"),
      "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
  // Bytes above 0x7F and NULs must be hashed as unsigned bytes, all of them.
  EXPECT_EQ(Sha256Hex(std::string_view("\x00\xff\x80\x7f\x00"
                                       "abc",
                                       8)),
            "6319514f983fff3d30f8ff7d5793b88fb9e94a500886a53869039d4161083b2b");
}

TEST(Sha256, PaddingBoundariesInAnySplit) {
  // Expected values from sha256sum.
  const std::pair<size_t, const char*> cases[] = {
      {55, "595615dbe4f0f407ae397d08b4c2cb870cb9b0e11937416f950c5160acf9c005"},
      {56, "784f623b787495078e93ff28a25b581df0584055a7e71d8cd90c454716b92f51"},
      {63, "5ca3e1ef5207490eac01a795e5cc94d59582a5118bf9534665c8668d87aa647c"},
      {64, "2fcd5a0d60e4c941381fcc4e00a4bf8be422c3ddfafb93c809e8d1e2bfffae8e"},
      {65, "1b3cd1877ab2f2f19f7be001722554f336cb799df0329de0bb4c118dc6abc06d"},
      {119, "faef67da856d6fd9c8d12f9ed0a4fefd3cf0ce085ab43e2907418d457e3c354b"},
      {120, "c9512b08619c19fbb503c7da6b46ef20301e5f7a7a5f43989182398536f5c5c8"},
      {128, "6c05be2c4268843ae47e68e611277ce62c02153f2f4d2e1e2a1a4b44f766cf74"},
  };
  for (const auto& [length, expected] : cases) {
    SCOPED_TRACE(length);
    const std::string message = Alphabet(length);
    EXPECT_EQ(Sha256Hex(message), expected);

    for (size_t split = 0; split <= length; ++split) {
      Sha256 hash;
      hash.Update(std::string_view(message).substr(0, split));
      hash.Update(std::string_view());
      hash.Update(std::string_view(message).substr(split));
      ASSERT_EQ(Hex(hash.Final()), expected) << "split at " << split;
    }

    Sha256 byteByByte;
    for (char c : message) byteByByte.Update(std::string_view(&c, 1));
    EXPECT_EQ(Hex(byteByByte.Final()), expected);
  }
}

TEST(Sha256, MillionAInUnevenPieces) {
  const std::string block(1000, 'a');
  const size_t pieces[] = {1, 63, 64, 65, 127, 1000, 7, 0, 500};
  Sha256 hash;
  size_t fed = 0;
  for (size_t i = 0; fed < 1000000; ++i) {
    const size_t n = std::min(pieces[i % std::size(pieces)], 1000000 - fed);
    hash.Update(std::string_view(block).substr(0, n));
    fed += n;
  }
  EXPECT_EQ(Hex(hash.Final()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace hvt::journal
