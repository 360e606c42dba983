#pragma once
// Where each row of a table went: the row pointer (page << 8 | row) an index of the source
// names, to the row pointer of the copy. Eight bytes per row, and once sealed four bytes per
// source page between the table's first and last (unless its rows are spread thin), so that
// a lookup goes straight to the rows of its page instead of searching all of them.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace jet {

class RowPointerMap {
 public:
  void Add(uint32_t from, uint32_t to) { moves_.emplace_back(from, to); }
  // Call once every row is added, before Find; again after adding more.
  void Seal();
  // Whether two rows claimed the same source pointer (after Seal).
  bool HasDuplicates() const;
  std::optional<uint32_t> Find(uint32_t from) const;
  // Where `from` sits among the sealed pointers (0 to size() - 1), to mark rows as seen.
  std::optional<size_t> Position(uint32_t from) const;
  uint32_t At(size_t position) const { return moves_[position].second; }
  size_t size() const { return moves_.size(); }

 private:
  std::vector<std::pair<uint32_t, uint32_t>> moves_;  // sorted by Seal
  uint32_t first_page_ = 0;
  // For each source page from first_page_ on, where its rows start in moves_; one more
  // entry closes the last page. Empty when the rows are too thinly spread to be worth it.
  std::vector<uint32_t> page_starts_;
};

}  // namespace jet
