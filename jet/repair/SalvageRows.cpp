#include "jet/repair/SalvageRows.h"

#include <algorithm>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/format/LongValueChain.h"
#include "jet/format/Row.h"

namespace jet {
namespace {

// The row at `pointer`, whatever its flags, from the part of its page the file holds.
Result<std::span<const uint8_t>> RowAt(SalvageSource& source, uint32_t pointer, std::vector<uint8_t>& page) {
  const uint32_t number = PointerPage(pointer);
  if (number >= source.page_count())
    return CorruptError("page number beyond the end of the file").AtPage(number);
  auto present = source.ReadPresent(number, page);
  if (!present.ok()) return present.status();
  auto slot = LocateRow(page, *present, source.layout(), PointerRow(pointer));
  if (!slot.ok()) return slot.status().AtPage(number);
  return std::span<const uint8_t>(page).subspan(slot->start, slot->end - slot->start);
}

SalvagedLongValue Broken(std::vector<uint8_t> bytes, std::string why) {
  return {std::move(bytes), false, std::move(why)};
}

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
  if (!c.IsLongValue())
    return DecodeFixedOrInline(c.type, f.bytes, jet4, TextCodePage(source.header()), c.scale);
  SalvagedLongValue data = SalvageLongValue(source, f.bytes);
  if (!data.whole && data.bytes.empty()) {
    report.Add(LossKind::kValueNulled, table, page,
               "column '" + c.name + "': nothing readable (" + data.why + ")");
    return v;
  }
  if (!data.whole) {
    if (jet4 && c.type == ColumnType::kMemo && data.bytes.size() % 2 != 0 &&
        !(data.bytes.size() >= 2 && data.bytes[0] == 0xff && data.bytes[1] == 0xfe)) {
      data.bytes.pop_back();  // keep whole characters of UTF-16 text
    }
    report.Add(LossKind::kValueCut, table, page,
               "column '" + c.name + "': cut after " + std::to_string(data.bytes.size()) + " bytes (" +
                   data.why + ")");
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
  std::vector<uint8_t> page;
  std::vector<uint8_t> out;
  const Status walked = WalkLongValue(
      field, [&](uint32_t pointer) { return RowAt(source, pointer, page); },
      [&](const LongValuePiece& piece) {
        out.insert(out.end(), piece.data.begin(), piece.data.end());
        return Status::Ok();
      });
  if (walked.ok()) return {std::move(out), true, ""};
  const std::optional<uint32_t> at = walked.page();
  return Broken(std::move(out),
                (at ? "page " + std::to_string(*at) + ": " : std::string()) + walked.description());
}

Status SalvageRows(SalvageSource& source, const TableDef& def, const std::string& table, RepairReport& report,
                   const std::function<Status(SalvagedRow&&)>& take) {
  std::vector<uint8_t> page;
  JET_ASSIGN_OR_RETURN(const SalvageSource::TablePages found, source.PagesOfTable(def, report));
  const std::vector<uint32_t>& pages = found.pages;
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
