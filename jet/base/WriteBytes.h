#pragma once
// Little helpers for laying out bytes of pages and rows being written. Jet stores integers
// little-endian, except inside index keys and index entry pointers (big-endian).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/base/Bytes.h"  // PutU16, PutU32

namespace jet {

using Bytes = std::vector<uint8_t>;

inline void PutU64(std::span<uint8_t> out, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void AppendU16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void AppendU32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void AppendBytes(Bytes& out, std::span<const uint8_t> more) {
  out.insert(out.end(), more.begin(), more.end());
}

// A row pointer as stored in long-value headers and usage-map references: row in the low byte.
inline uint32_t RowPointer(uint32_t page, uint8_t row) { return (page << 8) | row; }

}  // namespace jet
