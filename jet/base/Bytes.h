#pragma once
// Bounds-checked little- and big-endian reads from a byte span. Every Get* returns nullopt
// when the field does not fit, so callers can turn a bad offset into a Corrupt error
// instead of reading outside the buffer.

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

namespace jet {

inline bool Fits(std::span<const uint8_t> bytes, size_t offset, size_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline std::optional<uint8_t> GetU8(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b, off, 1)) return std::nullopt;
  return b[off];
}

inline std::optional<uint16_t> GetU16(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b, off, 2)) return std::nullopt;
  return static_cast<uint16_t>(b[off] | (b[off + 1] << 8));
}

inline std::optional<uint32_t> GetU24(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b, off, 3)) return std::nullopt;
  return static_cast<uint32_t>(b[off]) | (static_cast<uint32_t>(b[off + 1]) << 8) |
         (static_cast<uint32_t>(b[off + 2]) << 16);
}

inline std::optional<uint32_t> GetU32(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b, off, 4)) return std::nullopt;
  return static_cast<uint32_t>(b[off]) | (static_cast<uint32_t>(b[off + 1]) << 8) |
         (static_cast<uint32_t>(b[off + 2]) << 16) | (static_cast<uint32_t>(b[off + 3]) << 24);
}

inline std::optional<uint64_t> GetU64(std::span<const uint8_t> b, size_t off) {
  auto lo = GetU32(b, off);
  auto hi = GetU32(b, off + 4);
  if (!lo || !hi) return std::nullopt;
  return (static_cast<uint64_t>(*hi) << 32) | *lo;
}

inline std::optional<uint32_t> GetU24BigEndian(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b, off, 3)) return std::nullopt;
  return (static_cast<uint32_t>(b[off]) << 16) | (static_cast<uint32_t>(b[off + 1]) << 8) | b[off + 2];
}

inline std::optional<uint32_t> GetU32BigEndian(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b, off, 4)) return std::nullopt;
  return (static_cast<uint32_t>(b[off]) << 24) | (static_cast<uint32_t>(b[off + 1]) << 16) |
         (static_cast<uint32_t>(b[off + 2]) << 8) | b[off + 3];
}

inline std::optional<double> GetF64(std::span<const uint8_t> b, size_t off) {
  auto bits = GetU64(b, off);
  if (!bits) return std::nullopt;
  double d;
  std::memcpy(&d, &*bits, sizeof d);
  return d;
}

inline std::optional<float> GetF32(std::span<const uint8_t> b, size_t off) {
  auto bits = GetU32(b, off);
  if (!bits) return std::nullopt;
  float f;
  std::memcpy(&f, &*bits, sizeof f);
  return f;
}

// Writers for builders; the caller guarantees the range.
inline void PutU16(std::span<uint8_t> b, size_t off, uint16_t v) {
  b[off] = static_cast<uint8_t>(v);
  b[off + 1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(std::span<uint8_t> b, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Two lower-case hex digits per byte, for reports and listings of stored bytes.
inline std::string HexDigits(std::span<const uint8_t> b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(b.size() * 2);
  for (uint8_t x : b) {
    out += kDigits[x >> 4];
    out += kDigits[x & 0x0f];
  }
  return out;
}

}  // namespace jet
