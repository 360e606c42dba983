#pragma once
// Writes index B-trees. `SortedIndexWriter` takes entries already in order (key bytes, then
// row pointer) and writes leaf pages as they fill, linked to their neighbours, then levels
// of node pages until one page, the root, remains; it keeps only one key per leaf page.
// `IndexBuilder` collects entries in any order, sorts them and hands them to it.
//
// Every page stores the bytes its entries share with its first entry once: entries after
// the first leave out that prefix, whose length the page header gives.

#include <memory>
#include <string>
#include <vector>

#include "jet/base/WriteBytes.h"
#include "jet/write/PageAllocator.h"

namespace jet {

// The longest key an index entry may hold: two entries of an intermediate page (key, row
// pointer and child page) must fit on one page, as Access bounds its keys. Writing a longer
// key fails with kInvalidArgument.
size_t MaxIndexKeyLength(const Layout& layout);

struct WrittenIndexPages {
  uint32_t root = 0;
  std::vector<uint32_t> pages;
  uint32_t entries = 0;
};

class SortedIndexWriter {
 public:
  // `allocator` must outlive the writer.
  SortedIndexWriter(PageAllocator& allocator, uint32_t table_page);
  ~SortedIndexWriter();
  SortedIndexWriter(const SortedIndexWriter&) = delete;
  SortedIndexWriter& operator=(const SortedIndexWriter&) = delete;

  // Precondition: (key, page, row) does not sort before the entry added last.
  // kInvalidArgument for a key longer than MaxIndexKeyLength.
  Status Add(std::span<const uint8_t> key, uint32_t page, uint8_t row);
  // Writes the remaining pages; an index without entries gets one empty leaf.
  Result<WrittenIndexPages> Finish();

 private:
  class Level;
  PageAllocator& allocator_;
  uint32_t table_page_;
  WrittenIndexPages out_;
  std::unique_ptr<Level> leaves_;
};

class IndexBuilder {
 public:
  IndexBuilder(std::string name, bool unique) : name_(std::move(name)), unique_(unique) {}

  void Add(std::span<const uint8_t> key, uint32_t page, uint8_t row);
  // Errors: kInvalidArgument when a unique index meets the same key twice.
  Result<WrittenIndexPages> Write(PageAllocator& allocator, uint32_t table_page);

  size_t size() const { return entries_.size(); }
  // Distinct keys among the entries written (after Write).
  uint32_t distinct_keys() const { return distinct_keys_; }

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
  uint32_t distinct_keys_ = 0;
  Bytes keys_;
  std::vector<Entry> entries_;
};

}  // namespace jet
