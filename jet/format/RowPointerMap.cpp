#include "jet/format/RowPointerMap.h"

#include <algorithm>

namespace jet {

void RowPointerMap::Seal() {
  if (!std::is_sorted(moves_.begin(), moves_.end())) std::sort(moves_.begin(), moves_.end());
}

bool RowPointerMap::HasDuplicates() const {
  return std::adjacent_find(moves_.begin(), moves_.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }) != moves_.end();
}

std::optional<size_t> RowPointerMap::Position(uint32_t from) const {
  auto at = std::lower_bound(moves_.begin(), moves_.end(), std::make_pair(from, uint32_t{0}));
  if (at == moves_.end() || at->first != from) return std::nullopt;
  return static_cast<size_t>(at - moves_.begin());
}

std::optional<uint32_t> RowPointerMap::Find(uint32_t from) const {
  auto position = Position(from);
  if (!position) return std::nullopt;
  return At(*position);
}

}  // namespace jet
