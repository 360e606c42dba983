#pragma once
// The unfinished-write marker. A writer puts four bytes into the header page before it writes
// anything else and removes them only after its last sync, so a file whose writer stopped
// half-way still carries them and is refused by the open. The bytes lie outside the scrambled
// header region, where every database Access writes has zeros. See docs/jet-format.md.

#include <cstddef>
#include <cstdint>
#include <span>

namespace jet {

constexpr size_t kWriteMarkerOffset = 0x5f8;
constexpr uint8_t kWriteMarker[4] = {'T', 'v', 'W', 'r'};

// True when `header_page` (raw or unscrambled: the bytes are outside the scrambled region)
// carries the marker.
bool HasUnfinishedWriteMarker(std::span<const uint8_t> header_page);

// Sets or clears the marker in a header page of at least kWriteMarkerOffset + 4 bytes.
void SetUnfinishedWriteMarker(std::span<uint8_t> header_page, bool unfinished);

}  // namespace jet
