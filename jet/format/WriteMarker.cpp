#include "jet/format/WriteMarker.h"

#include <algorithm>
#include <cstring>

namespace jet {

bool HasUnfinishedWriteMarker(std::span<const uint8_t> header_page) {
  if (header_page.size() < kWriteMarkerOffset + sizeof kWriteMarker) return false;
  return std::memcmp(header_page.data() + kWriteMarkerOffset, kWriteMarker, sizeof kWriteMarker) == 0;
}

void SetUnfinishedWriteMarker(std::span<uint8_t> header_page, bool unfinished) {
  if (header_page.size() < kWriteMarkerOffset + sizeof kWriteMarker) return;
  uint8_t* at = header_page.data() + kWriteMarkerOffset;
  if (unfinished) {
    std::memcpy(at, kWriteMarker, sizeof kWriteMarker);
  } else {
    std::fill(at, at + sizeof kWriteMarker, uint8_t{0});
  }
}

}  // namespace jet
