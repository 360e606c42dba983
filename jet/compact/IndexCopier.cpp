#include "jet/compact/IndexCopier.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "jet/read/IndexPage.h"
#include "jet/read/PageWindow.h"

namespace jet {
namespace {

constexpr uint8_t kAscendingValue = 0x7f;
constexpr uint8_t kDescendingValue = 0x80;  // the ascending flag, complemented
constexpr uint32_t kSignBit = 0x80000000;
constexpr size_t kLongKeyBytes = 5;  // flag byte and four value bytes

Status Damaged(const std::string& what) { return CorruptError("damaged index: " + what); }

// Walks the leaf pages of a tree in key order, one page at a time.
class LeafWalk {
 public:
  LeafWalk(PageSource& db, uint32_t root)
      : db_(db), next_(root), window_(db, PageWindow::Pages(db.layout())) {}

  // The next leaf page, valid until the next call; nullptr after the last.
  Result<IndexPage*> Next() {
    if (next_ == 0) return nullptr;
    current_ = next_;
    JET_RETURN_IF_ERROR(Load(current_));
    while (!page_.leaf()) {
      if (page_.FirstChild() == 0) return Damaged("an intermediate page leads nowhere").AtPage(current_);
      current_ = page_.FirstChild();
      JET_RETURN_IF_ERROR(Load(current_));
    }
    next_ = page_.next_page;
    return &page_;
  }

  // The page Next returned last.
  uint32_t current() const { return current_; }

 private:
  Status Load(uint32_t number) {
    if (++loaded_ > db_.page_count()) return Damaged("its pages form a loop").AtPage(number);
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> bytes, window_.Page(number));
    Status parsed = ParseIndexPageInto(bytes, db_.layout(), page_);
    if (!parsed.ok()) return parsed.AtPage(number);
    return Status::Ok();
  }

  PageSource& db_;
  uint32_t next_;
  uint32_t current_ = 0;
  uint64_t loaded_ = 0;
  PageWindow window_;
  IndexPage page_;  // the page loaded last; its buffers serve the next one
};

uint32_t BigEndian(std::span<const uint8_t> b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// A key starting with a Long table id, the id moved to the table's new page.
void RenumberKey(std::vector<uint8_t>& key, const std::map<uint32_t, uint32_t>& ids) {
  if (key.size() < kLongKeyBytes || (key[0] != kAscendingValue && key[0] != kDescendingValue)) return;
  const uint32_t flip = key[0] == kDescendingValue ? 0xffffffff : 0;
  const auto value = std::span<uint8_t>(key).subspan(1, 4);
  auto found = ids.find((BigEndian(value) ^ flip) ^ kSignBit);
  if (found == ids.end()) return;
  const uint32_t stored = (found->second ^ kSignBit) ^ flip;
  for (size_t i = 0; i < 4; ++i) value[i] = static_cast<uint8_t>(stored >> (24 - 8 * i));
}

// Key bytes compare as unsigned bytes, a key before every longer key it begins.
int CompareKeys(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  const size_t common = std::min(a.size(), b.size());
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (order != 0) return order;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

struct Entry {
  std::vector<uint8_t> key;
  uint32_t row = 0;
};

bool Before(const Entry& a, const Entry& b) {
  const int order = CompareKeys(a.key, b.key);
  return order != 0 ? order < 0 : a.row < b.row;
}

// Writes runs of entries with the same key, each run in the order of the new pointers.
class RunWriter {
 public:
  explicit RunWriter(SortedIndexWriter& writer) : writer_(writer) {}

  Status Add(const std::vector<uint8_t>& key, uint32_t row) {
    if (!rows_.empty()) {
      const int order = CompareKeys(key, key_);
      if (order < 0) return Damaged("its keys are out of order");
      if (order == 0) {
        rows_.push_back(row);
        return Status::Ok();
      }
      JET_RETURN_IF_ERROR(Flush());
    }
    key_ = key;
    rows_.push_back(row);
    return Status::Ok();
  }

  Status Flush() {
    if (rows_.empty()) return Status::Ok();
    ++keys_;
    std::sort(rows_.begin(), rows_.end());
    for (uint32_t row : rows_) JET_RETURN_IF_ERROR(writer_.Add(key_, row >> 8, static_cast<uint8_t>(row)));
    rows_.clear();
    return Status::Ok();
  }

  uint32_t keys() const { return keys_; }

 private:
  SortedIndexWriter& writer_;
  uint32_t keys_ = 0;
  std::vector<uint8_t> key_;
  std::vector<uint32_t> rows_;
};

// Hands each leaf entry of the tree, in stored order, to `take` with the new place of its
// row, after checking that it names a row of `rows` not named before. Entries of rows left
// out are passed over. Returns the rows listed, by position in `rows`.
template <typename Take>
Result<std::vector<bool>> WalkEntries(PageSource& source, const RealIndex& index, const RowPointerMap& rows,
                                      const IndexCopyOptions& options, Take take) {
  std::vector<bool> listed(rows.size());
  LeafWalk walk(source, index.root_page);
  for (;;) {
    JET_ASSIGN_OR_RETURN(IndexPage* const page, walk.Next());
    if (page == nullptr) break;
    for (IndexEntry& e : page->entries) {
      const uint32_t pointer = (e.data_page << 8) | e.data_row;
      auto position = rows.Position(pointer);
      if (!position && options.pass_over_lost_rows) continue;
      if (!position) {
        return Damaged("an entry names row " + std::to_string(e.data_row) + " of page " +
                       std::to_string(e.data_page) + ", which the table does not hold")
            .AtPage(walk.current());
      }
      if (listed[*position]) {
        return Damaged("it lists row " + std::to_string(e.data_row) + " of page " +
                       std::to_string(e.data_page) + " twice")
            .AtPage(walk.current());
      }
      listed[*position] = true;
      Status taken = take(e, rows.At(*position));
      if (!taken.ok()) return taken.AtPage(walk.current());
    }
  }
  return listed;
}

}  // namespace

Status VerifyIndex(PageSource& source, const RealIndex& index, const RowPointerMap& rows,
                   const IndexCopyOptions& options) {
  std::vector<uint8_t> last;
  bool first = true;
  uint64_t entries = 0;
  JET_ASSIGN_OR_RETURN(
      const std::vector<bool> listed,
      WalkEntries(source, index, rows, options, [&](const IndexEntry& e, uint32_t) -> Status {
        if (!first && CompareKeys(e.key, last) < 0) return Damaged("its keys are out of order");
        first = false;
        last = e.key;
        ++entries;
        return Status::Ok();
      }));
  // A row reached through the slot it left is listed under that slot; both name one row.
  std::vector<bool> reached(rows.size());
  size_t listed_rows = 0;
  size_t all_rows = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto target = rows.Position(rows.At(i));
    if (!target) return Status(ErrorKind::kInvalidArgument, "the rows do not map each row to itself");
    if (*target == i) ++all_rows;
    if (!listed[i]) continue;
    if (reached[*target]) return Damaged("it lists a moved row twice");
    reached[*target] = true;
    ++listed_rows;
  }
  if (listed_rows != all_rows && (index.flags & kIndexIgnoreNulls) == 0) {
    return Damaged("it lists " + std::to_string(listed_rows) + " of " + std::to_string(all_rows) + " rows");
  }
  return Status::Ok();
}

Result<CopiedIndex> CopyIndex(PageSource& source, const RealIndex& index, const RowPointerMap& rows,
                              const IndexCopyOptions& options, PageAllocator& allocator,
                              uint32_t table_page) {
  SortedIndexWriter writer(allocator, table_page);
  RunWriter runs(writer);
  std::vector<Entry> renumbered;
  JET_RETURN_IF_ERROR(WalkEntries(source, index, rows, options, [&](IndexEntry& e, uint32_t row) -> Status {
                        if (options.renumbered_ids) {
                          RenumberKey(e.key, *options.renumbered_ids);
                          renumbered.push_back(Entry{std::move(e.key), row});
                          return Status::Ok();
                        }
                        return runs.Add(e.key, row);
                      }).status());
  JET_RETURN_IF_ERROR(runs.Flush());
  CopiedIndex copied;
  copied.keys = runs.keys();
  std::sort(renumbered.begin(), renumbered.end(), Before);
  for (size_t i = 0; i < renumbered.size(); ++i) {
    const Entry& e = renumbered[i];
    if (i == 0 || CompareKeys(e.key, renumbered[i - 1].key) != 0) ++copied.keys;
    JET_RETURN_IF_ERROR(writer.Add(e.key, e.row >> 8, static_cast<uint8_t>(e.row)));
  }
  JET_ASSIGN_OR_RETURN(copied.pages, writer.Finish());
  return copied;
}

}  // namespace jet
