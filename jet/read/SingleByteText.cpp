#include "jet/read/SingleByteText.h"

#include <algorithm>

#include "jet/base/TextCodec.h"
#include "jet/format/Row.h"
#include "jet/read/LongValue.h"

namespace jet {

Status CheckSingleByteText(Database& db, const TableDef& def, const RowRecord& row,
                           const std::vector<Value>& values) {
  JET_ASSIGN_OR_RETURN(const std::vector<RawField> fields, SplitRow(row.bytes, def, db.layout()));
  for (size_t i = 0; i < def.columns.size() && i < values.size(); ++i) {
    const ColumnDef& col = def.columns[i];
    if (col.type != ColumnType::kText && col.type != ColumnType::kMemo) continue;
    if (values[i].null || fields[i].null) continue;
    const Bytes written = EncodeJet3Text(Utf8ToUtf16(values[i].text), db.text_code_page());
    bool same = false;
    if (col.type == ColumnType::kText) {
      same = std::ranges::equal(written, fields[i].bytes);
    } else {
      JET_ASSIGN_OR_RETURN(const std::vector<uint8_t> stored, ReadLongValue(db, fields[i].bytes));
      same = std::ranges::equal(written, stored);
    }
    if (!same) {
      return Status(ErrorKind::kUnsupported,
                    "column '" + col.name + "' holds text that cannot be written back with the same bytes");
    }
  }
  return Status::Ok();
}

}  // namespace jet
