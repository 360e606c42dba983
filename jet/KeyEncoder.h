#pragma once
// Index keys. Each column of a key contributes a flag byte (0x7F a value, 0x00 null;
// descending columns 0x80 and 0xFF) followed, for a value, by bytes that compare in the
// column's order when compared as unsigned bytes; descending columns store them inverted.

#include <vector>

#include "jet/Status.h"
#include "jet/TablePlan.h"

namespace jet {

struct KeyColumn {
  const ColumnPlan* column;
  bool descending = false;
};

class KeyEncoder {
 public:
  KeyEncoder(const Layout& layout, std::vector<KeyColumn> columns)
      : layout_(layout), columns_(std::move(columns)) {}

  // The key of a row; `values` holds every column of the row.
  Result<Bytes> Encode(const RowValues& values) const;
  // Whether every key column of the row is null.
  bool AllNull(const RowValues& values) const;

 private:
  Status AppendValue(Bytes& key, const ColumnPlan& column, const CellValue& value) const;

  const Layout& layout_;
  std::vector<KeyColumn> columns_;
};

// The sort bytes of a text value under the General sort order, without the flag byte.
Bytes GeneralTextKey(const std::u16string& text, JetVersion version);

}  // namespace jet
