#pragma once
// Where each row of a table went: the row pointer (page << 8 | row) an index of the source
// names, to the row pointer of the copy. Eight bytes per row.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace jet {

class RowPointerMap {
 public:
  void Add(uint32_t from, uint32_t to) { moves_.emplace_back(from, to); }
  // Call once every row is added, before Find.
  void Seal();
  // Whether two rows claimed the same source pointer (after Seal).
  bool HasDuplicates() const;
  std::optional<uint32_t> Find(uint32_t from) const;
  // Where `from` sits among the sealed pointers (0 to size() - 1), to mark rows as seen.
  std::optional<size_t> Position(uint32_t from) const;
  uint32_t At(size_t position) const { return moves_[position].second; }
  size_t size() const { return moves_.size(); }

 private:
  std::vector<std::pair<uint32_t, uint32_t>> moves_;
};

}  // namespace jet
