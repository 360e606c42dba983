#include "jet/read/IndexPage.h"

#include <array>
#include <bit>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/read/PageSource.h"

namespace jet {
namespace {

constexpr size_t kPointerSize = 4;  // 3-byte page + row
constexpr size_t kChildSize = 4;
constexpr size_t kLargestPage = 4096;  // Jet 4's; Jet 3's are 2048 bytes

Status Bad(const std::string& what) { return CorruptError("damaged index page: " + what); }

// `bytes` is one whole entry: its key, then the row pointer and, on intermediate pages, the
// child page.
Status ParseEntry(std::span<const uint8_t> bytes, bool leaf, IndexEntry& e) {
  const size_t tail = kPointerSize + (leaf ? 0 : kChildSize);
  if (bytes.size() < tail) return Bad("entry shorter than its pointers");
  const size_t at = bytes.size() - tail;
  e.key.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  e.data_page = *GetU24BigEndian(bytes, at);
  e.data_row = bytes[at + 3];
  e.child_page = leaf ? 0 : *GetU32BigEndian(bytes, at + kPointerSize);
  return Status::Ok();
}

}  // namespace

Result<IndexPage> ParseIndexPage(std::span<const uint8_t> page, const Layout& l) {
  IndexPage out;
  JET_RETURN_IF_ERROR(ParseIndexPageInto(page, l, out));
  return out;
}

Status ParseIndexPageInto(std::span<const uint8_t> page, const Layout& l, IndexPage& out) {
  if (page.size() != l.page_size || (page[0] != kPageIndexLeaf && page[0] != kPageIndexNode)) {
    return Bad("not an index page");
  }
  out.type = page[0];
  out.owner = *GetU32(page, 4);
  out.prev_page = *GetU32(page, l.index_prev_page);
  out.next_page = *GetU32(page, l.index_next_page);
  out.tail_page = *GetU32(page, l.index_tail_page);
  const uint16_t prefix_length =
      l.version == JetVersion::kJet3 ? page[l.index_prefix_length] : *GetU16(page, l.index_prefix_length);
  const std::span<const uint8_t> bitmap =
      page.subspan(l.index_bitmask, l.index_first_entry - l.index_bitmask);
  size_t count = 0;
  for (const uint8_t bits : bitmap) count += static_cast<size_t>(std::popcount(bits));
  out.entries.resize(count);
  // Every entry after the first leaves out the bytes it shares with the first one. The shared
  // run counts whole entry bytes: where neighbouring keys are equal it reaches into the row
  // pointer (Jet 3 and Jet 4 both do this).
  std::span<const uint8_t> prefix;
  std::array<uint8_t, kLargestPage> whole;
  size_t start = 0;
  size_t n = 0;
  for (size_t byte = 0; byte < bitmap.size(); ++byte) {
    for (unsigned bits = bitmap[byte]; bits != 0; bits &= bits - 1) {
      const size_t end = byte * 8 + static_cast<size_t>(std::countr_zero(bits));
      if (l.index_first_entry + end > page.size() || end <= start) return Bad("entry outside the page");
      auto raw = page.subspan(l.index_first_entry + start, end - start);
      if (n == 0) {
        if (prefix_length > raw.size()) return Bad("shared prefix longer than the first entry");
        prefix = raw.first(prefix_length);
      } else {
        if (prefix.size() + raw.size() > whole.size()) return Bad("entry outside the page");
        std::copy(prefix.begin(), prefix.end(), whole.begin());
        std::copy(raw.begin(), raw.end(), whole.begin() + static_cast<std::ptrdiff_t>(prefix.size()));
        raw = std::span<const uint8_t>(whole).first(prefix.size() + raw.size());
      }
      JET_RETURN_IF_ERROR(ParseEntry(raw, out.leaf(), out.entries[n++]));
      start = end;
    }
  }
  return Status::Ok();
}

Result<std::vector<IndexEntry>> ReadIndexLeaves(PageSource& db, uint32_t root_page,
                                                std::vector<uint32_t>* visited) {
  std::set<uint32_t> seen;
  std::vector<uint8_t> bytes;
  auto load = [&](uint32_t number) -> Result<IndexPage> {
    if (!seen.insert(number).second) return Bad("pages form a loop").AtPage(number);
    JET_RETURN_IF_ERROR(db.ReadPage(number, bytes));
    auto page = ParseIndexPage(bytes, db.layout());
    if (!page.ok()) return page.status().AtPage(number);
    if (visited) visited->push_back(number);
    return page;
  };
  uint32_t number = root_page;
  JET_ASSIGN_OR_RETURN(IndexPage page, load(number));
  while (!page.leaf()) {
    if (page.FirstChild() == 0) return Bad("an intermediate page leads nowhere").AtPage(number);
    number = page.FirstChild();
    JET_ASSIGN_OR_RETURN(page, load(number));
  }
  std::vector<IndexEntry> out;
  while (true) {
    for (IndexEntry& e : page.entries) out.push_back(std::move(e));
    if (page.next_page == 0) break;
    JET_ASSIGN_OR_RETURN(page, load(page.next_page));
    if (!page.leaf()) return Bad("leaf chain reaches a non-leaf page");
  }
  return out;
}

}  // namespace jet
