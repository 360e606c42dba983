#include "jet/write/TableDefWriter.h"

#include <algorithm>

#include "jet/base/TextCodec.h"
#include "jet/format/Format.h"

namespace jet {
namespace {

// A constant Jet 4 writes into several definition fields.
constexpr uint32_t kJet4Stamp = 0x0659;
// Leading field of a Jet 4 index definition.
constexpr uint32_t kJet4IndexStamp = 0x0783;

bool IsJet4(const Layout& layout) { return layout.version == JetVersion::kJet4; }

void AppendName(Bytes& out, const Layout& layout, const std::string& name, uint16_t code_page) {
  const std::u16string text = Utf8ToUtf16(name);
  if (IsJet4(layout)) {
    AppendU16(out, static_cast<uint16_t>(text.size() * 2));
    for (char16_t c : text) AppendU16(out, c);
  } else {
    const Bytes bytes = EncodeJet3Text(text, code_page);
    out.push_back(static_cast<uint8_t>(bytes.size()));
    AppendBytes(out, bytes);
  }
}

uint8_t ColumnFlags(const ColumnPlan& col) {
  uint8_t flags = col.fixed ? kColumnFixedLength : 0;
  if (!col.design.required) flags |= kColumnCanBeNull;
  if (col.design.auto_number) flags |= kColumnAutoNumber;
  return flags;
}

void AppendColumn(Bytes& out, const Layout& layout, const ColumnPlan& col, uint16_t code_page) {
  const size_t at = out.size();
  out.resize(at + layout.tdef_column_entry, 0);
  std::span<uint8_t> e(out.data() + at, layout.tdef_column_entry);
  e[layout.col_type] = static_cast<uint8_t>(col.design.type);
  PutU16(e, layout.col_number, col.number);
  PutU16(e, layout.col_var_offset, col.fixed ? 0 : col.var_index);
  PutU16(e, layout.col_number + 4, col.number);  // the number again, counting deleted columns
  e[layout.col_flags] = ColumnFlags(col);
  PutU16(e, layout.col_fixed_offset, col.fixed ? col.fixed_offset : 0);
  PutU16(e, layout.col_length, col.stored_length);
  const bool numeric = col.design.type == ColumnType::kNumeric;
  if (IsJet4(layout)) {
    PutU32(e, 1, kJet4Stamp);
    if (numeric) {
      e[layout.col_misc] = col.design.precision;
      e[layout.col_misc + 1] = col.design.scale;
    } else {
      PutU16(e, layout.col_misc, kGeneralSortOrder);
    }
    const bool text = col.design.type == ColumnType::kText || col.design.type == ColumnType::kMemo;
    e[layout.col_flags + 1] = text ? 0x01 : 0x00;  // text may be stored compressed
  } else {
    PutU16(e, layout.col_misc, 0x0001);
    PutU16(e, layout.col_misc + 2, kGeneralSortOrder);
    PutU16(e, layout.col_misc + 4, code_page);
  }
}

void AppendRealIndex(Bytes& out, const Layout& layout, const WrittenIndex& index) {
  if (IsJet4(layout)) AppendU32(out, kJet4IndexStamp);
  for (size_t i = 0; i < kRealIndexColumnSlots; ++i) {
    if (i < index.columns.size()) {
      AppendU16(out, index.columns[i].first);
      out.push_back(index.columns[i].second ? 0x00 : 0x01);  // 1 ascending, 0 descending
    } else {
      AppendU16(out, kNoIndexColumn);
      out.push_back(0x00);
    }
  }
  AppendU32(out, index.used_pages);
  AppendU32(out, index.root_page);
  if (IsJet4(layout)) {
    AppendU32(out, 0);
    out.push_back(static_cast<uint8_t>(0x80 | index.flags));
    out.insert(out.end(), 5, 0);
  } else {
    out.push_back(index.flags);
  }
}

void AppendLogicalIndex(Bytes& out, const Layout& layout, const WrittenIndex& index, uint32_t number) {
  if (IsJet4(layout)) AppendU32(out, kJet4Stamp);
  AppendU32(out, number);
  AppendU32(out, number);  // each logical index has its own real index
  out.push_back(0);
  AppendU32(out, kNoRelatedTable);
  AppendU32(out, 0);
  out.push_back(0x04);
  out.push_back(0x04);
  out.push_back(index.primary_key ? 0x01 : 0x00);
  if (IsJet4(layout)) AppendU32(out, 0);
}

void PutHeader(Bytes& page, const Layout& layout, const WrittenTable& table) {
  const TablePlan& plan = *table.plan;
  PutU32(page, layout.tdef_row_count, table.rows);
  PutU32(page, layout.tdef_autonumber, table.last_auto_number);
  if (IsJet4(layout)) {
    PutU32(page, 12, kJet4Stamp);
    page[24] = 0x01;
  }
  page[layout.tdef_table_type] = table.system ? kSystemTableType : kUserTableType;
  const auto columns = static_cast<uint16_t>(plan.columns.size());
  PutU16(page, layout.tdef_max_columns, columns);
  PutU16(page, layout.tdef_var_columns, plan.var_count);
  PutU16(page, layout.tdef_columns, columns);
  PutU32(page, layout.tdef_index_count, static_cast<uint32_t>(table.indexes.size()));
  PutU32(page, layout.tdef_real_index_count, static_cast<uint32_t>(table.indexes.size()));
  PutU32(page, layout.tdef_used_pages, table.used_pages);
  PutU32(page, layout.tdef_free_pages, table.free_pages);
}

// The whole definition as one run of bytes, before it is laid out on pages.
Bytes DefinitionBytes(const Layout& layout, const WrittenTable& table) {
  Bytes def(layout.tdef_header_end, 0);
  PutHeader(def, layout, table);
  for (const WrittenIndex& index : table.indexes) {
    AppendU32(def, 0);
    AppendU32(def, index.entries);
    if (IsJet4(layout)) AppendU32(def, 0);
  }
  for (const ColumnPlan& col : table.plan->columns) AppendColumn(def, layout, col, table.plan->code_page);
  for (const ColumnPlan& col : table.plan->columns)
    AppendName(def, layout, col.design.name, table.plan->code_page);
  for (const WrittenIndex& index : table.indexes) AppendRealIndex(def, layout, index);
  for (size_t i = 0; i < table.indexes.size(); ++i) {
    AppendLogicalIndex(def, layout, table.indexes[i], static_cast<uint32_t>(i));
  }
  for (const WrittenIndex& index : table.indexes) AppendName(def, layout, index.name, table.plan->code_page);
  AppendU16(def, 0xFFFF);  // no per-column long-value maps follow
  PutU32(def, layout.tdef_length, static_cast<uint32_t>(def.size()));
  return def;
}

// Jet 4 keeps the free bytes of each definition page, less 8, in the page header; Jet 3 has
// "VC" there.
void PutPageHeader(Bytes& page, const Layout& layout, size_t used, uint32_t next) {
  page[0] = kPageTableDef;
  page[1] = 0x01;
  if (IsJet4(layout)) {
    const size_t spare = layout.page_size - used;
    PutU16(page, layout.data_free_space, static_cast<uint16_t>(spare > 8 ? spare - 8 : 0));
  } else {
    page[2] = 'V';
    page[3] = 'C';
  }
  PutU32(page, layout.tdef_next_page, next);
}

}  // namespace

size_t TableDefPageCount(const Layout& layout, size_t definition_size) {
  if (definition_size <= layout.page_size) return 1;
  const size_t per_page = layout.page_size - layout.tdef_continuation_header;
  return 1 + (definition_size - layout.page_size + per_page - 1) / per_page;
}

// `continuation_pages` holds one page number for each page after the first.
std::vector<Bytes> LayOutTableDef(const Layout& layout, const Bytes& definition,
                                  std::span<const uint32_t> continuation_pages) {
  std::vector<Bytes> pages;
  size_t at = 0;
  for (size_t i = 0; i <= continuation_pages.size(); ++i) {
    // The first page's header is part of the definition bytes themselves.
    const size_t header = i == 0 ? 0 : layout.tdef_continuation_header;
    Bytes page(layout.page_size, 0);
    const size_t take = std::min(definition.size() - at, layout.page_size - header);
    std::copy_n(definition.begin() + static_cast<std::ptrdiff_t>(at), take,
                page.begin() + static_cast<std::ptrdiff_t>(header));
    at += take;
    PutPageHeader(page, layout, header + take, i < continuation_pages.size() ? continuation_pages[i] : 0);
    pages.push_back(std::move(page));
  }
  return pages;
}

Result<Bytes> BuildTableDef(const Layout& layout, const WrittenTable& table) {
  const Bytes def = DefinitionBytes(layout, table);
  if (def.size() > layout.page_size) {
    return Status(ErrorKind::kUnsupported, "table definition longer than one page");
  }
  return LayOutTableDef(layout, def, {}).front();
}

Status WriteTableDef(PageAllocator& allocator, uint32_t first_page, const WrittenTable& table) {
  const Layout& layout = allocator.layout();
  const Bytes def = DefinitionBytes(layout, table);
  std::vector<uint32_t> continuation(TableDefPageCount(layout, def.size()) - 1);
  for (uint32_t& page : continuation) page = allocator.Reserve();
  const std::vector<Bytes> pages = LayOutTableDef(layout, def, continuation);
  for (size_t i = 0; i < pages.size(); ++i) {
    JET_RETURN_IF_ERROR(allocator.Write(i == 0 ? first_page : continuation[i - 1], pages[i]));
  }
  return Status::Ok();
}

}  // namespace jet
