#include "jet/repair/SalvageSource.h"

#include <algorithm>
#include <iterator>

#include "jet/base/Bytes.h"
#include "jet/base/Rc4.h"
#include "jet/base/WriteBytes.h"
#include "jet/format/DataPage.h"
#include "jet/read/IndexPage.h"
#include "jet/read/UsageMap.h"

namespace jet {
namespace {

constexpr uint32_t kMaxPages = 0x00ffffff;
// The most one read of the damaged file brings in, whatever the page size.
constexpr uint32_t kReadAheadBytes = 1 << 20;
// Access also writes pages of types 0x06 to 0x09, which hold nothing a repair carries over;
// any higher type is damage.
constexpr uint8_t kLastKnownPageType = 0x09;

std::string Hex(uint8_t value) {
  const char* digits = "0123456789abcdef";
  return std::string("0x") + digits[value >> 4] + digits[value & 0xf];
}

}  // namespace

SalvageSource::SalvageSource(File& file, SalvagedHeader header, uint64_t size)
    : file_(file),
      reads_(file, size, LayoutFor(header.header.version).page_size,
             kReadAheadBytes / LayoutFor(header.header.version).page_size),
      header_(std::move(header)),
      layout_(&LayoutFor(header_.header.version)),
      size_(size),
      page_count_(static_cast<uint32_t>(
          std::min<uint64_t>((size + layout_->page_size - 1) / layout_->page_size, kMaxPages))) {}

Result<std::unique_ptr<SalvageSource>> SalvageSource::Open(File& file, RepairReport& report) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, file.Size());
  JET_ASSIGN_OR_RETURN(SalvagedHeader header, SalvageHeader(file, report));
  std::unique_ptr<SalvageSource> source(new SalvageSource(file, std::move(header), size));
  if (size % source->layout().page_size != 0) {
    report.Add(LossKind::kPageSkipped, "", source->page_count_ - 1,
               "the file ends inside this page: " + std::to_string(size % source->layout().page_size) +
                   " of " + std::to_string(source->layout().page_size) + " bytes are left");
  }
  JET_RETURN_IF_ERROR(source->ScanPages());
  source->ReadFreePages();
  return source;
}

Status SalvageSource::ReadPage(uint32_t number, std::vector<uint8_t>& out) {
  if (number >= page_count_) return CorruptError("page number beyond the end of the file").AtPage(number);
  JET_ASSIGN_OR_RETURN(const size_t present, ReadPresent(number, out));
  return Whole(number, present);
}

// A page the file holds only in part is not handed out as a whole one: the copiers would
// take its missing part for zeros.
Status SalvageSource::Whole(uint32_t number, size_t present) const {
  if (present < layout_->page_size) return CorruptError("the file ends inside this page").AtPage(number);
  return Status::Ok();
}

Status SalvageSource::ReadPages(uint32_t first, uint32_t count, std::span<uint8_t> out) {
  const uint32_t size = layout_->page_size;
  if (first == 0 || uint64_t{first} + count > page_count_ || out.size() != size_t{count} * size) {
    return Status(ErrorKind::kInvalidArgument, "pages outside the file").AtPage(first);
  }
  // A run of pages the file holds whole is read straight into `out`: the caller reads a window
  // at a time already, and the windows here would only add a copy. A single page, or a run
  // the file ends inside, goes through them.
  if (count > 1 && (uint64_t{first} + count) * size <= size_) {
    if (Status read = file_.ReadAt(uint64_t{first} * size, out); !read.ok()) {
      if (read_error_.ok()) read_error_ = read;
      return read.AtPage(first);
    }
    if (header().database_key != 0) {
      for (uint32_t i = 0; i < count; ++i)
        Rc4Apply(header().database_key ^ (first + i), out.subspan(size_t{i} * size, size));
    }
    return Status::Ok();
  }
  for (uint32_t i = 0; i < count; ++i) {
    JET_ASSIGN_OR_RETURN(const size_t present, CopyPage(first + i, out.subspan(size_t{i} * size, size)));
    JET_RETURN_IF_ERROR(Whole(first + i, present));
  }
  return Status::Ok();
}

Result<SalvageSource::TablePages> SalvageSource::PagesOfTable(const TableDef& def, RepairReport& report) {
  const std::vector<uint32_t>& owned = DataPagesOf(def.page);
  TablePages out;
  auto map = ReadUsageMap(*this, def.used_pages);
  if (!map.ok() && map.status().kind() == ErrorKind::kIo) return map.status();
  if (map.ok()) {
    std::set_intersection(map->pages.begin(), map->pages.end(), owned.begin(), owned.end(),
                          std::back_inserter(out.pages));
    for (uint32_t page : wrong_type_[def.page]) {
      if (!std::binary_search(map->pages.begin(), map->pages.end(), page)) continue;
      report.Add(LossKind::kPageSkipped, "", page,
                 "a data page of the table defined on page " + std::to_string(def.page) +
                     " has the wrong type; skipped with its rows");
    }
    // Access leaves pages it no longer uses as they were, so a page of no known type is
    // damage only where a table's map still lists it.
    for (uint32_t page : map->pages) {
      if (!std::binary_search(unknown_type_.begin(), unknown_type_.end(), page)) continue;
      std::vector<uint8_t> bytes;
      JET_RETURN_IF_ERROR(ReadPresent(page, bytes).status());
      report.Add(LossKind::kPageSkipped, "", page,
                 "a page the table defined on page " + std::to_string(def.page) + " lists has unknown type " +
                     Hex(bytes[0]) + "; skipped");
    }
    // A page the map lists that holds none of the table's data any more (zeroed, or
    // overwritten by another structure) took its rows with it: that is said, not passed
    // over. The pages reported above, and a page the file ends inside, are said already.
    const bool cut = size_ % layout_->page_size != 0;
    for (uint32_t page : map->pages) {
      if (page == 0 || (cut && page == page_count_ - 1)) continue;
      if (page >= page_count_) {
        report.Add(LossKind::kPageSkipped, "", page,
                   "a page the table defined on page " + std::to_string(def.page) +
                       " lists lies beyond the end of the file; the rows it held are lost");
        continue;
      }
      if (std::binary_search(owned.begin(), owned.end(), page) ||
          std::binary_search(unknown_type_.begin(), unknown_type_.end(), page))
        continue;
      const std::vector<uint32_t>& misnamed = wrong_type_[def.page];
      if (std::find(misnamed.begin(), misnamed.end(), page) != misnamed.end()) continue;
      report.Add(LossKind::kPageSkipped, "", page,
                 "a page the table defined on page " + std::to_string(def.page) +
                     " lists holds none of its data (zeroed or overwritten); skipped with the rows it held");
    }
    if (!out.pages.empty() || owned.empty()) return out;
  }
  // The map is damaged from here on: what is found is found by scanning, even nothing.
  out.scanned = !map.ok();
  if (owned.empty()) return out;
  const std::optional<std::vector<uint32_t>> indexed = IndexedPages(def, owned);
  JET_RETURN_IF_ERROR(read_error_);
  if (map.ok()) {
    // The map reads and lists none of the table's pages: an emptied table, unless its
    // other records say it has rows.
    const bool has_rows = indexed ? !indexed->empty() : def.row_count > 0;
    if (!has_rows) return out;
  }
  out.scanned = true;
  for (uint32_t page : indexed ? *indexed : owned) {
    if (!std::binary_search(free_pages_.begin(), free_pages_.end(), page)) out.pages.push_back(page);
  }
  return out;
}

// The pages that one of the table's index trees names, when a tree that lists every row
// (one that does not leave out rows with null keys) reads whole and names only pages in
// `owned`; nullopt when no tree does. A damaged tree, which may name any page, tells nothing.
std::optional<std::vector<uint32_t>> SalvageSource::IndexedPages(const TableDef& def,
                                                                 const std::vector<uint32_t>& owned) {
  for (const RealIndex& index : def.real_indexes) {
    if ((index.flags & kIndexIgnoreNulls) != 0 || index.root_page == 0 || index.root_page >= page_count_)
      continue;
    auto leaves = ReadIndexLeaves(*this, index.root_page);
    if (!leaves.ok()) continue;
    std::set<uint32_t> moved_to;
    const auto owns = [&owned](uint32_t page) {
      return std::binary_search(owned.begin(), owned.end(), page);
    };
    std::vector<uint32_t> pointers;
    pointers.reserve(leaves->size());
    bool inside = true;
    for (const IndexEntry& entry : *leaves) {
      inside = inside && owns(entry.data_page);
      pointers.push_back(RowPointer(entry.data_page, entry.data_row));
    }
    if (!inside) continue;
    std::sort(pointers.begin(), pointers.end());
    std::set<uint32_t> named;
    std::vector<uint8_t> bytes;
    size_t present = 0;
    for (uint32_t pointer : pointers) {
      if (named.insert(PointerPage(pointer)).second) {
        auto read = ReadPresent(PointerPage(pointer), bytes);
        present = read.ok() ? *read : 0;
      }
      // An entry may name the slot a moved row left behind: the row lives where it points.
      auto slot = LocateRow(bytes, present, *layout_, PointerRow(pointer));
      if (!slot.ok() || !slot->pointer || slot->end < slot->start + size_t{4}) continue;
      const uint32_t target = PointerPage(*GetU32(bytes, slot->start));
      if (owns(target)) moved_to.insert(target);
    }
    named.insert(moved_to.begin(), moved_to.end());
    return std::vector<uint32_t>(named.begin(), named.end());
  }
  return std::nullopt;
}

// Page 1 holds the database's map of free pages in its first row. A damaged map marks
// nothing free.
void SalvageSource::ReadFreePages() {
  auto map = ReadUsageMap(*this, RowPointer(kGlobalMapPage, 0));
  if (map.ok()) free_pages_ = std::move(map->pages);
}

Result<size_t> SalvageSource::ReadPresent(uint32_t number, std::vector<uint8_t>& out) {
  out.resize(layout_->page_size);
  return CopyPage(number, out);
}

Result<size_t> SalvageSource::CopyPage(uint32_t number, std::span<uint8_t> out) {
  JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> stored, Stored(number));
  std::copy(stored.begin(), stored.end(), out.begin());
  if (header().database_key != 0) Rc4Apply(header().database_key ^ number, out.first(stored.size()));
  // A page is encrypted whole; a cut one cannot be decrypted past its end anyway.
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(stored.size()), out.end(), 0);
  return stored.size();
}

Result<std::span<const uint8_t>> SalvageSource::Stored(uint32_t number) {
  const uint64_t offset = uint64_t{number} * layout_->page_size;
  if (number == 0 || offset >= size_) return std::span<const uint8_t>();
  auto read = reads_.Page(number);
  if (!read.ok()) {
    if (read_error_.ok()) read_error_ = read.status();
    return read.status().AtPage(number);
  }
  return *read;
}

const std::vector<uint32_t>& SalvageSource::DataPagesOf(uint32_t owner) const {
  static const std::vector<uint32_t> kNone;
  auto found = data_pages_.find(owner);
  return found == data_pages_.end() ? kNone : found->second;
}

std::vector<uint32_t> SalvageSource::DefinitionStarts() const {
  std::vector<uint32_t> out;
  for (uint32_t page : definition_pages_) {
    if (continuations_.count(page) == 0) out.push_back(page);
  }
  return out;
}

Status SalvageSource::ScanPages() {
  // Only the first bytes of a page say what it is and whose; they are read where the
  // window holds them (decrypted apart, when the database is encrypted).
  const size_t head_size = std::max(layout_->data_owner + 4, layout_->tdef_next_page + 4);
  std::vector<uint8_t> head(head_size);
  std::vector<std::pair<uint32_t, uint32_t>> data_like;  // page, the owner it names
  for (uint32_t number = 1; number < page_count_; ++number) {
    JET_ASSIGN_OR_RETURN(std::span<const uint8_t> page, Stored(number));
    const size_t present = page.size();
    if (present < head_size || header().database_key != 0) {
      const size_t held = std::min(present, head_size);
      std::fill(head.begin(), head.end(), 0);
      std::copy_n(page.begin(), held, head.begin());
      if (header().database_key != 0)
        Rc4Apply(header().database_key ^ number, std::span<uint8_t>(head).first(held));
      page = head;
    }
    const uint8_t type = page[0];
    if (type == kPageData && present >= layout_->data_row_offsets) {
      data_pages_[*GetU32(page, layout_->data_owner)].push_back(number);
    } else if (type == kPageTableDef && present == layout_->page_size) {
      definition_pages_.push_back(number);
      const uint32_t next = *GetU32(page, layout_->tdef_next_page);
      if (next != 0) continuations_.insert(next);
    } else if (type > kLastKnownPageType) {
      unknown_type_.push_back(number);
    } else if (type > kPageUsageMap && page[1] == 0x01 && present >= layout_->data_row_offsets) {
      data_like.emplace_back(number, *GetU32(page, layout_->data_owner));
    }
  }
  // A data page whose type byte was damaged into one of the other kinds Access writes still
  // names its table; PagesOfTable says so when the table's map lists it.
  for (const auto& [number, owner] : data_like) wrong_type_[owner].push_back(number);
  return Status::Ok();
}

}  // namespace jet
