#include "jet/compact/RowPatcher.h"

#include "jet/base/Bytes.h"
#include "jet/format/Row.h"

namespace jet {
namespace {

constexpr size_t kTableIdBytes = 4;
constexpr size_t kObjectTypeBytes = 2;

int ColumnNamed(const TableDef& def, const char* name) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (def.columns[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

RowPatcher::RowPatcher(const TableDef& def, const Layout& layout, LongValueCopier& long_values,
                       const std::map<uint32_t, uint32_t>& new_ids)
    : def_(def), layout_(layout), long_values_(long_values), new_ids_(new_ids) {
  for (size_t i = 0; i < def_.columns.size(); ++i) {
    if (def_.columns[i].IsLongValue()) long_value_columns_.push_back(i);
  }
}

Status RowPatcher::FindIdColumns(TableIdColumn ids) {
  if (ids == TableIdColumn::kNone) return Status::Ok();
  const bool catalog = ids == TableIdColumn::kCatalogId;
  id_column_ = ColumnNamed(def_, catalog ? "Id" : "ObjectId");
  if (catalog) type_column_ = ColumnNamed(def_, "Type");
  const bool long_ids =
      id_column_ >= 0 && def_.columns[static_cast<size_t>(id_column_)].type == ColumnType::kLong;
  const bool integer_type =
      !catalog ||
      (type_column_ >= 0 && def_.columns[static_cast<size_t>(type_column_)].type == ColumnType::kInteger);
  if (!long_ids || !integer_type) return CorruptError("the table ids are not where they belong");
  return Status::Ok();
}

Status RowPatcher::Patch(std::vector<uint8_t>& row) {
  JET_RETURN_IF_ERROR(MoveTableId(row));
  return CopyLongValues(row);
}

Status RowPatcher::CopyLongValues(std::vector<uint8_t>& row) {
  if (long_value_columns_.empty()) return Status::Ok();
  JET_ASSIGN_OR_RETURN(const std::vector<RawField> fields, SplitRow(row, def_, layout_));
  for (size_t column : long_value_columns_) {
    const RawField& f = fields[column];
    if (f.null || f.bytes.empty()) continue;
    const std::span<uint8_t> field =
        std::span<uint8_t>(row).subspan(static_cast<size_t>(f.bytes.data() - row.data()), f.bytes.size());
    Status copied = long_values_.Copy(field);
    if (!copied.ok() && broken_ && copied.kind() == ErrorKind::kCorrupt) {
      auto null = broken_(def_.columns[column], field, copied);
      copied = null.status();
      if (null.ok() && *null) SetNull(row, def_.columns[column].row_number);
    }
    if (!copied.ok())
      return Status(copied.kind(), "column '" + def_.columns[column].name + "': " + copied.ToString());
  }
  return Status::Ok();
}

// The null mask closes the row, one bit per column the row holds; a clear bit reads null.
void RowPatcher::SetNull(std::vector<uint8_t>& row, uint16_t row_number) const {
  const size_t count = layout_.row_column_count_size == 1 ? row[0] : *GetU16(row, 0);
  const size_t mask = row.size() - (count + 7) / 8;
  if (row_number < count) row[mask + row_number / 8] &= static_cast<uint8_t>(~(1u << (row_number % 8)));
}

Status RowPatcher::MoveTableId(std::vector<uint8_t>& row) {
  if (id_column_ < 0) return Status::Ok();
  JET_ASSIGN_OR_RETURN(const std::vector<RawField> fields, SplitRow(row, def_, layout_));
  const RawField& id = fields[static_cast<size_t>(id_column_)];
  if (id.null || id.bytes.size() != kTableIdBytes) return Status::Ok();
  if (type_column_ >= 0) {
    const RawField& type = fields[static_cast<size_t>(type_column_)];
    if (type.null || type.bytes.size() != kObjectTypeBytes) return Status::Ok();
    if (static_cast<int16_t>(*GetU16(type.bytes, 0)) != kObjectTypeTable) return Status::Ok();
  }
  auto moved = new_ids_.find(*GetU32(id.bytes, 0));
  if (moved != new_ids_.end()) PutU32(row, static_cast<size_t>(id.bytes.data() - row.data()), moved->second);
  return Status::Ok();
}

}  // namespace jet
