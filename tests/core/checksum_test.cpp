// checksum_test.cpp - CRC-32 against a bitwise reference and a published check value, TEA
// against the published test vectors.
#include "core/checksum.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// A separate reference: polynomial division one bit at a time, the first 32 bits of the
// message inverted (the register is loaded from the data), the remainder inverted.
uint32_t BitwisePacketCrc(const std::vector<uint8_t>& message) {
  uint32_t r = 0;
  for (size_t i = 0; i < 4; ++i) r = r << 8 | (i < message.size() ? message[i] : 0);
  r = ~r;
  for (size_t i = 4; i < message.size(); ++i) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool carry = r & 0x80000000u;
      r = r << 1 | ((message[i] >> bit) & 1u);
      if (carry) r ^= 0x04C11DB7u;
    }
  }
  return ~r;
}

class Crc32 : public testing::Test {
 protected:
  void SetUp() override { Crc32InitTable(); }
};

}  // namespace

TEST_F(Crc32, TableIsTheNonReflectedTableOfThePolynomial) {
  EXPECT_EQ(Crc32Table[0], 0u);
  EXPECT_EQ(Crc32Table[1], 0x04C11DB7u);
  EXPECT_EQ(Crc32Table[128], 0x690CE0EEu);
  for (uint32_t i = 0; i < 256; ++i) {
    // The register's top byte is then ~i, so the fifth byte's step uses entry ~i: over all i
    // every entry is checked against the bitwise reference.
    const std::vector<uint8_t> oneByte = {static_cast<uint8_t>(i), 0, 0, 0, 0x5A};
    EXPECT_EQ(Crc32Packet(oneByte.data(), oneByte.size()), BitwisePacketCrc(oneByte)) << i;
  }
}

TEST_F(Crc32, PacketAndWordStepsMatchTheBitwiseReferenceAndThePublishedCheckValue) {
  // With four zero bytes appended the loaded-register form equals the published
  // non-reflected CRC-32 (init and final XOR all ones) of the message: 0xFC891918 for "123456789".
  const std::vector<uint8_t> check = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0, 0, 0};
  EXPECT_EQ(Crc32Packet(check.data(), check.size()), 0xFC891918u);

  std::mt19937 random(1234);
  for (size_t length = 4; length < 300; length += 7) {
    std::vector<uint8_t> message(length);
    for (uint8_t& b : message) b = static_cast<uint8_t>(random());
    EXPECT_EQ(Crc32Packet(message.data(), message.size()), BitwisePacketCrc(message)) << length;
    // Word by word, each word's lowest byte first, where the message's words are whole.
    if (length % 4 != 0) continue;
    uint32_t running = ~(uint32_t{message[0]} << 24 | message[1] << 16 | message[2] << 8 | message[3]);
    for (size_t i = 4; i < length; i += 4) {
      const uint32_t word = message[i] | message[i + 1] << 8 | message[i + 2] << 16 | uint32_t{message[i + 3]} << 24;
      running = Crc32Word(running, word);
    }
    EXPECT_EQ(~running, BitwisePacketCrc(message)) << length;
  }
  const std::vector<uint8_t> four = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(Crc32Packet(four.data(), four.size()), 0x12345678u);  // just the big-endian word
}

TEST_F(Crc32, PacketsShorterThanFourBytesReadOnlyWhatExists) {
  // Exactly sized heap copies, so a read past the end would be seen by the address sanitizer.
  const std::vector<uint8_t> two = {0x12, 0x34};
  EXPECT_EQ(Crc32Packet(two.data(), two.size()), 0x12340000u);
  const std::vector<uint8_t> three = {0xAB, 0xCD, 0xEF};
  EXPECT_EQ(Crc32Packet(three.data(), three.size()), 0xABCDEF00u);
  EXPECT_EQ(Crc32Packet(nullptr, 0), 0u);
}

TEST_F(Crc32, StringTakesCharactersAsSignedBytes) {
  EXPECT_EQ(Crc32String(0xDEADBEEFu, ""), 0xDEADBEEFu);
  // From a zero register one character gives (0 << 8 | c') ^ T[0]: 0xE9 widened sets bits 8..31.
  EXPECT_EQ(Crc32String(0, "\xE9"), 0xFFFFFFE9u);
  EXPECT_EQ(Crc32String(0, "A"), 0x41u);
  // For plain ASCII the signed and unsigned steps agree; 12 characters match the block form.
  const char* text = "plain text12";
  EXPECT_EQ(Crc32String(0x1234u, text), Crc32Block12(0x1234u, reinterpret_cast<const uint8_t*>(text)));
  const char* accented = "plain t\xE9xt12";
  EXPECT_NE(Crc32String(0x1234u, accented), Crc32Block12(0x1234u, reinterpret_cast<const uint8_t*>(accented)));
}

TEST_F(Crc32, BlockContinuesAPacketComputation) {
  const std::vector<uint8_t> message = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const uint32_t loaded = ~(0x01020304u);
  EXPECT_EQ(~Crc32Block12(loaded, message.data() + 4), Crc32Packet(message.data(), message.size()));
}

TEST(Tea, PublishedTestVectors) {
  struct Vector {
    uint32_t key[4], plain[2], cipher[2];
  };
  const Vector vectors[] = {
      {{0, 0, 0, 0}, {0, 0}, {0x41EA3A0A, 0x94BAA940}},
      {{0, 0, 0, 0}, {0x01020304, 0x05060708}, {0x6A2F9CF3, 0xFCCF3C55}},
      {{0x01234567, 0x12345678, 0x23456789, 0x3456789A}, {0, 0}, {0x34E943B0, 0x900F5DCB}},
      {{0x01234567, 0x12345678, 0x23456789, 0x3456789A}, {0x01020304, 0x05060708}, {0x773DC179, 0x878A81C0}},
  };
  for (const Vector& v : vectors) {
    uint32_t out[2];
    TeaEncipher(v.plain, out, v.key);
    EXPECT_EQ(out[0], v.cipher[0]);
    EXPECT_EQ(out[1], v.cipher[1]);
    uint32_t back[2];
    TeaDecipher(out, back, v.key);
    EXPECT_EQ(back[0], v.plain[0]);
    EXPECT_EQ(back[1], v.plain[1]);
  }
}

TEST(Tea, DecipherUndoesEncipherInPlace) {
  std::mt19937 random(99);
  for (int i = 0; i < 100; ++i) {
    const uint32_t key[4] = {static_cast<uint32_t>(random()), static_cast<uint32_t>(random()),
                             static_cast<uint32_t>(random()), static_cast<uint32_t>(random())};
    const uint32_t original[2] = {static_cast<uint32_t>(random()), static_cast<uint32_t>(random())};
    uint32_t block[2] = {original[0], original[1]};
    TeaEncipher(block, block, key);
    EXPECT_FALSE(block[0] == original[0] && block[1] == original[1]);
    TeaDecipher(block, block, key);
    EXPECT_EQ(block[0], original[0]);
    EXPECT_EQ(block[1], original[1]);
  }
}
