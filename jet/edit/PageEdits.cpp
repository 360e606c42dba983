#include "jet/edit/PageEdits.h"

#include <algorithm>
#include <map>

#include "jet/base/Bytes.h"
#include "jet/base/WriteBytes.h"
#include "jet/format/DataPage.h"
#include "jet/format/LongValueChain.h"
#include "jet/io/PageEncryptingFile.h"
#include "jet/write/DataPageBuilder.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

constexpr uint32_t kFreeMapPage = 1;
constexpr size_t kInlineMapHeader = 5;  // type byte, first page

// Where the bit of `page` lives in a map row: the page holding the bitmap (0: the row
// itself) and the bit's index in that bitmap. Nothing when the map cannot name the page.
struct BitPlace {
  uint32_t bitmap_page = 0;
  size_t bit = 0;
};

std::optional<BitPlace> PlaceOf(std::span<const uint8_t> row, uint32_t page, uint32_t page_size) {
  if (row.empty()) return std::nullopt;
  if (row[0] == kUsageMapInline) {
    const std::optional<uint32_t> first = GetU32(row, 1);
    if (!first || page < *first) return std::nullopt;
    const size_t bit = page - *first;
    if (kInlineMapHeader + bit / 8 >= row.size()) return std::nullopt;
    return BitPlace{0, bit};
  }
  const uint32_t per_page = (page_size - static_cast<uint32_t>(kUsageMapPageHeader)) * 8;
  const std::optional<uint32_t> bitmap = GetU32(row, 1 + size_t{page / per_page} * 4);
  if (!bitmap || *bitmap == 0) return std::nullopt;
  return BitPlace{*bitmap, page % per_page};
}

}  // namespace

PageEdits::PageEdits(Database& db) : db_(db) {
  File* out = &db.file();
  if (db.header().database_key != 0) {
    encrypting_ = std::make_unique<PageEncryptingFile>(db.file(), db.page_size(), db.header().database_key);
    out = encrypting_.get();
  }
  allocator_ = std::make_unique<PageAllocator>(*out, db.layout());
  for (uint32_t i = 0; i < db.page_count(); ++i) allocator_->Reserve();
}

Status PageEdits::WritePage(uint32_t number, std::span<const uint8_t> bytes) {
  return allocator_->Write(number, bytes);
}

Result<std::span<uint8_t>> PageEdits::RowIn(std::vector<uint8_t>& page, uint32_t pointer) {
  auto slot = LocateRow(page, page.size(), db_.layout(), PointerRow(pointer));
  if (!slot.ok()) return slot.status().AtPage(PointerPage(pointer));
  return std::span<uint8_t>(page).subspan(slot->start, slot->end - slot->start);
}

Result<std::set<uint32_t>> PageEdits::FlagDeleted(const std::vector<uint32_t>& pointers) {
  std::map<uint32_t, std::vector<uint8_t>> by_page;
  for (uint32_t p : pointers) by_page[PointerPage(p)].push_back(PointerRow(p));
  std::set<uint32_t> emptied;
  std::vector<uint8_t> page;
  const Layout& l = db_.layout();
  for (const auto& [number, rows] : by_page) {
    JET_RETURN_IF_ERROR(db_.ReadPage(number, page));
    JET_ASSIGN_OR_RETURN(const DataPageInfo before, ParseDataPage(page, l));
    for (uint8_t row : rows) {
      if (row >= before.rows.size()) return CorruptError("row pointer names a missing row").AtPage(number);
      const size_t at = l.data_row_offsets + size_t{row} * 2;
      PutU16(page, at, static_cast<uint16_t>(*GetU16(page, at) | kRowDeletedFlags));
    }
    JET_RETURN_IF_ERROR(WritePage(number, page));
    JET_ASSIGN_OR_RETURN(const DataPageInfo after, ParseDataPage(page, l));
    if (std::none_of(after.rows.begin(), after.rows.end(), [](const RowSlot& s) { return !s.deleted; })) {
      emptied.insert(number);
    }
  }
  return emptied;
}

Result<std::vector<uint32_t>> PageEdits::LongValueRows(std::span<const uint8_t> field) {
  std::vector<uint32_t> rows;
  if (field.size() < kLongValueHeaderSize) return rows;
  std::vector<uint8_t> page;
  const auto fetch = [&](uint32_t pointer) -> Result<std::span<const uint8_t>> {
    JET_RETURN_IF_ERROR(db_.ReadPage(PointerPage(pointer), page));
    JET_ASSIGN_OR_RETURN(const std::span<uint8_t> row, RowIn(page, pointer));
    return std::span<const uint8_t>(row);
  };
  const Status walked = WalkLongValue(field, fetch, [&](const LongValuePiece& piece) {
    if (piece.pointer != 0) rows.push_back(piece.pointer);
    return Status::Ok();
  });
  if (!walked.ok()) return walked;
  return rows;
}

Status PageEdits::RemoveFromUsageMap(uint32_t map, const std::set<uint32_t>& pages) {
  std::vector<uint8_t> page;
  JET_RETURN_IF_ERROR(db_.ReadPage(PointerPage(map), page));
  JET_ASSIGN_OR_RETURN(const std::span<uint8_t> row, RowIn(page, map));
  std::map<uint32_t, std::vector<size_t>> bitmap_bits;
  bool row_changed = false;
  for (uint32_t p : pages) {
    const std::optional<BitPlace> place = PlaceOf(row, p, db_.page_size());
    if (!place) continue;
    if (place->bitmap_page != 0) {
      bitmap_bits[place->bitmap_page].push_back(place->bit);
      continue;
    }
    row[kInlineMapHeader + place->bit / 8] &= static_cast<uint8_t>(~(1u << (place->bit % 8)));
    row_changed = true;
  }
  if (row_changed) JET_RETURN_IF_ERROR(WritePage(PointerPage(map), page));
  for (const auto& [number, bits] : bitmap_bits) {
    JET_RETURN_IF_ERROR(db_.ReadPage(number, page));
    for (size_t bit : bits) page[kUsageMapPageHeader + bit / 8] &= static_cast<uint8_t>(~(1u << (bit % 8)));
    JET_RETURN_IF_ERROR(WritePage(number, page));
  }
  return Status::Ok();
}

// Sets the bits in place when the map already covers every page; otherwise writes the map
// afresh (inline when the pages are close together, else over bitmap pages at the end of
// the file) and rewrites page 1 with it.
Status PageEdits::MarkFree(const std::set<uint32_t>& pages) {
  std::vector<uint8_t> page;
  JET_RETURN_IF_ERROR(db_.ReadPage(kFreeMapPage, page));
  JET_ASSIGN_OR_RETURN(const DataPageInfo info, ParseDataPage(page, db_.layout()));
  if (info.rows.empty()) return CorruptError("the free-page map is missing").AtPage(kFreeMapPage);
  std::span<uint8_t> row =
      std::span<uint8_t>(page).subspan(info.rows[0].start, info.rows[0].end - info.rows[0].start);
  std::vector<BitPlace> places;
  for (uint32_t p : pages) {
    const std::optional<BitPlace> place = PlaceOf(row, p, db_.page_size());
    if (!place) break;
    places.push_back(*place);
  }
  if (places.size() == pages.size()) {
    // Access sets the bits of pages past the end of the file; those of the pages this
    // editor appended are cleared, as the pages are in use now.
    std::vector<std::pair<BitPlace, bool>> changes;
    for (const BitPlace& place : places) changes.emplace_back(place, true);
    for (uint32_t p = db_.page_count(); p < allocator_->page_count(); ++p) {
      if (const std::optional<BitPlace> place = PlaceOf(row, p, db_.page_size()))
        changes.emplace_back(*place, false);
    }
    std::map<uint32_t, std::vector<uint8_t>> bitmaps;
    for (const auto& [place, set] : changes) {
      std::span<uint8_t> bits = row.subspan(kInlineMapHeader);
      if (place.bitmap_page != 0) {
        auto [bitmap, added] = bitmaps.try_emplace(place.bitmap_page);
        if (added) JET_RETURN_IF_ERROR(db_.ReadPage(place.bitmap_page, bitmap->second));
        bits = std::span<uint8_t>(bitmap->second).subspan(kUsageMapPageHeader);
      }
      const auto mask = static_cast<uint8_t>(1u << (place.bit % 8));
      bits[place.bit / 8] =
          static_cast<uint8_t>(set ? bits[place.bit / 8] | mask : bits[place.bit / 8] & ~mask);
    }
    for (const auto& [number, bitmap] : bitmaps) JET_RETURN_IF_ERROR(WritePage(number, bitmap));
    return WritePage(kFreeMapPage, page);
  }
  // Every page the old map marks free (within the file), the new ones, and the old map's
  // own bitmap pages, which the new map replaces.
  std::set<uint32_t> all(pages);
  std::map<uint32_t, std::vector<uint8_t>> bitmaps;
  for (uint32_t p = 0; p < db_.page_count(); ++p) {
    const std::optional<BitPlace> place = PlaceOf(row, p, db_.page_size());
    if (!place) continue;
    if (place->bitmap_page == 0) {
      if ((row[kInlineMapHeader + place->bit / 8] >> (place->bit % 8)) & 1) all.insert(p);
      continue;
    }
    auto [bitmap, added] = bitmaps.try_emplace(place->bitmap_page);
    if (added) {
      JET_RETURN_IF_ERROR(db_.ReadPage(place->bitmap_page, bitmap->second));
      all.insert(place->bitmap_page);
    }
    if ((bitmap->second[kUsageMapPageHeader + place->bit / 8] >> (place->bit % 8)) & 1) all.insert(p);
  }
  JET_ASSIGN_OR_RETURN(const Bytes map,
                       BuildUsageMap(std::vector<uint32_t>(all.begin(), all.end()), *allocator_));
  DataPageBuilder rebuilt(db_.layout(), info.owner);
  rebuilt.Add(map);
  for (size_t i = 1; i < info.rows.size(); ++i) {
    rebuilt.Add(
        std::span<const uint8_t>(page).subspan(info.rows[i].start, info.rows[i].end - info.rows[i].start));
  }
  return WritePage(kFreeMapPage, rebuilt.Finish());
}

Status PageEdits::WriteDefinition(const TableDef& def, std::span<const uint8_t> bytes) {
  std::vector<uint8_t> page;
  size_t at = 0;
  for (size_t i = 0; i < def.pages.size(); ++i) {
    JET_RETURN_IF_ERROR(db_.ReadPage(def.pages[i], page));
    const size_t skip = i == 0 ? 0 : db_.layout().tdef_continuation_header;
    const size_t take = page.size() - skip;
    if (at + take > bytes.size()) return Status(ErrorKind::kInvalidArgument, "definition bytes cut short");
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), take,
                page.begin() + static_cast<std::ptrdiff_t>(skip));
    at += take;
    JET_RETURN_IF_ERROR(WritePage(def.pages[i], page));
  }
  return Status::Ok();
}

}  // namespace jet
