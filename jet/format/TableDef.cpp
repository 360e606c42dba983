#include "jet/format/TableDef.h"

#include <algorithm>

#include "jet/base/Bytes.h"
#include "jet/base/Text.h"

namespace jet {
namespace {

constexpr uint8_t kOrderDescending = 0x00;  // an index column's order byte: 1 ascending, 0 descending
// The flag bits we know; Access sets the top bit of the Jet 4 flags byte, which means nothing
// to us.
constexpr uint8_t kKnownIndexFlags = kIndexUnique | kIndexIgnoreNulls | kIndexRequired;
// The cascade bytes of a relationship index: bit 0 set when the action cascades. Other
// indexes hold filler there (0x04), which must not read as a cascade.
constexpr uint8_t kCascadeBit = 0x01;

// Walks the definition bytes with a cursor; every read past the end fails.
class Cursor {
 public:
  Cursor(std::span<const uint8_t> bytes, size_t pos) : bytes_(bytes), pos_(pos) {}
  bool Skip(size_t n) {
    if (!Fits(bytes_, pos_, n)) return false;
    pos_ += n;
    return true;
  }
  std::span<const uint8_t> Take(size_t n) {
    if (!Fits(bytes_, pos_, n)) return {};
    auto out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  size_t pos() const { return pos_; }
  bool Has(size_t n) const { return Fits(bytes_, pos_, n); }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_;
};

Status Damaged(const std::string& what) { return CorruptError("damaged table definition: " + what); }

Result<std::string> ReadName(Cursor& c, const Layout& layout, uint16_t code_page) {
  auto len_bytes = c.Take(layout.name_length_size);
  if (len_bytes.empty()) return Damaged("name runs past the end");
  const size_t len = layout.name_length_size == 1 ? len_bytes[0] : *GetU16(len_bytes, 0);
  auto text = c.Take(len);
  if (len > 0 && text.empty()) return Damaged("name runs past the end");
  return layout.text_is_unicode ? DecodeJet4Text(text) : DecodeCodePage(text, code_page);
}

ColumnDef ParseColumn(std::span<const uint8_t> e, const Layout& l) {
  ColumnDef c;
  c.type = static_cast<ColumnType>(e[l.col_type]);
  c.number = *GetU16(e, l.col_number);
  c.var_index = *GetU16(e, l.col_var_offset);
  c.row_number = *GetU16(e, l.col_row_number);
  c.precision = e[l.col_misc];
  c.scale = e[l.col_misc + 1];
  c.collation = *GetU16(e, l.col_misc);
  c.flags = e[l.col_flags];
  c.fixed_offset = *GetU16(e, l.col_fixed_offset);
  c.length = *GetU16(e, l.col_length);
  return c;
}

RealIndex ParseRealIndex(std::span<const uint8_t> e, const Layout& l) {
  RealIndex r;
  for (size_t i = 0; i < kRealIndexColumnSlots; ++i) {
    const size_t slot = l.real_index_columns + i * kRealIndexColumnSlotSize;
    const uint16_t col = *GetU16(e, slot);
    if (col == kNoIndexColumn) continue;
    r.columns.push_back({col, e[slot + 2] != kOrderDescending});
  }
  r.used_pages = *GetU32(e, l.real_index_used_pages);
  r.root_page = *GetU32(e, l.real_index_root);
  r.flags = e[l.real_index_flags] & kKnownIndexFlags;
  return r;
}

LogicalIndex ParseLogicalIndex(std::span<const uint8_t> e, const Layout& l) {
  LogicalIndex x;
  x.number = *GetU32(e, l.logical_index_number);
  x.real_index = *GetU32(e, l.logical_index_real_index);
  x.related_index = *GetU32(e, l.logical_index_related_index);
  x.related_table_page = *GetU32(e, l.logical_index_related_table);
  x.kind = e[l.logical_index_kind];
  const bool relationship = x.kind == kLogicalIndexForeign;
  x.cascade_updates = relationship && (e[l.logical_index_cascade_updates] & kCascadeBit) != 0;
  x.cascade_deletes = relationship && (e[l.logical_index_cascade_deletes] & kCascadeBit) != 0;
  return x;
}

Status ParseHeaderFields(std::span<const uint8_t> b, const Layout& l, TableDef& t) {
  if (!Fits(b, 0, l.tdef_header_end)) return Damaged("header is cut short");
  if (b[0] != kPageTableDef) return Damaged("not a table definition page");
  t.row_count = *GetU32(b, l.tdef_row_count);
  t.next_autonumber = *GetU32(b, l.tdef_autonumber);
  t.table_type = b[l.tdef_table_type];
  t.max_columns = *GetU16(b, l.tdef_max_columns);
  t.var_column_count = *GetU16(b, l.tdef_var_columns);
  t.columns.resize(*GetU16(b, l.tdef_columns));
  t.logical_index_count = *GetU32(b, l.tdef_index_count);
  t.real_index_count = *GetU32(b, l.tdef_real_index_count);
  t.used_pages = *GetU32(b, l.tdef_used_pages);
  t.free_pages = *GetU32(b, l.tdef_free_pages);
  // Counts larger than the bytes could ever hold mean damage, not a big table.
  if (t.real_index_count > b.size() / l.tdef_real_index_def ||
      t.logical_index_count > b.size() / l.tdef_logical_index) {
    return Damaged("impossible index count");
  }
  if (t.columns.size() > b.size() / l.tdef_column_entry) return Damaged("impossible column count");
  return Status::Ok();
}

}  // namespace

Result<TableDef> ParseTableDef(std::span<const uint8_t> b, const Layout& l, uint16_t code_page) {
  TableDef t;
  JET_RETURN_IF_ERROR(ParseHeaderFields(b, l, t));
  Cursor c(b, l.tdef_header_end);
  t.real_indexes.resize(t.real_index_count);
  for (RealIndex& r : t.real_indexes) {
    auto e = c.Take(l.tdef_real_index_entry);
    if (e.empty()) return Damaged("index entries run past the end");
    r.key_count = *GetU32(e, kRealIndexEntryKeyCount);
  }
  for (ColumnDef& col : t.columns) {
    auto e = c.Take(l.tdef_column_entry);
    if (e.empty()) return Damaged("columns run past the end");
    col = ParseColumn(e, l);
  }
  for (ColumnDef& col : t.columns) {
    JET_ASSIGN_OR_RETURN(col.name, ReadName(c, l, code_page));
  }
  for (uint32_t i = 0; i < t.real_index_count; ++i) {
    auto e = c.Take(l.tdef_real_index_def);
    if (e.empty()) return Damaged("index definitions run past the end");
    const uint32_t keys = t.real_indexes[i].key_count;
    t.real_indexes[i] = ParseRealIndex(e, l);
    t.real_indexes[i].key_count = keys;
    t.real_indexes[i].number = i;
  }
  t.indexes.resize(t.logical_index_count);
  for (LogicalIndex& x : t.indexes) {
    auto e = c.Take(l.tdef_logical_index);
    if (e.empty()) return Damaged("logical indexes run past the end");
    x = ParseLogicalIndex(e, l);
    if (x.real_index >= t.real_index_count) return Damaged("logical index refers to a missing index");
  }
  for (LogicalIndex& x : t.indexes) {
    JET_ASSIGN_OR_RETURN(x.name, ReadName(c, l, code_page));
  }
  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const ColumnDef& a, const ColumnDef& z) { return a.number < z.number; });
  return t;
}

const ColumnDef* TableDef::FindColumn(const std::string& name) const {
  for (const ColumnDef& c : columns) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

const ColumnDef* TableDef::FindColumnByNumber(uint16_t number) const {
  for (const ColumnDef& c : columns) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

}  // namespace jet
