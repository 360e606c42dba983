#pragma once
// The changes a row needs when it moves to a new file, its bytes otherwise kept as stored:
// each memo and OLE field is pointed at the copy of its value, and a table id (the catalog's
// Id of a local table, an access-control entry's ObjectId) follows its table to its new
// definition page. Compaction and repair both move rows this way.

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "jet/compact/LongValueCopier.h"
#include "jet/format/TableDef.h"

namespace jet {

// Which column holds table ids that follow their tables: the catalog's Id (of rows whose
// Type says local table) or the access-control entries' ObjectId.
enum class TableIdColumn { kNone, kCatalogId, kAccessControlObjectId };

class RowPatcher {
 public:
  // What to do with a long value that cannot be copied (`field` is its 12-byte field in the
  // row, `why` the copier's error): rewrite the field, or answer true to make the column
  // null. Unset: the error fails the row.
  using BrokenValue =
      std::function<Result<bool>(const ColumnDef& column, std::span<uint8_t> field, const Status& why)>;

  // Everything passed must outlive the patcher.
  RowPatcher(const TableDef& def, const Layout& layout, LongValueCopier& long_values,
             const std::map<uint32_t, uint32_t>& new_ids);

  // Finds the id column `ids` names. kCorrupt when it is not a Long (or the catalog's Type
  // not an Integer).
  Status FindIdColumns(TableIdColumn ids);
  void OnBrokenValue(BrokenValue handle) { broken_ = std::move(handle); }

  // Patches `row` in place: MoveTableId, then CopyLongValues. kCorrupt when it does not
  // split into its columns or a long value cannot be copied (and nothing handles that).
  Status Patch(std::vector<uint8_t>& row);
  Status MoveTableId(std::vector<uint8_t>& row);
  Status CopyLongValues(std::vector<uint8_t>& row);

  const std::vector<size_t>& long_value_columns() const { return long_value_columns_; }
  // Position in def.columns of the id column, or -1.
  int id_column() const { return id_column_; }

 private:
  void SetNull(std::vector<uint8_t>& row, uint16_t row_number) const;

  const TableDef& def_;
  const Layout& layout_;
  LongValueCopier& long_values_;
  const std::map<uint32_t, uint32_t>& new_ids_;
  std::vector<size_t> long_value_columns_;  // positions in def_.columns
  int id_column_ = -1;
  int type_column_ = -1;
  BrokenValue broken_;
};

}  // namespace jet
