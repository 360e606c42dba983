// Text and value decoding details that the fixtures do not all reach.
#include <gtest/gtest.h>

#include "jet/base/Text.h"
#include "jet/base/TextCodec.h"
#include "jet/format/Header.h"
#include "jet/format/Value.h"

namespace jet {
namespace {

std::vector<uint8_t> B(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int x : v) out.push_back(static_cast<uint8_t>(x));
  return out;
}

TEST(ValueDecodingTest, Jet4CompressedTextSwitchesModesAtZeroBytes) {
  EXPECT_EQ(DecodeJet4Text(B({0xFF, 0xFE, 'a', 'b', 'c'})), "abc");
  // "ab", then two-byte mode for U+20AC, then back to one-byte "d".
  EXPECT_EQ(DecodeJet4Text(B({0xFF, 0xFE, 'a', 'b', 0x00, 0xAC, 0x20, 0x00, 'd'})),
            "ab\xE2\x82\xAC"
            "d");
  // Without the marker the bytes are plain UTF-16LE.
  EXPECT_EQ(DecodeJet4Text(B({'h', 0, 'i', 0})), "hi");
  // A lone trailing byte in two-byte mode is dropped, not read past.
  EXPECT_EQ(DecodeJet4Text(B({0xFF, 0xFE, 'a', 0x00, 0x41})), "a");
}

TEST(ValueDecodingTest, Utf16SurrogatesAndCodePages) {
  EXPECT_EQ(DecodeUcs2(B({0x3D, 0xD8, 0x00, 0xDE})), "\xF0\x9F\x98\x80");  // U+1F600
  EXPECT_EQ(DecodeUcs2(B({0x3D, 0xD8})), "\xEF\xBF\xBD");                  // lone surrogate
  // 0x81 is one of the five bytes code page 1252 leaves unassigned: Windows reads U+0081.
  EXPECT_EQ(DecodeCodePage(B({'A', 0x80, 0xE9, 0x81}), 1252), "A\xE2\x82\xAC\xC3\xA9\xC2\x81");
  EXPECT_EQ(DecodeCodePage(B({0xE0}), 1251), "\xD0\xB0");  // Cyrillic small a
  EXPECT_EQ(EncodeJet4Text(Utf8ToUtf16("\xF0\x9F\x98\x80"), false), B({0x3D, 0xD8, 0x00, 0xDE}));
}

// Every byte, the unassigned ones included, reads as a character that is written back as the
// same byte; nothing else is written as those bytes.
TEST(ValueDecodingTest, Cp1252TextRoundTripsEveryByte) {
  std::vector<uint8_t> all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<uint8_t>(b));
  EXPECT_EQ(EncodeJet3Text(Utf8ToUtf16(DecodeCodePage(all, 1252))), all);
  for (char16_t unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(UnicodeFromCp1252(static_cast<uint8_t>(unassigned)), unassigned);
    EXPECT_EQ(Cp1252FromUnicode(unassigned), unassigned);
  }
  EXPECT_EQ(Cp1252FromUnicode(0x80), '?');  // U+0080 has no byte; 0x80 is the euro sign
  EXPECT_EQ(Cp1252FromUnicode(0x20AC), 0x80);
}

TEST(ValueDecodingTest, NumericValuesKeepEveryDigit) {
  // 12345.6789 with scale 4: magnitude 123456789, most significant word first.
  std::vector<uint8_t> bytes(17, 0);
  const uint32_t low = 123456789;
  for (int i = 0; i < 4; ++i) bytes[13 + i] = static_cast<uint8_t>(low >> (8 * i));
  EXPECT_EQ(DecodeNumeric(bytes, 4), "12345.6789");
  bytes[0] = 0x80;
  EXPECT_EQ(DecodeNumeric(bytes, 4), "-12345.6789");
  EXPECT_EQ(DecodeNumeric(std::vector<uint8_t>(17, 0), 2), "0.00");
  std::vector<uint8_t> big(17, 0xFF);
  big[0] = 0;
  EXPECT_EQ(DecodeNumeric(big, 0), "340282366920938463463374607431768211455");
}

TEST(ValueDecodingTest, WrongSizedFieldsDecodeAsNull) {
  EXPECT_TRUE(DecodeFixedOrInline(ColumnType::kLong, B({1, 2}), true, 1252, 0).null);
  EXPECT_TRUE(DecodeFixedOrInline(ColumnType::kReplicationId, B({1}), true, 1252, 0).null);
  const Value v = DecodeFixedOrInline(ColumnType::kInteger, B({0xFE, 0xFF}), true, 1252, 0);
  EXPECT_EQ(v.integer, -2);
}

TEST(ValueDecodingTest, Jet4PasswordMaskComesFromTheCreationDate) {
  Header h;
  h.creation_date = 44568.67692172454;  // whole part 0xAE18
  EXPECT_EQ(PasswordMask(h), B({0x18, 0xAE, 0, 0}));
}

}  // namespace
}  // namespace jet
