#include "jet/check/IndexCheck.h"

#include <algorithm>
#include <deque>
#include <set>

#include "jet/check/CheckContext.h"
#include "jet/format/DataPage.h"
#include "jet/read/Database.h"
#include "jet/read/IndexPage.h"
#include "jet/read/PageWindow.h"
#include "jet/read/UsageMap.h"

namespace jet {
namespace {

// A leaf as the walk down the tree met it; its entries are read again, through a window
// (a tree's leaves mostly lie together, in order), once the tree is known to be whole.
struct Leaf {
  uint32_t number = 0;
  uint32_t prev_page = 0;
  uint32_t next_page = 0;
};

class IndexWalk {
 public:
  IndexWalk(CheckContext& ctx, const std::string& table, const TableDef& def, const RealIndex& index)
      : ctx_(ctx),
        table_(table),
        index_(index),
        name_("index " + Name(def, index)),
        pages_(ctx.db(), PageWindow::Pages(ctx.db().layout())) {}

  void Run(const TableRows& rows) {
    Descend(index_.root_page, 0);
    CheckUsageMap();
    if (!complete_) return;
    CheckChain();
    CheckEntries(rows);
  }

  // All but the entries against the rows; the key order is checked on the way down, so each
  // leaf is read once.
  void RunTree() {
    keys_on_the_way_down_ = true;
    Descend(index_.root_page, 0);
    CheckUsageMap();
    if (!complete_) return;
    CheckChain();
  }

 private:
  static std::string Name(const TableDef& def, const RealIndex& index) {
    for (const LogicalIndex& x : def.indexes) {
      if (x.real_index == index.number) return x.name;
    }
    return "#" + std::to_string(index.number);
  }

  void Report(std::optional<uint32_t> page, const std::string& text) {
    ctx_.Report(ProblemArea::kIndex, table_, page, name_ + ": " + text);
  }

  // Depth-first, left to right, so leaves arrive in key order.
  void Descend(uint32_t number, int depth) {
    if (depth > 32) {
      complete_ = false;
      return Report(number, "tree is deeper than any index can be");
    }
    if (!visited_.insert(number).second) {
      complete_ = false;
      return Report(number, "page is reached twice");
    }
    auto bytes = pages_.Page(number);
    if (!bytes.ok()) {
      complete_ = false;
      return Report(number, bytes.status().description());
    }
    ctx_.Claim(number, name_ + " of table " + table_);
    // Each depth parses into a page of its own, whose buffers serve the next page there.
    if (levels_.size() <= static_cast<size_t>(depth)) levels_.resize(depth + 1);
    IndexPage* const page = &levels_[depth];
    if (const Status parsed = ParseIndexPageInto(*bytes, ctx_.db().layout(), *page); !parsed.ok()) {
      complete_ = false;
      return Report(number, parsed.description());
    }
    if (page->leaf()) {
      leaves_.push_back({number, page->prev_page, page->next_page});
      if (keys_on_the_way_down_)
        for (const IndexEntry& e : page->entries) TakeKey(number, e);
      return;
    }
    if (page->FirstChild() == 0) {
      complete_ = false;
      return Report(number, "intermediate page leads nowhere");
    }
    for (const IndexEntry& e : page->entries) Descend(e.child_page, depth + 1);
    // The tail page holds the keys after the last entry's (all of them on a page that keeps no
    // entries); in deeper trees it may already have been reached through the last child.
    if (page->tail_page != 0 && !visited_.count(page->tail_page)) Descend(page->tail_page, depth + 1);
  }

  void CheckUsageMap() {
    ctx_.Claim(PointerPage(index_.used_pages), "the usage maps");
    auto map = ReadUsageMap(ctx_.db(), index_.used_pages);
    if (!map.ok()) return Report(map.status().page(), "usage map: " + map.status().description());
    for (uint32_t page : map->map_pages) ctx_.Claim(page, name_ + " usage map of table " + table_);
    if (!complete_) return;
    for (uint32_t page : map->pages) {
      if (!visited_.count(page)) Report(page, "usage map lists a page that is not in the tree");
    }
    for (uint32_t page : visited_) {
      if (!std::binary_search(map->pages.begin(), map->pages.end(), page))
        Report(page, "tree page missing from the usage map");
    }
  }

  void CheckChain() {
    for (size_t i = 0; i < leaves_.size(); ++i) {
      const uint32_t prev = i == 0 ? 0 : leaves_[i - 1].number;
      const uint32_t next = i + 1 == leaves_.size() ? 0 : leaves_[i + 1].number;
      if (leaves_[i].prev_page != prev) {
        Report(leaves_[i].number, "leaf names page " + std::to_string(leaves_[i].prev_page) +
                                      " before it, not " + std::to_string(prev));
      }
      if (leaves_[i].next_page != next) {
        Report(leaves_[i].number, "leaf names page " + std::to_string(leaves_[i].next_page) +
                                      " after it, not " + std::to_string(next));
      }
    }
  }

  // The key order, entry by entry in tree order, and the count of distinct keys.
  void TakeKey(uint32_t leaf, const IndexEntry& e) {
    if (!first_key_ && std::lexicographical_compare(e.key.begin(), e.key.end(), previous_key_.begin(),
                                                    previous_key_.end())) {
      Report(leaf, "keys out of order");
    }
    if (first_key_ || e.key != previous_key_) ++keys_;
    first_key_ = false;
    previous_key_ = e.key;
  }

  void CheckEntries(const TableRows& rows) {
    std::vector<bool> listed(rows.live.size());
    size_t listed_count = 0;
    IndexPage page;  // its buffers serve every leaf in turn
    for (const Leaf& leaf : leaves_) {
      auto bytes = pages_.Page(leaf.number);
      const Status parsed =
          bytes.ok() ? ParseIndexPageInto(*bytes, ctx_.db().layout(), page) : bytes.status();
      if (!parsed.ok()) return Report(leaf.number, parsed.description());
      for (const IndexEntry& e : page.entries) {
        TakeKey(leaf.number, e);
        uint32_t pointer = (e.data_page << 8) | e.data_row;
        if (auto moved = rows.forwards.find(pointer); moved != rows.forwards.end()) pointer = moved->second;
        if (!rows.complete) continue;
        const size_t position = rows.Position(pointer);
        if (position == rows.live.size()) {
          Report(leaf.number, "entry names page " + std::to_string(e.data_page) + " row " +
                                  std::to_string(e.data_row) + ", which is not a live row");
        } else if (listed[position]) {
          Report(leaf.number, "lists page " + std::to_string(e.data_page) + " row " +
                                  std::to_string(e.data_row) + " twice");
        } else {
          listed[position] = true;
          ++listed_count;
        }
      }
    }
    if (keys_ != index_.key_count) {
      ctx_.Note(Leftover::kKeyCount, table_, index_.root_page,
                name_ + ": the definition counts " + std::to_string(index_.key_count) +
                    " distinct keys, the tree holds " + std::to_string(keys_));
    }
    if (!rows.complete) return;
    const bool may_skip = (index_.flags & kIndexIgnoreNulls) != 0;
    if (listed_count != rows.live.size() && !(may_skip && listed_count < rows.live.size())) {
      Report(index_.root_page, "lists " + std::to_string(listed_count) + " rows, the table holds " +
                                   std::to_string(rows.live.size()));
    }
  }

  CheckContext& ctx_;
  const std::string& table_;
  const RealIndex& index_;
  std::string name_;
  bool complete_ = true;
  bool keys_on_the_way_down_ = false;
  std::vector<uint8_t> previous_key_;
  bool first_key_ = true;
  uint32_t keys_ = 0;  // distinct keys taken so far
  std::set<uint32_t> visited_;
  std::vector<Leaf> leaves_;
  std::deque<IndexPage> levels_;  // by depth; a deque, so a deeper level leaves the others in place
  PageWindow pages_;              // the tree's pages
};

}  // namespace

void CheckIndex(CheckContext& ctx, const std::string& table, const TableDef& def, const RealIndex& index,
                const TableRows& rows) {
  IndexWalk(ctx, table, def, index).Run(rows);
}

void CheckIndexTree(CheckContext& ctx, const std::string& table, const TableDef& def,
                    const RealIndex& index) {
  IndexWalk(ctx, table, def, index).RunTree();
}

}  // namespace jet
