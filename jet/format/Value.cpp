#include "jet/format/Value.h"

#include <array>
#include <cstdio>

#include "jet/base/Bytes.h"
#include "jet/base/Text.h"

namespace jet {
namespace {

// Divides a little-endian 128-bit magnitude (four 32-bit words, least significant first) by
// 10 in place and returns the remainder.
uint32_t DivideBy10(std::array<uint32_t, 4>& words) {
  uint64_t remainder = 0;
  for (int i = 3; i >= 0; --i) {
    const uint64_t current = (remainder << 32) | words[i];
    words[i] = static_cast<uint32_t>(current / 10);
    remainder = current % 10;
  }
  return static_cast<uint32_t>(remainder);
}

}  // namespace

std::string DecodeNumeric(std::span<const uint8_t> b, uint8_t scale) {
  if (b.size() < 17) return "";
  // Byte 0 is the sign (0x80 negative); then four 32-bit words, most significant word first.
  std::array<uint32_t, 4> words{};
  for (int w = 0; w < 4; ++w) words[3 - w] = *GetU32(b, 1 + w * 4);
  // Digits come least significant first; the text is assembled from the end.
  std::string reversed;
  while (words[0] || words[1] || words[2] || words[3])
    reversed.push_back(static_cast<char>('0' + DivideBy10(words)));
  if (reversed.size() <= scale) reversed.resize(size_t{scale} + 1, '0');
  std::string text = (b[0] & 0x80) ? "-" : "";
  text.append(reversed.rbegin(), reversed.rend() - scale);
  if (scale > 0) text.append(".").append(reversed.rend() - scale, reversed.rend());
  return text;
}

std::string FormatGuid(std::span<const uint8_t> b) {
  if (b.size() < 16) return "";
  char out[40];
  std::snprintf(out, sizeof out, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", *GetU32(b, 0),
                *GetU16(b, 4), *GetU16(b, 6), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return out;
}

Value DecodeFixedOrInline(ColumnType type, std::span<const uint8_t> b, bool is_jet4, uint16_t code_page,
                          uint8_t scale) {
  Value v;
  v.type = type;
  const size_t want = FixedSizeOf(type);
  if (want != 0 && b.size() < want) return v;
  v.null = false;
  switch (type) {
    case ColumnType::kBoolean:
      break;
    case ColumnType::kByte:
      v.integer = b[0];
      break;
    case ColumnType::kInteger:
      v.integer = static_cast<int16_t>(*GetU16(b, 0));
      break;
    case ColumnType::kLong:
      v.integer = static_cast<int32_t>(*GetU32(b, 0));
      break;
    case ColumnType::kCurrency:
      v.integer = static_cast<int64_t>(*GetU64(b, 0));
      break;
    case ColumnType::kSingle:
      v.real = *GetF32(b, 0);
      break;
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      v.real = *GetF64(b, 0);
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      v.text = is_jet4 ? DecodeJet4Text(b) : DecodeCodePage(b, code_page);
      break;
    case ColumnType::kNumeric:
      v.text = DecodeNumeric(b, scale);
      break;
    default:
      v.bytes.assign(b.begin(), b.end());
      break;
  }
  return v;
}

}  // namespace jet
