#pragma once
// Builds one index of a table being written: collects (key, row) entries as rows arrive,
// then sorts them and writes the B-tree bottom up, leaf pages first (linked to their
// neighbours), then levels of node pages until one page, the root, remains.

#include <string>
#include <vector>

#include "jet/PageAllocator.h"
#include "jet/WriteBytes.h"

namespace jet {

struct WrittenIndexPages {
  uint32_t root = 0;
  std::vector<uint32_t> pages;
  uint32_t entries = 0;
};

class IndexBuilder {
 public:
  IndexBuilder(std::string name, bool unique) : name_(std::move(name)), unique_(unique) {}

  void Add(std::span<const uint8_t> key, uint32_t page, uint8_t row);
  // Errors: kInvalidArgument when a unique index meets the same key twice.
  Result<WrittenIndexPages> Write(PageAllocator& allocator, uint32_t table_page);

  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    uint64_t offset;
    uint32_t length;
    uint32_t page;
    uint8_t row;
  };
  std::span<const uint8_t> KeyOf(const Entry& e) const { return {keys_.data() + e.offset, e.length}; }

  std::string name_;
  bool unique_;
  Bytes keys_;
  std::vector<Entry> entries_;
};

}  // namespace jet
