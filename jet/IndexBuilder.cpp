#include "jet/IndexBuilder.h"

#include <algorithm>

namespace jet {
namespace {

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

// Packs the entries of one level of the tree into pages linked in key order.
class LevelWriter {
 public:
  LevelWriter(PageAllocator& allocator, uint8_t type, uint32_t table_page, WrittenIndexPages& out)
      : allocator_(allocator), layout_(allocator.layout()), type_(type), table_page_(table_page), out_(out) {}

  Status Add(const Bytes& entry, std::span<const uint8_t> key, uint32_t data_page, uint8_t row) {
    if (!open_ || area_.size() + entry.size() > layout_.page_size - layout_.index_first_entry) {
      JET_RETURN_IF_ERROR(StartPage());
    }
    AppendBytes(area_, entry);
    ends_.push_back(area_.size());
    refs_.back().last_key.assign(key.begin(), key.end());
    refs_.back().data_page = data_page;
    refs_.back().row = row;
    return Status::Ok();
  }

  Result<std::vector<NodeRef>> Finish() {
    if (!open_) JET_RETURN_IF_ERROR(StartPage());
    JET_RETURN_IF_ERROR(Seal());
    JET_RETURN_IF_ERROR(WritePending(0));
    return std::move(refs_);
  }

 private:
  Status StartPage() {
    const uint32_t number = allocator_.Reserve();
    out_.pages.push_back(number);
    if (open_) {
      JET_RETURN_IF_ERROR(Seal());
      JET_RETURN_IF_ERROR(WritePending(number));
    }
    open_ = true;
    refs_.push_back(NodeRef{});
    refs_.back().page = number;
    area_.clear();
    ends_.clear();
    return Status::Ok();
  }

  // Builds the page in progress; it waits for the number of the page after it.
  Status Seal() {
    Bytes page(layout_.page_size, 0);
    page[0] = type_;
    page[1] = 0x01;
    PutU16(page, 2, static_cast<uint16_t>(layout_.page_size - layout_.index_first_entry - area_.size()));
    PutU32(page, 4, table_page_);
    PutU32(page, layout_.index_prev_page, previous_);
    for (size_t end : ends_) page[layout_.index_bitmask + end / 8] |= static_cast<uint8_t>(1u << (end % 8));
    std::copy(area_.begin(), area_.end(), page.begin() + static_cast<ptrdiff_t>(layout_.index_first_entry));
    pending_ = std::move(page);
    pending_number_ = refs_.back().page;
    previous_ = pending_number_;
    return Status::Ok();
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
  bool open_ = false;
  Bytes area_;
  std::vector<size_t> ends_;
  std::vector<NodeRef> refs_;
  Bytes pending_;
  uint32_t pending_number_ = 0;
  uint32_t previous_ = 0;
};

}  // namespace

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
  for (size_t i = 1; unique_ && i < entries_.size(); ++i) {
    const auto a = KeyOf(entries_[i - 1]), b = KeyOf(entries_[i]);
    if (std::equal(a.begin(), a.end(), b.begin(), b.end())) {
      return Status(ErrorKind::kInvalidArgument, "duplicate key in unique index " + name_);
    }
  }
  WrittenIndexPages out;
  out.entries = static_cast<uint32_t>(entries_.size());
  LevelWriter leaves(allocator, kPageIndexLeaf, table_page, out);
  Bytes entry;
  for (const Entry& e : entries_) {
    const auto key = KeyOf(e);
    entry.assign(key.begin(), key.end());
    AppendPointer(entry, e.page, e.row);
    JET_RETURN_IF_ERROR(leaves.Add(entry, key, e.page, e.row));
  }
  JET_ASSIGN_OR_RETURN(std::vector<NodeRef> level, leaves.Finish());
  while (level.size() > 1) {
    LevelWriter nodes(allocator, kPageIndexNode, table_page, out);
    for (const NodeRef& child : level) {
      entry = child.last_key;
      AppendPointer(entry, child.data_page, child.row);
      for (int shift = 24; shift >= 0; shift -= 8) entry.push_back(static_cast<uint8_t>(child.page >> shift));
      JET_RETURN_IF_ERROR(nodes.Add(entry, child.last_key, child.data_page, child.row));
    }
    JET_ASSIGN_OR_RETURN(level, nodes.Finish());
  }
  out.root = level.front().page;
  return out;
}

}  // namespace jet
