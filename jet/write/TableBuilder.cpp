#include "jet/write/TableBuilder.h"

#include "jet/write/MapRowWriter.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

uint8_t IndexFlags(const IndexDesign& index) {
  uint8_t flags = 0;
  if (index.unique || index.primary_key) flags |= kIndexUnique;
  if (index.ignore_nulls) flags |= kIndexIgnoreNulls;
  if (index.required || index.primary_key) flags |= kIndexRequired;
  return flags;
}

}  // namespace

TableBuilder::TableBuilder(PageAllocator& allocator, TableDesign design, TablePlan plan, uint32_t table_page)
    : allocator_(allocator),
      design_(std::move(design)),
      plan_(std::move(plan)),
      table_page_(table_page),
      encoder_(allocator.layout(), plan_),
      long_values_(allocator),
      data_(allocator.layout(), table_page) {}

Result<std::unique_ptr<TableBuilder>> TableBuilder::Start(PageAllocator& allocator, TableDesign design) {
  JET_ASSIGN_OR_RETURN(TablePlan plan, PlanTable(design, allocator.layout()));
  const uint32_t page = allocator.Reserve();
  std::unique_ptr<TableBuilder> table(new TableBuilder(allocator, std::move(design), std::move(plan), page));
  for (const IndexDesign& index : table->design_.indexes) {
    std::vector<KeyColumn> columns;
    for (const IndexColumnDesign& c : index.columns) {
      columns.push_back(KeyColumn{&table->plan_.columns[FindColumn(table->plan_, c.column)], c.descending});
    }
    table->indexes_.push_back(Index{index, KeyEncoder(allocator.layout(), std::move(columns)),
                                    IndexBuilder(index.name, index.unique || index.primary_key)});
    // A key that may differ from Access's would leave an index Access cannot search.
    table->indexes_.back().encoder.RequireExactKeys(table->plan_.code_page);
    table->indexes_.back().encoder.AllowGuessedAccentPlaces();
  }
  return table;
}

void TableBuilder::FillAutoNumbers(RowValues& values) {
  for (const ColumnPlan& col : plan_.columns) {
    if (!col.design.auto_number || col.number >= values.size()) continue;
    CellValue& value = values[col.number];
    if (std::holds_alternative<std::monostate>(value)) {
      value = static_cast<int64_t>(++last_auto_number_);
    } else if (const int64_t* given = std::get_if<int64_t>(&value); given && *given > last_auto_number_) {
      last_auto_number_ = static_cast<uint32_t>(*given);
    }
  }
}

Status TableBuilder::FlushDataPage() {
  if (!data_open_) return Status::Ok();
  data_open_ = false;
  if (data_.live_rows() != data_.row_count()) pages_with_space_.push_back(data_page_);
  return allocator_.Write(data_page_, data_.Finish());
}

Result<RowLocation> TableBuilder::Place(std::span<const uint8_t> row) {
  if (!data_open_ || !data_.Fits(row.size())) {
    JET_RETURN_IF_ERROR(FlushDataPage());
    data_page_ = allocator_.Reserve();
    data_pages_.push_back(data_page_);
    data_open_ = true;
  }
  return RowLocation{data_page_, data_.Add(row)};
}

Result<RowLocation> TableBuilder::AddRow(RowValues values) {
  if (finished_) return Status(ErrorKind::kInvalidArgument, "table " + design_.name + " is already finished");
  FillAutoNumbers(values);
  // Encoding the row checks every value, so the keys below are made from valid ones. A row
  // refused for its key takes its long values with it.
  long_values_.StartTracking();
  JET_ASSIGN_OR_RETURN(const Bytes row, encoder_.Encode(values, long_values_));
  std::vector<Bytes> keys;
  for (const Index& index : indexes_) {
    if (index.design.ignore_nulls && index.encoder.AllNull(values)) {
      keys.emplace_back();
      continue;
    }
    Result<Bytes> encoded = index.encoder.Encode(values);
    if (!encoded.ok()) {
      long_values_.AbandonTracked();
      return Status(encoded.status().kind(),
                    "index " + index.design.name + ": " + encoded.status().description());
    }
    Bytes key = std::move(*encoded);
    if (key.size() > MaxIndexKeyLength(allocator_.layout())) {
      long_values_.AbandonTracked();
      return Status(ErrorKind::kInvalidArgument,
                    "a key of index " + index.design.name + " is longer than an index page allows");
    }
    keys.push_back(std::move(key));
  }
  long_values_.StopTracking();
  JET_ASSIGN_OR_RETURN(const RowLocation at, Place(row));
  for (size_t i = 0; i < indexes_.size(); ++i) {
    if (!keys[i].empty()) indexes_[i].builder.Add(keys[i], at.page, at.row);
  }
  ++rows_;
  return at;
}

Status TableBuilder::AddDeletedRow(RowValues values) {
  if (finished_) return Status(ErrorKind::kInvalidArgument, "table " + design_.name + " is already finished");
  FillAutoNumbers(values);
  long_values_.StartTracking();
  JET_ASSIGN_OR_RETURN(const Bytes row, encoder_.Encode(values, long_values_));
  long_values_.AbandonTracked();  // a deleted row's long values go with it
  JET_ASSIGN_OR_RETURN(const RowLocation at, Place(row));
  data_.MarkDeleted(at.row);
  return Status::Ok();
}

Result<RowLocation> TableBuilder::AddUpdatedRow(const RowValues& earlier_values, RowValues final_values) {
  for (const ColumnPlan& col : plan_.columns) {
    if (col.design.type != ColumnType::kMemo && col.design.type != ColumnType::kOle) continue;
    if (col.number >= earlier_values.size()) continue;
    const CellValue& old = earlier_values[col.number];
    Bytes stored;
    if (const std::string* text = std::get_if<std::string>(&old)) stored = encoder_.EncodeText(*text);
    if (const Bytes* bytes = std::get_if<Bytes>(&old)) stored = *bytes;
    if (stored.empty()) continue;
    JET_ASSIGN_OR_RETURN(const Bytes field, long_values_.Store(stored));
    long_values_.Abandon(field);
  }
  return AddRow(std::move(final_values));
}

Status TableBuilder::WriteIndexes(WrittenTable& table, std::vector<std::vector<uint32_t>>& index_pages) {
  for (Index& index : indexes_) {
    JET_ASSIGN_OR_RETURN(WrittenIndexPages pages, index.builder.Write(allocator_, table_page_));
    WrittenIndex written;
    written.name = index.design.name;
    for (const IndexColumnDesign& c : index.design.columns) {
      written.columns.emplace_back(static_cast<uint16_t>(FindColumn(plan_, c.column)), c.descending);
    }
    written.flags = IndexFlags(index.design);
    written.primary_key = index.design.primary_key;
    written.root_page = pages.root;
    written.entries = pages.entries;
    table.indexes.push_back(std::move(written));
    index_pages.push_back(std::move(pages.pages));
  }
  return Status::Ok();
}

Status TableBuilder::WriteMapsAndDefinition(WrittenTable& table,
                                            const std::vector<std::vector<uint32_t>>& index_pages) {
  MapRowWriter maps(allocator_);
  JET_ASSIGN_OR_RETURN(const Bytes used, BuildUsageMap(data_pages_, allocator_));
  JET_ASSIGN_OR_RETURN(table.used_pages, maps.Add(used));
  JET_ASSIGN_OR_RETURN(const Bytes free, BuildUsageMap(pages_with_space_, allocator_));
  JET_ASSIGN_OR_RETURN(table.free_pages, maps.Add(free));
  for (size_t i = 0; i < index_pages.size(); ++i) {
    JET_ASSIGN_OR_RETURN(const Bytes map, BuildUsageMap(index_pages[i], allocator_));
    JET_ASSIGN_OR_RETURN(table.indexes[i].used_pages, maps.Add(map));
  }
  JET_RETURN_IF_ERROR(maps.Flush());
  return WriteTableDef(allocator_, table_page_, table);
}

Status TableBuilder::Finish() {
  if (finished_) return Status::Ok();
  finished_ = true;
  JET_RETURN_IF_ERROR(FlushDataPage());
  JET_RETURN_IF_ERROR(long_values_.Flush());
  WrittenTable table;
  table.plan = &plan_;
  table.system = design_.system;
  table.rows = rows_;
  table.last_auto_number = last_auto_number_;
  std::vector<std::vector<uint32_t>> index_pages;
  JET_RETURN_IF_ERROR(WriteIndexes(table, index_pages));
  return WriteMapsAndDefinition(table, index_pages);
}

}  // namespace jet
