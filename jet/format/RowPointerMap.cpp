#include "jet/format/RowPointerMap.h"

#include <algorithm>

namespace jet {

void RowPointerMap::Seal() {
  if (!std::is_sorted(moves_.begin(), moves_.end())) std::sort(moves_.begin(), moves_.end());
  page_starts_.clear();
  if (moves_.empty()) return;
  first_page_ = moves_.front().first >> 8;
  const uint32_t pages = (moves_.back().first >> 8) - first_page_ + 1;
  if (pages / 4 > moves_.size()) return;  // a few rows spread thin: searched instead
  page_starts_.assign(size_t{pages} + 1, static_cast<uint32_t>(moves_.size()));
  for (size_t i = moves_.size(); i-- > 0;)
    page_starts_[(moves_[i].first >> 8) - first_page_] = static_cast<uint32_t>(i);
  // A page without rows starts where the next one does.
  for (size_t page = pages; page-- > 0;)
    page_starts_[page] = std::min(page_starts_[page], page_starts_[page + 1]);
}

bool RowPointerMap::HasDuplicates() const {
  return std::adjacent_find(moves_.begin(), moves_.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }) != moves_.end();
}

std::optional<size_t> RowPointerMap::Position(uint32_t from) const {
  auto begin = moves_.begin();
  auto end = moves_.end();
  if (!page_starts_.empty()) {
    const uint32_t page = from >> 8;
    if (page < first_page_ || page - first_page_ + 1 >= page_starts_.size()) return std::nullopt;
    begin = moves_.begin() + page_starts_[page - first_page_];
    end = moves_.begin() + page_starts_[page - first_page_ + 1];
  }
  // A page's rows are mostly numbered from 0 without gaps: row r is then the r-th.
  const uint32_t row = from & 0xff;
  if (!page_starts_.empty() && row < static_cast<uint32_t>(end - begin) && begin[row].first == from)
    return static_cast<size_t>(begin + row - moves_.begin());
  auto at = std::lower_bound(begin, end, std::make_pair(from, uint32_t{0}));
  if (at == end || at->first != from) return std::nullopt;
  return static_cast<size_t>(at - moves_.begin());
}

std::optional<uint32_t> RowPointerMap::Find(uint32_t from) const {
  auto position = Position(from);
  if (!position) return std::nullopt;
  return At(*position);
}

}  // namespace jet
