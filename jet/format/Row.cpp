#include "jet/format/Row.h"

#include "jet/base/Bytes.h"

namespace jet {
namespace {

struct RowFrame {
  uint16_t column_count = 0;
  size_t mask_offset = 0;             // first byte of the null mask
  std::vector<uint32_t> var_offsets;  // var_count + 1 entries; the last one ends the data
};

Status Bad(const std::string& what) { return CorruptError("damaged row: " + what); }

// Jet 3 stores 8-bit variable offsets; the jump table lists, for each 256-byte boundary,
// the first variable column that lies beyond it.
Status ReadJet3Offsets(std::span<const uint8_t> row, RowFrame& f) {
  if (f.mask_offset < 1) return Bad("no room for the variable column count");
  const uint8_t var_count = row[f.mask_offset - 1];
  const size_t jumps = (row.size() - 1) / 256;
  size_t pos = f.mask_offset - 1;
  if (pos < jumps) return Bad("jump table runs past the start");
  std::vector<uint8_t> jump_table(row.begin() + static_cast<std::ptrdiff_t>(pos - jumps),
                                  row.begin() + static_cast<std::ptrdiff_t>(pos));
  pos -= jumps;
  if (pos < size_t{var_count} + 1) return Bad("variable offsets run past the start");
  f.var_offsets.resize(size_t{var_count} + 1);
  for (size_t i = 0; i <= var_count; ++i) {
    uint32_t high = 0;
    for (size_t j = 0; j < jumps; ++j) {
      // Entries are stored from the end backwards, like the offsets.
      if (jump_table[jumps - 1 - j] <= i) high += 256;
    }
    f.var_offsets[i] = row[pos - 1 - i] + high;
  }
  return Status::Ok();
}

Status ReadJet4Offsets(std::span<const uint8_t> row, RowFrame& f) {
  if (f.mask_offset < 2) return Bad("no room for the variable column count");
  const uint16_t var_count = *GetU16(row, f.mask_offset - 2);
  const size_t need = 2 + (size_t{var_count} + 1) * 2;
  if (f.mask_offset < need) return Bad("variable offsets run past the start");
  f.var_offsets.resize(size_t{var_count} + 1);
  for (size_t i = 0; i <= var_count; ++i) f.var_offsets[i] = *GetU16(row, f.mask_offset - 4 - i * 2);
  return Status::Ok();
}

Result<RowFrame> ReadFrame(std::span<const uint8_t> row, const TableDef& def, const Layout& layout) {
  RowFrame f;
  if (row.size() < layout.row_column_count_size) return Bad("empty row");
  f.column_count = layout.row_column_count_size == 1 ? row[0] : *GetU16(row, 0);
  const size_t mask_len = (size_t{f.column_count} + 7) / 8;
  if (mask_len + layout.row_column_count_size > row.size()) return Bad("null mask larger than the row");
  f.mask_offset = row.size() - mask_len;
  if (def.var_column_count > 0 || layout.version == JetVersion::kJet4) {
    Status s = layout.version == JetVersion::kJet3 ? ReadJet3Offsets(row, f) : ReadJet4Offsets(row, f);
    if (!s.ok()) {
      if (def.var_column_count == 0) return f;  // Jet 4 rows of fixed-only tables may omit it
      return s;
    }
  }
  return f;
}

bool MaskBit(std::span<const uint8_t> row, const RowFrame& f, uint16_t n) {
  return (row[f.mask_offset + n / 8] >> (n % 8)) & 1;
}

}  // namespace

Result<std::vector<RawField>> SplitRow(std::span<const uint8_t> row, const TableDef& def,
                                       const Layout& layout) {
  JET_ASSIGN_OR_RETURN(RowFrame f, ReadFrame(row, def, layout));
  std::vector<RawField> fields(def.columns.size());
  const size_t var_count = f.var_offsets.empty() ? 0 : f.var_offsets.size() - 1;
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    RawField& out = fields[i];
    if (c.row_number >= f.column_count) {
      // A column added after this row was written: null, as Access reads it, but for a
      // Boolean, which cannot be null and reads False.
      out.null = c.type != ColumnType::kBoolean;
      continue;
    }
    const bool present = MaskBit(row, f, c.row_number);
    if (c.type == ColumnType::kBoolean) {
      out.null = false;
      out.bit = present;
      continue;
    }
    if (!present) continue;
    if (c.fixed()) {
      const size_t start = layout.row_column_count_size + c.fixed_offset;
      if (start + c.length > f.mask_offset) return Bad("fixed column '" + c.name + "' outside the row");
      out.bytes = row.subspan(start, c.length);
    } else {
      if (c.var_index >= var_count) continue;
      const uint32_t start = f.var_offsets[c.var_index];
      const uint32_t end = f.var_offsets[c.var_index + 1];
      if (start > end || end > f.mask_offset) return Bad("variable column '" + c.name + "' outside the row");
      out.bytes = row.subspan(start, end - start);
    }
    out.null = false;
  }
  return fields;
}

}  // namespace jet
