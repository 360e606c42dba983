#include "jet/read/TableReader.h"

#include "jet/base/Bytes.h"
#include "jet/base/WriteBytes.h"
#include "jet/read/LongValue.h"
#include "jet/read/UsageMap.h"

namespace jet {
Result<std::vector<uint32_t>> TableReader::DataPages() {
  auto map = ReadUsageMap(db_, def_.used_pages);
  if (!map.ok()) return map.status();
  return map->pages;
}

Status TableReader::LoadPage(uint32_t page) {
  page_loaded_ = false;
  if (windowed_) {
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> bytes, window_.Page(page));
    current_ = bytes;
  } else {
    JET_RETURN_IF_ERROR(db_.ReadPage(page, page_));
    current_ = page_;
  }
  // The usage map may list pages the table no longer uses; only its own data pages count.
  if (current_[0] != kPageData || *GetU32(current_, db_.layout().data_owner) != def_.page)
    return Status::Ok();
  auto info = ParseDataPage(current_, db_.layout());
  if (!info.ok()) return info.status().AtPage(page);
  info_ = std::move(info).value();
  slot_ = 0;
  page_loaded_ = true;
  return Status::Ok();
}

Status TableReader::FindLaterPointers() {
  pointers_found_ = true;
  // Only the listed pages are wanted, and a table with long values has its data pages strewn
  // among theirs: pages are read together where at least a quarter of a stretch is the
  // table's, each on its own elsewhere.
  const uint32_t size = db_.page_size();
  const uint32_t most = PageWindow::Pages(db_.layout());
  std::vector<uint8_t> bytes;
  size_t i = page_index_ - 1;
  while (i < pages_.size()) {
    const uint32_t first = pages_[i];
    size_t j = i + 1;
    while (j < pages_.size() && pages_[j] > pages_[j - 1] && pages_[j] < db_.page_count() &&
           pages_[j] - first < most && pages_[j] - first < 4 * (j - i + 1))
      ++j;
    const uint32_t count = pages_[j - 1] - first + 1;
    bytes.resize(size_t{count} * size);
    if (count == 1 || first == 0 || first >= db_.page_count()) {
      bytes.resize(size);
      JET_RETURN_IF_ERROR(db_.ReadPage(first, bytes));
      j = i + 1;
    } else {
      JET_RETURN_IF_ERROR(db_.ReadPages(first, count, bytes));
    }
    for (; i < j; ++i) {
      const std::span<const uint8_t> page =
          std::span<const uint8_t>(bytes).subspan(size_t{pages_[i] - first} * size, size);
      if (page[0] != kPageData || *GetU32(page, db_.layout().data_owner) != def_.page) continue;
      auto info = ParseDataPage(page, db_.layout());
      if (!info.ok()) return info.status().AtPage(pages_[i]);
      for (const RowSlot& s : info->rows) {
        if (s.pointer && s.end - s.start >= 4) reached_.insert(*GetU32(page, s.start));
      }
    }
  }
  return Status::Ok();
}

Result<std::optional<RowRecord>> TableReader::Next() {
  if (!started_) {
    started_ = true;
    JET_ASSIGN_OR_RETURN(pages_, DataPages());
    page_index_ = 0;
    page_loaded_ = false;
  }
  while (true) {
    if (!page_loaded_) {
      if (page_index_ >= pages_.size()) return std::optional<RowRecord>();
      JET_RETURN_IF_ERROR(LoadPage(pages_[page_index_++]));
      continue;
    }
    if (slot_ >= info_.rows.size()) {
      page_loaded_ = false;
      continue;
    }
    const size_t slot = slot_++;
    const RowSlot& s = info_.rows[slot];
    const uint32_t number = pages_[page_index_ - 1];
    const uint32_t here = RowPointer(number, static_cast<uint8_t>(slot));
    if (s.pointer && s.end - s.start >= 4) {
      const uint32_t target = *GetU32(current_, s.start);
      forwards_[here] = target;
      reached_.insert(target);
    }
    if (!s.live()) continue;
    if (s.moved && !reached_.count(here)) {
      if (!pointers_found_) JET_RETURN_IF_ERROR(FindLaterPointers());
      if (!reached_.count(here)) {
        ++old_row_versions_;
        continue;
      }
    }
    RowRecord rec;
    rec.page = number;
    rec.slot = static_cast<uint8_t>(slot);
    rec.moved = s.moved;
    rec.bytes.assign(current_.begin() + s.start, current_.begin() + s.end);
    return std::optional<RowRecord>(std::move(rec));
  }
}

Result<std::vector<Value>> TableReader::Decode(const RowRecord& row, const std::vector<bool>* wanted) {
  auto fields = SplitRow(row.bytes, def_, db_.layout());
  if (!fields.ok()) return fields.status().AtPage(row.page);
  std::vector<Value> values(def_.columns.size());
  const bool jet4 = db_.version() == JetVersion::kJet4;
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnDef& c = def_.columns[i];
    const RawField& f = (*fields)[i];
    Value& v = values[i];
    v.type = c.type;
    if (f.null || (wanted && (i >= wanted->size() || !(*wanted)[i]))) continue;
    if (c.type == ColumnType::kBoolean) {
      v.null = false;
      v.integer = f.bit ? 1 : 0;
      continue;
    }
    if (c.IsLongValue()) {
      auto data = ReadLongValue(db_, f.bytes);
      if (!data.ok()) return data.status();
      v = DecodeFixedOrInline(c.type, *data, jet4, db_.text_code_page(), c.scale);
      continue;
    }
    v = DecodeFixedOrInline(c.type, f.bytes, jet4, db_.text_code_page(), c.scale);
  }
  return values;
}

Result<std::vector<std::vector<Value>>> ReadAllRows(Database& db, const TableDef& def) {
  TableReader reader(db, def);
  std::vector<std::vector<Value>> rows;
  while (true) {
    JET_ASSIGN_OR_RETURN(std::optional<RowRecord> row, reader.Next());
    if (!row) break;
    JET_ASSIGN_OR_RETURN(std::vector<Value> values, reader.Decode(*row));
    rows.push_back(std::move(values));
  }
  return rows;
}

}  // namespace jet
