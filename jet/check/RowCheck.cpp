#include "jet/check/RowCheck.h"

#include <algorithm>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/check/CheckContext.h"
#include "jet/check/LongValueCheck.h"
#include "jet/format/DataPage.h"
#include "jet/format/Row.h"
#include "jet/read/Database.h"
#include "jet/read/PageWindow.h"
#include "jet/read/UsageMap.h"

namespace jet {
namespace {

class RowWalk {
 public:
  RowWalk(CheckContext& ctx, const std::string& table, const TableDef& def)
      : ctx_(ctx), table_(table), def_(def), pages_(ctx.db(), PageWindow::Pages(ctx.db().layout())) {
    // The rows' long values lie among the table's data pages: each walk looks in the
    // other's window before it reads.
    ctx_.long_value_pages().Consult(&pages_);
    pages_.Consult(&ctx_.long_value_pages());
  }
  ~RowWalk() { ctx_.long_value_pages().Consult(nullptr); }
  RowWalk(const RowWalk&) = delete;
  RowWalk& operator=(const RowWalk&) = delete;

  TableRows Run() {
    auto used = ReadMap(def_.used_pages, "usage map");
    auto free = ReadMap(def_.free_pages, "free-space map");
    if (!used) {
      rows_.complete = false;
      return std::move(rows_);
    }
    if (free) {
      for (uint32_t page : *free) {
        if (!std::binary_search(used->begin(), used->end(), page)) {
          Report(ProblemArea::kUsageMap, page, "free-space map lists a page the table does not own");
        }
      }
    }
    for (uint32_t page : *used) {
      if (ctx_.Done()) {
        rows_.complete = false;
        return std::move(rows_);
      }
      CheckPage(page);
    }
    CheckMovedRows();
    std::sort(rows_.live.begin(), rows_.live.end());
    if (rows_.complete && rows_.live.size() != def_.row_count) {
      ctx_.Note(Leftover::kRowCount, table_, def_.page,
                "table definition counts " + std::to_string(def_.row_count) + " rows, the data pages hold " +
                    std::to_string(rows_.live.size()));
    }
    return std::move(rows_);
  }

 private:
  void Report(ProblemArea area, std::optional<uint32_t> page, std::string text) {
    ctx_.Report(area, table_, page, std::move(text));
  }

  std::optional<std::vector<uint32_t>> ReadMap(uint32_t pointer, const std::string& what) {
    ctx_.Claim(PointerPage(pointer), "the usage maps");
    auto map = ReadUsageMap(ctx_.db(), pointer);
    if (!map.ok()) {
      ctx_.Report(ProblemArea::kUsageMap, table_, map.status().page().value_or(PointerPage(pointer)),
                  what + ": " + map.status().description());
      return std::nullopt;
    }
    for (uint32_t page : map->map_pages) ctx_.Claim(page, what + " of table " + table_);
    return map->pages;
  }

  // The page's rows, or nullopt after reporting why there are none; `page` then holds its
  // bytes, valid until the next read.
  std::optional<DataPageInfo> ReadPage(uint32_t number, std::span<const uint8_t>& page) {
    Result<std::span<const uint8_t>> read = pages_.Page(number);
    if (!read.ok()) {
      rows_.complete = false;
      ctx_.Report(ProblemArea::kFile, table_, read.status());
      return std::nullopt;
    }
    page = *read;
    if (page[0] != kPageData || *GetU32(page, ctx_.db().layout().data_owner) != def_.page) {
      Report(ProblemArea::kUsageMap, number,
             "usage map lists a page that is not one of the table's data pages");
      return std::nullopt;
    }
    auto info = ParseDataPage(page, ctx_.db().layout());
    if (!info.ok()) {
      rows_.complete = false;
      Report(ProblemArea::kRow, number, info.status().description());
      return std::nullopt;
    }
    return std::move(info).value();
  }

  void CheckPage(uint32_t number) {
    std::span<const uint8_t> page;
    const std::optional<DataPageInfo> info = ReadPage(number, page);
    if (!info) return;
    ctx_.Claim(number, "table " + table_);
    for (size_t slot = 0; slot < info->rows.size(); ++slot) CheckSlot(page, number, slot, info->rows[slot]);
  }

  void CheckSlot(std::span<const uint8_t> page, uint32_t number, size_t slot, const RowSlot& s) {
    const uint32_t pointer = (number << 8) | static_cast<uint32_t>(slot);
    if (s.pointer) {
      if (s.start >= s.end || s.end - s.start < 4) {
        return Report(ProblemArea::kRow, number,
                      "moved row " + std::to_string(slot) + " leaves no pointer behind");
      }
      rows_.forwards[pointer] = *GetU32(page, s.start);
      return;
    }
    if (!s.live()) return;
    // A moved row is a row of the table only when a slot points to it (CheckMovedRows).
    if (s.moved) {
      moved_.insert(pointer);
      return;
    }
    CheckRow(page, number, slot, s);
  }

  void CheckRow(std::span<const uint8_t> page, uint32_t number, size_t slot, const RowSlot& s) {
    rows_.live.push_back((number << 8) | static_cast<uint32_t>(slot));
    std::span<const uint8_t> row(page.data() + s.start, s.end - s.start);
    auto fields = SplitRow(row, def_, ctx_.db().layout());
    if (!fields.ok()) {
      return Report(ProblemArea::kRow, number,
                    "row " + std::to_string(slot) + ": " + fields.status().description());
    }
    const uint16_t columns = ctx_.db().layout().row_column_count_size == 1 ? row[0] : *GetU16(row, 0);
    if (columns > def_.max_columns) {
      Report(ProblemArea::kRow, number,
             "row " + std::to_string(slot) + " has " + std::to_string(columns) +
                 " columns, the table at most " + std::to_string(def_.max_columns));
    }
    for (size_t i = 0; i < def_.columns.size(); ++i) {
      const ColumnDef& c = def_.columns[i];
      const RawField& f = (*fields)[i];
      if (f.null) continue;
      if (c.IsLongValue()) {
        CheckLongValue(ctx_, table_, c.name, f.bytes, number, table_ == kCatalogName);
      } else if (c.fixed() && FixedSizeOf(c.type) != 0 && f.bytes.size() != FixedSizeOf(c.type)) {
        Report(ProblemArea::kRow, number,
               "row " + std::to_string(slot) + ": column '" + c.name + "' has the wrong size");
      }
    }
  }

  // Every pointer left behind must lead to a moved row of this table, and no moved row may be
  // reached twice. A moved row that no pointer reaches is an old version of the row.
  void CheckMovedRows() {
    std::set<uint32_t> reached;
    for (const auto& [from, to] : rows_.forwards) {
      if (!moved_.count(to)) {
        Report(ProblemArea::kRow, PointerPage(from),
               "row " + std::to_string(PointerRow(from)) + " points to page " +
                   std::to_string(PointerPage(to)) + " row " + std::to_string(PointerRow(to)) +
                   ", which is not a moved row of this table");
      } else if (!reached.insert(to).second) {
        Report(ProblemArea::kRow, PointerPage(to),
               "moved row " + std::to_string(PointerRow(to)) + " is reached twice");
      }
    }
    std::span<const uint8_t> page;
    for (uint32_t row : moved_) {
      if (!reached.count(row)) {
        ctx_.Note(
            Leftover::kOldRowVersion, table_, PointerPage(row),
            "moved row " + std::to_string(PointerRow(row)) + " is reached by no pointer: an old version");
        continue;
      }
      const std::optional<DataPageInfo> info = ReadPage(PointerPage(row), page);
      if (info) CheckRow(page, PointerPage(row), PointerRow(row), info->rows[PointerRow(row)]);
    }
  }

  CheckContext& ctx_;
  const std::string& table_;
  const TableDef& def_;
  TableRows rows_;
  std::set<uint32_t> moved_;
  PageWindow pages_;  // the table's data pages
};

}  // namespace

TableRows CheckRows(CheckContext& ctx, const std::string& table, const TableDef& def) {
  return RowWalk(ctx, table, def).Run();
}

}  // namespace jet
