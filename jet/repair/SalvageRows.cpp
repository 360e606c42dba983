#include "jet/repair/SalvageRows.h"

#include <algorithm>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/format/Row.h"

namespace jet {
namespace {

// The bytes of the row at `pointer`, whatever its flags (Jet 3 leaves the deleted flag on
// some long-value rows still in use); empty with `why` set when the place is not sound.
std::vector<uint8_t> RowAt(SalvageSource& source, uint32_t pointer, std::string& why) {
  std::vector<uint8_t> page;
  const uint32_t number = PointerPage(pointer);
  auto present = number < source.page_count() ? source.ReadPresent(number, page) : Result<size_t>(size_t{0});
  const Layout& l = source.layout();
  if (!present.ok() || *present < l.data_row_offsets || page[0] != kPageData) {
    why = "page " + std::to_string(number) + " is not a data page";
    return {};
  }
  const uint16_t count = *GetU16(page, l.data_row_count);
  const uint8_t row = PointerRow(pointer);
  const size_t table_end = l.data_row_offsets + size_t{count} * 2;
  if (row >= count || table_end > *present) {
    why = "page " + std::to_string(number) + " has no row " + std::to_string(row);
    return {};
  }
  const uint16_t start = *GetU16(page, l.data_row_offsets + size_t{row} * 2) & kRowOffsetMask;
  size_t end = l.page_size;
  for (size_t i = 0; i < row; ++i) {
    end = std::min<size_t>(end, *GetU16(page, l.data_row_offsets + i * 2) & kRowOffsetMask);
  }
  if (start < table_end || start >= end || end > *present) {
    why = "row " + std::to_string(row) + " of page " + std::to_string(number) + " lies outside its page";
    return {};
  }
  return std::vector<uint8_t>(page.begin() + start, page.begin() + end);
}

SalvagedLongValue Broken(std::vector<uint8_t> bytes, std::string why) { return {std::move(bytes), false, std::move(why)}; }

Value DecodeColumn(SalvageSource& source, const ColumnDef& c, const RawField& f, const std::string& table,
                   uint32_t page, RepairReport& report) {
  Value v;
  v.type = c.type;
  if (f.null) return v;
  const bool jet4 = source.layout().version == JetVersion::kJet4;
  if (c.type == ColumnType::kBoolean) {
    v.null = false;
    v.integer = f.bit ? 1 : 0;
    return v;
  }
  if (!c.IsLongValue()) return DecodeFixedOrInline(c.type, f.bytes, jet4, TextCodePage(source.header()), c.scale);
  SalvagedLongValue data = SalvageLongValue(source, f.bytes);
  if (!data.whole && data.bytes.empty()) {
    report.Add(LossKind::kValueNulled, table, page, "column '" + c.name + "': nothing readable (" + data.why + ")");
    return v;
  }
  if (!data.whole) {
    if (jet4 && c.type == ColumnType::kMemo && data.bytes.size() % 2 != 0 &&
        !(data.bytes.size() >= 2 && data.bytes[0] == 0xff && data.bytes[1] == 0xfe)) {
      data.bytes.pop_back();  // keep whole characters of UTF-16 text
    }
    report.Add(LossKind::kValueCut, table, page,
               "column '" + c.name + "': cut after " + std::to_string(data.bytes.size()) + " bytes (" + data.why + ")");
  }
  return DecodeFixedOrInline(c.type, data.bytes, jet4, TextCodePage(source.header()), c.scale);
}

}  // namespace

std::vector<RowPlace> SoundRowPlaces(std::span<const uint8_t> page, size_t present, const Layout& l,
                                     std::vector<std::pair<uint16_t, std::string>>& dropped) {
  std::vector<RowPlace> out;
  const uint16_t count = *GetU16(page, l.data_row_count);
  const size_t table_end = l.data_row_offsets + size_t{count} * 2;
  if (count > kMaxRowsPerPage || table_end > present) {
    dropped.emplace_back(0, "the row table (" + std::to_string(count) + " rows) runs past the page");
    return out;
  }
  // Rows lie in slot order from the end of the page down: a row ends where the row before
  // it starts. When that start is damaged, the row's end is unknown and it is dropped too.
  size_t boundary = l.page_size;
  bool end_known = true;
  for (uint16_t i = 0; i < count; ++i) {
    const uint16_t raw = *GetU16(page, l.data_row_offsets + size_t{i} * 2);
    const uint16_t start = raw & kRowOffsetMask;
    const uint16_t flags = raw & kRowFlagMask;
    const bool live = flags != kRowDeletedFlags && flags != kRowPointerFlag;
    if (start < table_end || start >= boundary) {
      // Slots that hold no row may keep a stale offset; only a live row's place counts.
      if (!live) continue;
      dropped.emplace_back(i, start < table_end || start >= l.page_size
                                  ? "its offset " + std::to_string(start) + " points outside the page"
                                  : "it overlaps the row before it");
      end_known = false;
      continue;
    }
    if (live && !end_known) {
      dropped.emplace_back(i, "its end is unknown, as the row before it is damaged");
    } else if (live && boundary > present) {
      dropped.emplace_back(i, "it lies in the part of the page the file has lost");
    } else if (live) {
      out.push_back(RowPlace{i, start, static_cast<uint16_t>(boundary), flags == kRowMovedFlag});
    }
    boundary = start;
    end_known = true;
  }
  return out;
}

SalvagedLongValue SalvageLongValue(SalvageSource& source, std::span<const uint8_t> field) {
  if (field.size() < kLongValueHeaderSize) return Broken({}, "its field is too short");
  const uint32_t head = *GetU32(field, 0);
  const uint32_t length = head & kLongValueLengthMask;
  uint32_t pointer = *GetU32(field, 4);
  if (head & kLongValueInline) {
    const size_t have = std::min<size_t>(length, field.size() - kLongValueHeaderSize);
    std::vector<uint8_t> bytes(field.begin() + kLongValueHeaderSize, field.begin() + kLongValueHeaderSize + static_cast<std::ptrdiff_t>(have));
    if (have < length) return Broken(std::move(bytes), "it runs past its row");
    return {std::move(bytes), true, ""};
  }
  std::string why;
  if (head & kLongValueSinglePage) {
    std::vector<uint8_t> row = RowAt(source, pointer, why);
    if (row.size() >= length) {
      row.resize(length);
      return {std::move(row), true, ""};
    }
    return Broken(std::move(row), why.empty() ? "its row is shorter than its length" : why);
  }
  std::vector<uint8_t> out;
  std::set<uint32_t> seen;
  while (out.size() < length) {
    if (pointer == 0) return Broken(std::move(out), "the chain ends early");
    if (!seen.insert(pointer).second) return Broken(std::move(out), "the chain loops");
    std::vector<uint8_t> row = RowAt(source, pointer, why);
    if (row.size() < 4) return Broken(std::move(out), why.empty() ? "a chain row is too short" : why);
    pointer = *GetU32(row, 0);
    const size_t take = std::min<size_t>(row.size() - 4, length - out.size());
    out.insert(out.end(), row.begin() + 4, row.begin() + 4 + static_cast<std::ptrdiff_t>(take));
  }
  return {std::move(out), true, ""};
}

Status SalvageRows(SalvageSource& source, const TableDef& def, const std::string& table, RepairReport& report,
                   const std::function<Status(SalvagedRow&&)>& take) {
  std::vector<uint8_t> page;
  JET_ASSIGN_OR_RETURN(const std::vector<uint32_t> pages, source.PagesOfTable(def, report));
  for (uint32_t number : pages) {
    JET_ASSIGN_OR_RETURN(const size_t present, source.ReadPresent(number, page));
    std::vector<std::pair<uint16_t, std::string>> dropped;
    const std::vector<RowPlace> places = SoundRowPlaces(page, present, source.layout(), dropped);
    for (const auto& [slot, why] : dropped) {
      report.Add(LossKind::kRowDropped, table, number, "row " + std::to_string(slot) + " dropped: " + why);
    }
    for (const RowPlace& place : places) {
      const std::span<const uint8_t> bytes(page.data() + place.start, place.end - place.start);
      auto fields = SplitRow(bytes, def, source.layout());
      if (!fields.ok()) {
        report.Add(LossKind::kRowDropped, table, number,
                   "row " + std::to_string(place.slot) + " dropped: " + fields.status().description());
        continue;
      }
      SalvagedRow row{number, static_cast<uint8_t>(place.slot), {}};
      row.values.reserve(def.columns.size());
      for (size_t i = 0; i < def.columns.size(); ++i) {
        row.values.push_back(DecodeColumn(source, def.columns[i], (*fields)[i], table, number, report));
      }
      JET_RETURN_IF_ERROR(take(std::move(row)));
    }
  }
  return Status::Ok();
}

}  // namespace jet
