#include "jet/write/IndexBuilder.h"

#include <algorithm>
#include <memory>

namespace jet {
namespace {

// The last entry of a written page, as its parent level names it.
struct NodeRef {
  Bytes last_key;
  uint32_t data_page = 0;
  uint8_t row = 0;
  uint32_t page = 0;
};

void AppendPointer(Bytes& out, uint32_t page, uint8_t row) {
  out.push_back(static_cast<uint8_t>(page >> 16));
  out.push_back(static_cast<uint8_t>(page >> 8));
  out.push_back(static_cast<uint8_t>(page));
  out.push_back(row);
}

size_t CommonPrefix(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  const auto [at, unused] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return static_cast<size_t>(at - a.begin());
}

constexpr size_t kNodePointers = 8;  // row pointer and child page after a key

}  // namespace

size_t MaxIndexKeyLength(const Layout& layout) {
  return (layout.page_size - layout.index_first_entry) / 2 - kNodePointers;
}

// Packs the entries of one level of the tree into pages linked in key order. The shared
// prefix covers key bytes only, never the pointers after them.
class SortedIndexWriter::Level {
 public:
  Level(PageAllocator& allocator, uint8_t type, uint32_t table_page, WrittenIndexPages& out)
      : allocator_(allocator),
        layout_(allocator.layout()),
        type_(type),
        table_page_(table_page),
        out_(out),
        capacity_(layout_.page_size - layout_.index_first_entry),
        max_prefix_(layout_.version == JetVersion::kJet3 ? 0xff : 0xffff) {}

  // `entry` is the key (its first `key_length` bytes) followed by the pointers.
  Status Add(std::span<const uint8_t> entry, size_t key_length, uint32_t data_page, uint8_t row) {
    const auto key = entry.first(key_length);
    size_t prefix = 0;
    if (open_ && !ends_.empty()) {
      prefix = std::min({prefix_, CommonPrefix(FirstKey(), key), max_prefix_});
      if (area_.size() + entry.size() - ends_.size() * prefix > capacity_) {
        JET_RETURN_IF_ERROR(StartPage());
        prefix = 0;
      }
    }
    if (!open_) JET_RETURN_IF_ERROR(StartPage());
    if (ends_.empty()) {
      first_key_length_ = key_length;
      prefix = key_length;
    }
    prefix_ = prefix;
    AppendBytes(area_, entry);
    ends_.push_back(area_.size());
    NodeRef& last = refs_.back();
    last.last_key.assign(key.begin(), key.end());
    last.data_page = data_page;
    last.row = row;
    return Status::Ok();
  }

  Result<std::vector<NodeRef>> Finish() {
    if (!open_) JET_RETURN_IF_ERROR(StartPage());
    Seal();
    JET_RETURN_IF_ERROR(WritePending(0));
    return std::move(refs_);
  }

 private:
  std::span<const uint8_t> FirstKey() const { return {area_.data(), first_key_length_}; }

  Status StartPage() {
    const uint32_t number = allocator_.Reserve();
    out_.pages.push_back(number);
    if (open_) {
      Seal();
      JET_RETURN_IF_ERROR(WritePending(number));
    }
    open_ = true;
    refs_.push_back(NodeRef{});
    refs_.back().page = number;
    area_.clear();
    ends_.clear();
    prefix_ = 0;
    return Status::Ok();
  }

  // Builds the page in progress, entries after the first without the shared prefix; it
  // waits for the number of the page after it.
  void Seal() {
    Bytes page(layout_.page_size, 0);
    page[0] = type_;
    page[1] = 0x01;
    PutU32(page, 4, table_page_);
    PutU32(page, layout_.index_prev_page, previous_);
    const size_t prefix = ends_.size() > 1 ? prefix_ : 0;
    if (layout_.version == JetVersion::kJet3) {
      page[layout_.index_prefix_length] = static_cast<uint8_t>(prefix);
    } else {
      PutU16(page, layout_.index_prefix_length, static_cast<uint16_t>(prefix));
    }
    size_t written = 0;
    size_t start = 0;
    for (size_t i = 0; i < ends_.size(); ++i) {
      const size_t skip = i == 0 ? 0 : prefix;
      const size_t length = ends_[i] - start - skip;
      std::copy_n(area_.begin() + static_cast<ptrdiff_t>(start + skip), length,
                  page.begin() + static_cast<ptrdiff_t>(layout_.index_first_entry + written));
      written += length;
      start = ends_[i];
      page[layout_.index_bitmask + written / 8] |= static_cast<uint8_t>(1u << (written % 8));
    }
    PutU16(page, 2, static_cast<uint16_t>(capacity_ - written));
    pending_ = std::move(page);
    pending_number_ = refs_.back().page;
    previous_ = pending_number_;
  }

  Status WritePending(uint32_t next) {
    if (pending_.empty()) return Status::Ok();
    PutU32(pending_, layout_.index_next_page, next);
    Status status = allocator_.Write(pending_number_, pending_);
    pending_.clear();
    return status;
  }

  PageAllocator& allocator_;
  const Layout& layout_;
  uint8_t type_;
  uint32_t table_page_;
  WrittenIndexPages& out_;
  const size_t capacity_;
  const size_t max_prefix_;
  bool open_ = false;
  Bytes area_;                // the entries of the page in progress, whole
  std::vector<size_t> ends_;  // where each ends in area_
  size_t first_key_length_ = 0;
  size_t prefix_ = 0;  // key bytes every entry of the page shares with the first
  std::vector<NodeRef> refs_;
  Bytes pending_;
  uint32_t pending_number_ = 0;
  uint32_t previous_ = 0;
};

SortedIndexWriter::SortedIndexWriter(PageAllocator& allocator, uint32_t table_page)
    : allocator_(allocator),
      table_page_(table_page),
      leaves_(std::make_unique<Level>(allocator, kPageIndexLeaf, table_page, out_)) {}

SortedIndexWriter::~SortedIndexWriter() = default;

Status SortedIndexWriter::Add(std::span<const uint8_t> key, uint32_t page, uint8_t row) {
  if (key.size() > MaxIndexKeyLength(allocator_.layout())) {
    return Status(ErrorKind::kInvalidArgument,
                  "an index key of " + std::to_string(key.size()) + " bytes is longer than " +
                      std::to_string(MaxIndexKeyLength(allocator_.layout())) + " bytes");
  }
  Bytes entry(key.begin(), key.end());
  AppendPointer(entry, page, row);
  ++out_.entries;
  return leaves_->Add(entry, key.size(), page, row);
}

Result<WrittenIndexPages> SortedIndexWriter::Finish() {
  JET_ASSIGN_OR_RETURN(std::vector<NodeRef> level, leaves_->Finish());
  Bytes entry;
  while (level.size() > 1) {
    Level nodes(allocator_, kPageIndexNode, table_page_, out_);
    for (const NodeRef& child : level) {
      entry = child.last_key;
      AppendPointer(entry, child.data_page, child.row);
      for (int shift = 24; shift >= 0; shift -= 8) entry.push_back(static_cast<uint8_t>(child.page >> shift));
      JET_RETURN_IF_ERROR(nodes.Add(entry, child.last_key.size(), child.data_page, child.row));
    }
    JET_ASSIGN_OR_RETURN(level, nodes.Finish());
  }
  out_.root = level.front().page;
  return std::move(out_);
}

void IndexBuilder::Add(std::span<const uint8_t> key, uint32_t page, uint8_t row) {
  entries_.push_back(Entry{keys_.size(), static_cast<uint32_t>(key.size()), page, row});
  AppendBytes(keys_, key);
}

Result<WrittenIndexPages> IndexBuilder::Write(PageAllocator& allocator, uint32_t table_page) {
  std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
    const auto ka = KeyOf(a), kb = KeyOf(b);
    const auto c = std::lexicographical_compare_three_way(ka.begin(), ka.end(), kb.begin(), kb.end());
    if (c != 0) return c < 0;
    return a.page != b.page ? a.page < b.page : a.row < b.row;
  });
  distinct_keys_ = entries_.empty() ? 0 : 1;
  for (size_t i = 1; i < entries_.size(); ++i) {
    const auto a = KeyOf(entries_[i - 1]), b = KeyOf(entries_[i]);
    if (!std::equal(a.begin(), a.end(), b.begin(), b.end())) {
      ++distinct_keys_;
    } else if (unique_) {
      return Status(ErrorKind::kInvalidArgument, "duplicate key in unique index " + name_);
    }
  }
  SortedIndexWriter writer(allocator, table_page);
  for (const Entry& e : entries_) JET_RETURN_IF_ERROR(writer.Add(KeyOf(e), e.page, e.row));
  return writer.Finish();
}

}  // namespace jet
