#include "jet/TableCopier.h"

#include "jet/Bytes.h"
#include "jet/DataPageBuilder.h"
#include "jet/IndexCopier.h"
#include "jet/LongValueCopier.h"
#include "jet/Row.h"
#include "jet/RowPointerMap.h"
#include "jet/TableDefCopy.h"
#include "jet/TableReader.h"
#include "jet/UsageMap.h"
#include "jet/UsageMapWriter.h"

namespace jet {
namespace {

constexpr size_t kTableIdBytes = 4;
constexpr size_t kObjectTypeBytes = 2;
constexpr uint32_t kWindowPages = 64;

int ColumnNamed(const TableDef& def, const char* name) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (def.columns[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

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
        data_(layout_, table.new_pages.front()),
        long_values_(targets.source, targets.allocator) {
    FindLongValueColumns();
  }

  Result<uint64_t> Run() {
    JET_RETURN_IF_ERROR(FindIdColumns());
    JET_RETURN_IF_ERROR(CopyRows());
    JET_RETURN_IF_ERROR(CopyIndexes());
    JET_RETURN_IF_ERROR(WriteDefinition());
    return copied_;
  }

 private:
  void FindLongValueColumns() {
    for (size_t i = 0; i < def_.columns.size(); ++i) {
      if (def_.columns[i].IsLongValue()) long_value_columns_.push_back(i);
    }
  }

  Status FindIdColumns() {
    if (table_.ids == TableIdColumn::kNone) return Status::Ok();
    const bool catalog = table_.ids == TableIdColumn::kCatalogId;
    id_column_ = ColumnNamed(def_, catalog ? "Id" : "ObjectId");
    if (catalog) type_column_ = ColumnNamed(def_, "Type");
    const bool long_ids = id_column_ >= 0 && def_.columns[static_cast<size_t>(id_column_)].type == ColumnType::kLong;
    const bool integer_type =
        !catalog || (type_column_ >= 0 && def_.columns[static_cast<size_t>(type_column_)].type == ColumnType::kInteger);
    if (!long_ids || !integer_type) return CorruptError("the table ids are not where they belong");
    return Status::Ok();
  }

  // The live rows in storage order (jet/TableReader), a moved row at its new place; the
  // slots moved rows left are noted, and old versions of moved rows left out.
  Status CopyRows() {
    TableReader reader(t_.source, def_, kWindowPages);
    std::vector<uint8_t> row;
    for (;;) {
      JET_ASSIGN_OR_RETURN(std::optional<RowRecord> record, reader.Next());
      if (!record) break;
      row = std::move(record->bytes);
      Status patched = PatchRow(row);
      if (!patched.ok()) return patched.AtPage(record->page);
      JET_ASSIGN_OR_RETURN(const uint32_t to, Place(row));
      rows_.Add(RowPointer(record->page, record->slot), to);
      ++copied_;
    }
    return FinishRows(reader.forwards());
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
    JET_RETURN_IF_ERROR(FlushDataPage());
    return long_values_.Flush();
  }

  // Points the row's long values at their copies and moves its table id.
  Status PatchRow(std::vector<uint8_t>& row) {
    if (long_value_columns_.empty() && id_column_ < 0) return Status::Ok();
    JET_ASSIGN_OR_RETURN(const std::vector<RawField> fields, SplitRow(row, def_, layout_));
    const auto offset = [&row](const RawField& f) { return static_cast<size_t>(f.bytes.data() - row.data()); };
    for (size_t column : long_value_columns_) {
      const RawField& f = fields[column];
      if (f.null || f.bytes.empty()) continue;
      Status copied = long_values_.Copy(std::span<uint8_t>(row).subspan(offset(f), f.bytes.size()));
      if (!copied.ok()) return Status(copied.kind(), "column '" + def_.columns[column].name + "': " + copied.ToString());
    }
    if (id_column_ < 0) return Status::Ok();
    const RawField& id = fields[static_cast<size_t>(id_column_)];
    if (id.null || id.bytes.size() != kTableIdBytes) return Status::Ok();
    if (type_column_ >= 0) {
      const RawField& type = fields[static_cast<size_t>(type_column_)];
      if (type.null || type.bytes.size() != kObjectTypeBytes) return Status::Ok();
      if (static_cast<int16_t>(*GetU16(type.bytes, 0)) != kObjectTypeTable) return Status::Ok();
    }
    auto moved = t_.new_ids.find(*GetU32(id.bytes, 0));
    if (moved != t_.new_ids.end()) PutU32(row, offset(id), moved->second);
    return Status::Ok();
  }

  Result<uint32_t> Place(std::span<const uint8_t> row) {
    if (row.size() > data_.Capacity()) return CorruptError("a row is larger than a page");
    if (!data_open_ || !data_.Fits(row.size())) {
      JET_RETURN_IF_ERROR(FlushDataPage());
      data_page_ = t_.allocator.Reserve();
      data_pages_.push_back(data_page_);
      data_open_ = true;
    }
    return RowPointer(data_page_, data_.Add(row));
  }

  Status FlushDataPage() {
    if (!data_open_) return Status::Ok();
    data_open_ = false;
    return t_.allocator.Write(data_page_, data_.Finish());
  }

  Status CopyIndexes() {
    for (size_t i = 0; i < def_.real_indexes.size(); ++i) {
      const RealIndex& index = def_.real_indexes[i];
      auto copied = CopyOneIndex(index);
      if (!copied.ok()) return Status(copied.status().kind(), "index '" + IndexName(def_, i) + "': " + copied.status().ToString());
      indexes_.push_back(std::move(copied).value());
    }
    return Status::Ok();
  }

  Result<CopiedIndex> CopyOneIndex(const RealIndex& index) {
    IndexCopyOptions options;
    if (id_column_ >= 0) {
      const uint16_t ids = def_.columns[static_cast<size_t>(id_column_)].number;
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
    JET_ASSIGN_OR_RETURN(to.used_pages, AddMap(data_pages_));
    JET_ASSIGN_OR_RETURN(to.free_pages, AddMap({}));
    to.row_count = static_cast<uint32_t>(copied_);
    for (const CopiedIndex& index : indexes_) {
      to.index_keys.push_back(index.keys);
      JET_ASSIGN_OR_RETURN(const uint32_t map, AddMap(index.pages.pages));
      to.index_maps.push_back(map);
      to.index_roots.push_back(index.pages.root);
    }
    // Access leaves these maps empty in every file seen; so does the copy.
    for (size_t column : long_value_columns_) {
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
  DataPageBuilder data_;
  std::vector<size_t> long_value_columns_;  // positions in def_.columns
  LongValueCopier long_values_;
  int id_column_ = -1;
  int type_column_ = -1;
  uint32_t data_page_ = 0;
  bool data_open_ = false;
  std::vector<uint32_t> data_pages_;
  RowPointerMap rows_;
  uint64_t copied_ = 0;
  std::vector<CopiedIndex> indexes_;
};

}  // namespace

Result<uint64_t> CopyTable(CompactionTargets& targets, const TableToCopy& table) {
  if (table.new_pages.size() != table.def.pages.size() || table.new_pages.empty()) {
    return Status(ErrorKind::kInvalidArgument, "table '" + table.name + "': definition pages not reserved");
  }
  TableCopy copy(targets, table);
  auto copied = copy.Run();
  if (!copied.ok()) return Status(copied.status().kind(), "table '" + table.name + "': " + copied.status().ToString());
  return copied;
}

}  // namespace jet
