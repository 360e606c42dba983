#pragma once
// Small in-place changes to the pages of an existing database, written through to its file:
// flagging rows deleted, taking pages out of a usage map, marking pages free in the
// database's free-page map, and rewriting a table definition over the pages it occupies.

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "jet/read/Database.h"
#include "jet/write/PageAllocator.h"

namespace jet {

class PageEdits {
 public:
  // `db` must be open on a writable file and outlive the edits.
  explicit PageEdits(Database& db);

  // Hands out pages after the current end of the file; writes go through the database's
  // page encryption when it has any.
  PageAllocator& allocator() { return *allocator_; }

  Status WritePage(uint32_t number, std::span<const uint8_t> bytes);

  // Flags each row deleted (both flag bits of its slot). Returns the pages that are left
  // without a live row.
  Result<std::set<uint32_t>> FlagDeleted(const std::vector<uint32_t>& pointers);

  // Every row pointer of the long value whose 12-byte field is `field`: none when the value
  // lives in the row.
  Result<std::vector<uint32_t>> LongValueRows(std::span<const uint8_t> field);

  // Clears the bits of `pages` in the usage map stored at row pointer `map`.
  Status RemoveFromUsageMap(uint32_t map, const std::set<uint32_t>& pages);

  // Sets the bits of `pages` in the free-page map on page 1, rewriting that page.
  Status MarkFree(const std::set<uint32_t>& pages);

  // Writes a definition's bytes as ReadDefinitionBytes gave them back over the same pages.
  // The length must not change.
  Status WriteDefinition(const TableDef& def, std::span<const uint8_t> bytes);

 private:
  Result<std::span<uint8_t>> RowIn(std::vector<uint8_t>& page, uint32_t pointer);

  Database& db_;
  std::unique_ptr<File> encrypting_;
  std::unique_ptr<PageAllocator> allocator_;
};

}  // namespace jet
