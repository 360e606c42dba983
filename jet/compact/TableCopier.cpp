#include "jet/compact/TableCopier.h"

#include <algorithm>

#include "jet/base/Bytes.h"
#include "jet/compact/IndexCopier.h"
#include "jet/compact/LongValueCopier.h"
#include "jet/compact/TableDefCopy.h"
#include "jet/format/Row.h"
#include "jet/format/RowPointerMap.h"
#include "jet/read/PageWindow.h"
#include "jet/read/TableReader.h"
#include "jet/read/UsageMap.h"
#include "jet/write/RowPlacer.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

std::string IndexName(const TableDef& def, size_t real_index) {
  for (const LogicalIndex& x : def.indexes) {
    if (x.real_index == real_index) return x.name;
  }
  return "#" + std::to_string(real_index);
}

class TableCopy {
 public:
  TableCopy(CompactionTargets& targets, const TableToCopy& table)
      : t_(targets),
        table_(table),
        def_(table.def),
        layout_(targets.source.layout()),
        data_(targets.allocator, table.new_pages.front()),
        long_values_(targets.source, targets.allocator),
        patcher_(def_, layout_, long_values_, targets.new_ids) {
    // A catalog row's property value that names a long-value row no longer there is a
    // leftover Access passes over: the row is copied with the value null, and that is said.
    if (table.ids == TableIdColumn::kCatalogId) {
      patcher_.OnBrokenValue([this](const ColumnDef& column, std::span<uint8_t> field, const Status& why) {
        std::fill(field.begin(), field.end(), 0);  // no pointer left to a row the copy lacks
        t_.dropped.push_back("table '" + table_.name + "', a row on page " + std::to_string(current_page_) +
                             ": column '" + column.name + "' left empty, its value cannot be read (" +
                             why.ToString() + ")");
        return Result<bool>(true);
      });
    }
  }

  Result<CopiedTable> Run() {
    JET_RETURN_IF_ERROR(patcher_.FindIdColumns(table_.ids));
    JET_RETURN_IF_ERROR(CopyRows());
    JET_RETURN_IF_ERROR(CopyIndexes());
    JET_RETURN_IF_ERROR(WriteDefinition());
    return DescribeCopiedTable(copied_, data_.pages());
  }

 private:
  // The live rows in storage order (jet/TableReader), a moved row at its new place; the
  // slots moved rows left are noted, and old versions of moved rows left out.
  Status CopyRows() {
    TableReader reader(t_.source, def_, PageWindow::Pages(layout_));
    // A row's long values lie among the table's data pages: each walk looks in the other's
    // window before it reads.
    long_values_.Consult(&reader.window());
    reader.Consult(&long_values_.windows());
    Status copied = CopyRowsFrom(reader);
    long_values_.Consult(nullptr);
    JET_RETURN_IF_ERROR(copied);
    return FinishRows(reader.forwards());
  }

  Status CopyRowsFrom(TableReader& reader) {
    std::vector<uint8_t> row;
    for (;;) {
      JET_ASSIGN_OR_RETURN(std::optional<RowRecord> record, reader.Next());
      if (!record) break;
      row = std::move(record->bytes);
      current_page_ = record->page;
      Status patched = patcher_.Patch(row);
      if (!patched.ok()) return patched.AtPage(record->page);
      JET_ASSIGN_OR_RETURN(const uint32_t to, data_.Place(row));
      rows_.Add(RowPointer(record->page, record->slot), to);
      ++copied_;
    }
    return Status::Ok();
  }

  Status FinishRows(const std::map<uint32_t, uint32_t>& forwards) {
    rows_.Seal();
    // Indexes name a moved row by the slot it left, which now only points at it.
    std::vector<std::pair<uint32_t, uint32_t>> left;
    for (const auto& [slot, target] : forwards) {
      if (auto to = rows_.Find(target)) left.emplace_back(slot, *to);
    }
    for (const auto& [slot, to] : left) rows_.Add(slot, to);
    rows_.Seal();
    if (rows_.HasDuplicates()) return CorruptError("two rows claim the same place").AtPage(def_.page);
    // The definition's own row count is not kept exact by Access; the copy counts what it found.
    JET_RETURN_IF_ERROR(data_.Flush());
    return long_values_.Flush();
  }

  Status CopyIndexes() {
    for (size_t i = 0; i < def_.real_indexes.size(); ++i) {
      const RealIndex& index = def_.real_indexes[i];
      auto copied = CopyOneIndex(index);
      if (!copied.ok())
        return Status(copied.status().kind(),
                      "index '" + IndexName(def_, i) + "': " + copied.status().ToString());
      indexes_.push_back(std::move(copied).value());
    }
    return Status::Ok();
  }

  Result<CopiedIndex> CopyOneIndex(const RealIndex& index) {
    IndexCopyOptions options;
    if (patcher_.id_column() >= 0) {
      const uint16_t ids = def_.columns[static_cast<size_t>(patcher_.id_column())].number;
      for (size_t c = 0; c < index.columns.size(); ++c) {
        if (index.columns[c].column_number != ids) continue;
        if (c != 0) return Status(ErrorKind::kUnsupported, "table ids are not the first column of the index");
        options.renumbered_ids = &t_.new_ids;
      }
    }
    JET_ASSIGN_OR_RETURN(CopiedIndex copied,
                         CopyIndex(t_.source, index, rows_, options, t_.allocator, table_.new_pages.front()));
    const uint32_t entries = copied.pages.entries;
    const bool may_skip = (index.flags & kIndexIgnoreNulls) != 0;
    if (entries > copied_ || (!may_skip && entries != copied_)) {
      return CorruptError("it lists " + std::to_string(entries) + " entries for " + std::to_string(copied_) +
                          " rows")
          .AtPage(index.root_page);
    }
    return copied;
  }

  Result<uint32_t> AddMap(const std::vector<uint32_t>& pages) {
    JET_ASSIGN_OR_RETURN(const Bytes map, BuildUsageMap(pages, t_.allocator));
    return t_.maps.Add(map);
  }

  Status WriteDefinition() {
    MovedDefinition to;
    to.pages = table_.new_pages;
    JET_ASSIGN_OR_RETURN(to.used_pages, AddMap(data_.pages()));
    JET_ASSIGN_OR_RETURN(to.free_pages, AddMap({}));
    to.row_count = static_cast<uint32_t>(copied_);
    for (const CopiedIndex& index : indexes_) {
      to.index_keys.push_back(index.keys);
      JET_ASSIGN_OR_RETURN(const uint32_t map, AddMap(index.pages.pages));
      to.index_maps.push_back(map);
      to.index_roots.push_back(index.pages.root);
    }
    // Access leaves these maps empty in every file seen; so does the copy.
    for (size_t column : patcher_.long_value_columns()) {
      JET_ASSIGN_OR_RETURN(const uint32_t used, AddMap({}));
      JET_ASSIGN_OR_RETURN(const uint32_t free, AddMap({}));
      to.long_value_maps[def_.columns[column].number] = {used, free};
    }
    JET_ASSIGN_OR_RETURN(const std::vector<Bytes> pages, MoveTableDef(t_.source, def_, to, t_.new_pages));
    for (size_t i = 0; i < pages.size(); ++i) JET_RETURN_IF_ERROR(t_.allocator.Write(to.pages[i], pages[i]));
    return Status::Ok();
  }

  CompactionTargets& t_;
  const TableToCopy& table_;
  const TableDef& def_;
  const Layout& layout_;
  RowPlacer data_;
  LongValueCopier long_values_;
  RowPatcher patcher_;
  uint32_t current_page_ = 0;  // of the row being copied
  RowPointerMap rows_;
  uint64_t copied_ = 0;
  std::vector<CopiedIndex> indexes_;
};

}  // namespace

Result<CopiedTable> CopyTable(CompactionTargets& targets, const TableToCopy& table) {
  if (table.new_pages.size() != table.def.pages.size() || table.new_pages.empty()) {
    return Status(ErrorKind::kInvalidArgument, "table '" + table.name + "': definition pages not reserved");
  }
  TableCopy copy(targets, table);
  auto copied = copy.Run();
  if (!copied.ok())
    return Status(copied.status().kind(), "table '" + table.name + "': " + copied.status().ToString());
  return copied;
}

}  // namespace jet
