#include "jet/repair/SalvageTable.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/compact/IndexCopier.h"
#include "jet/compact/LongValueCopier.h"
#include "jet/compact/TableDefCopy.h"
#include "jet/edit/TableDefEdit.h"
#include "jet/format/DataPage.h"
#include "jet/format/Row.h"
#include "jet/format/RowPointerMap.h"
#include "jet/read/DefinitionBytes.h"
#include "jet/read/UsageMap.h"
#include "jet/repair/SalvageRows.h"
#include "jet/write/CellsFromValues.h"
#include "jet/write/IndexBuilder.h"
#include "jet/write/KeyEncoder.h"
#include "jet/write/RowPlacer.h"
#include "jet/write/TableDefWriter.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

std::string IndexName(const TableDef& def, size_t real_index) {
  std::string names;
  for (const LogicalIndex& x : def.indexes) {
    if (x.real_index == real_index) names += (names.empty() ? "'" : ", '") + x.name + "'";
  }
  return names.empty() ? "#" + std::to_string(real_index) : names;
}

// How each index tree gets into the new file.
enum class IndexFate { kCopy, kRebuild, kLeftOut };

struct IndexPlan {
  IndexFate fate = IndexFate::kCopy;
  std::vector<ColumnPlan> columns;        // rebuilt: the key columns
  std::unique_ptr<KeyEncoder> encoder;    // rebuilt
  std::unique_ptr<IndexBuilder> builder;  // rebuilt
  std::set<Bytes> unique_keys;            // rebuilt unique indexes: keys seen
  std::optional<CopiedIndex> written;
};

class TableSalvage {
 public:
  TableSalvage(SalvageTargets& targets, const TableToSalvage& table)
      : t_(targets),
        table_(table),
        def_(table.def),
        layout_(targets.source.layout()),
        data_(targets.allocator, table.new_page),
        long_values_(targets.source, targets.allocator),
        patcher_(def_, layout_, long_values_, targets.new_ids),
        left_out_(table.left_out) {
    patcher_.OnBrokenValue([this](const ColumnDef& column, std::span<uint8_t> field, const Status& why) {
      return StoreCut(column, field, why);
    });
  }

  Result<CopiedTable> Run() {
    const size_t named_before = NamedDroppedRows();
    JET_RETURN_IF_ERROR(patcher_.FindIdColumns(table_.ids));
    JET_RETURN_IF_ERROR(ChoosePages());
    JET_RETURN_IF_ERROR(FindRows());
    PlanIndexes();
    JET_RETURN_IF_ERROR(CopyRows());
    ReportUncountedRows(NamedDroppedRows() - named_before);
    JET_RETURN_IF_ERROR(WriteIndexes());
    JET_RETURN_IF_ERROR(WriteDefinition());
    return DescribeCopiedTable(copied_, data_.pages());
  }

 private:
  void Lose(LossKind kind, std::optional<uint32_t> page, const std::string& what) {
    t_.report.Add(kind, table_.name, page, what);
  }

  size_t NamedDroppedRows() const {
    return static_cast<size_t>(std::count_if(
        t_.report.losses.begin(), t_.report.losses.end(),
        [&](const Loss& loss) { return loss.kind == LossKind::kRowDropped && loss.table == table_.name; }));
  }

  // A table whose own page map is damaged is found by scanning, and rows that lay on pages
  // now gone (a file cut where the map was) leave no trace there but the count of rows its
  // definition keeps. Access does not keep that count exact in a sound file, so it is only
  // asked here, where the map can no longer tell: what it counts beyond the rows carried
  // over and those already named is reported, so that no row goes missing unsaid. The
  // catalog, which the repair itself thins out and adds to, is left to its own reports.
  void ReportUncountedRows(size_t named) {
    if (!scanned_ || table_.rows_reported || !table_.added_rows.empty() || !table_.left_out.empty()) return;
    const uint64_t accounted = copied_ + named;
    if (def_.row_count <= accounted) return;
    Lose(LossKind::kRowDropped, std::nullopt,
         std::to_string(def_.row_count - accounted) + " of the " + std::to_string(def_.row_count) +
             " rows the table's definition counts were not found in the file (its page map is damaged)");
  }

  Status ChoosePages() {
    RepairReport again;
    JET_ASSIGN_OR_RETURN(SalvageSource::TablePages found,
                         t_.source.PagesOfTable(def_, table_.rows_reported ? again : t_.report));
    pages_ = std::move(found.pages);
    scanned_ = found.scanned;
    return Status::Ok();
  }

  bool LeftOut(uint32_t pointer) const {
    return std::binary_search(left_out_.begin(), left_out_.end(), pointer);
  }

  // The rows of one page to carry over, reporting those whose place or bytes are damaged
  // the first time the page is read.
  Result<std::vector<RowPlace>> RowsOf(uint32_t number, std::vector<uint8_t>& page, bool report) {
    JET_ASSIGN_OR_RETURN(const size_t present, t_.source.ReadPresent(number, page));
    std::vector<std::pair<uint16_t, std::string>> dropped;
    std::vector<RowPlace> places = SoundRowPlaces(page, present, layout_, dropped);
    if (report) {
      for (const auto& [slot, why] : dropped)
        Lose(LossKind::kRowDropped, number, "row " + std::to_string(slot) + " dropped: " + why);
    }
    std::erase_if(places, [&](const RowPlace& place) {
      if (LeftOut(RowPointer(number, static_cast<uint8_t>(place.slot)))) return true;
      auto fields = SplitRow(std::span<const uint8_t>(page).subspan(place.start, place.end - place.start),
                             def_, layout_);
      if (fields.ok()) return false;
      if (report) {
        Lose(LossKind::kRowDropped, number,
             "row " + std::to_string(place.slot) + " dropped: " + fields.status().description());
      }
      return true;
    });
    return places;
  }

  // 2. The rows to carry over, as a map of each to itself, and the slots moved rows left
  // behind (an index names a moved row by that slot).
  Status FindRows() {
    std::vector<uint8_t> page;
    std::vector<uint32_t> moved;
    for (uint32_t number : pages_) {
      JET_ASSIGN_OR_RETURN(const std::vector<RowPlace> places, RowsOf(number, page, !table_.rows_reported));
      for (const RowPlace& place : places) {
        const uint32_t pointer = RowPointer(number, static_cast<uint8_t>(place.slot));
        if (place.moved) moved.push_back(pointer);
        candidates_.Add(pointer, pointer);
      }
      const size_t count = std::min<size_t>(*GetU16(page, layout_.data_row_count), kMaxRowsPerPage);
      for (size_t slot = 0; slot < count; ++slot) {
        auto place = LocateRow(page, page.size(), layout_, static_cast<uint8_t>(slot));
        if (!place.ok() || !place->pointer || place->end < place->start + size_t{4}) continue;
        forwards_.emplace_back(RowPointer(number, static_cast<uint8_t>(slot)), *GetU32(page, place->start));
      }
    }
    // A row flagged as moved that no slot of the table points to is an old version Access
    // left behind: the live copy is elsewhere.
    std::set<uint32_t> reached;
    for (const auto& [slot, target] : forwards_) reached.insert(target);
    std::vector<uint32_t> old_versions;
    for (uint32_t pointer : moved) {
      if (reached.count(pointer) == 0) old_versions.push_back(pointer);
    }
    if (!old_versions.empty()) {
      left_out_.insert(left_out_.end(), old_versions.begin(), old_versions.end());
      std::sort(left_out_.begin(), left_out_.end());
      RowPointerMap kept;
      for (size_t i = 0; i < candidates_.size(); ++i) {
        const uint32_t pointer = candidates_.At(i);
        if (!LeftOut(pointer)) kept.Add(pointer, pointer);
      }
      candidates_ = std::move(kept);
    }
    candidates_.Seal();
    AddForwards(candidates_);
    return Status::Ok();
  }

  // Makes the slot a moved row left behind name where `rows` maps the row.
  void AddForwards(RowPointerMap& rows) {
    std::vector<std::pair<uint32_t, uint32_t>> left;
    for (const auto& [slot, target] : forwards_) {
      if (auto to = rows.Find(target)) left.emplace_back(slot, *to);
    }
    for (const auto& [slot, to] : left) rows.Add(slot, to);
    rows.Seal();
  }

  // The sort order a text column's keys follow: Jet 4 keeps one in each column's definition,
  // Jet 3 only the database's.
  uint16_t SortOrderOf(const ColumnDef& column) const {
    return layout_.version == JetVersion::kJet4 ? column.collation : t_.source.header().sort_order;
  }

  // 3. Which trees are copied and which rebuilt.
  void PlanIndexes() {
    plans_.resize(def_.real_indexes.size());
    for (size_t i = 0; i < def_.real_indexes.size(); ++i) {
      const RealIndex& index = def_.real_indexes[i];
      IndexPlan& plan = plans_[i];
      if (table_.added_rows.empty()) {
        IndexCopyOptions options;
        options.pass_over_lost_rows = true;
        if (VerifyIndex(t_.source, index, candidates_, options).ok()) continue;
      }
      plan.fate = IndexFate::kRebuild;
      std::vector<KeyColumn> keys;
      plan.columns.reserve(index.columns.size());
      for (const IndexColumn& column : index.columns) {
        const ColumnDef* def = def_.FindColumnByNumber(column.column_number);
        if (def == nullptr) {
          LeaveOut(i, "it names a column the table does not have");
          break;
        }
        if (def->type == ColumnType::kText && SortOrderOf(*def) != kGeneralSortOrder) {
          LeaveOut(i, "its tree is damaged and the keys of text under sort order " +
                          std::to_string(SortOrderOf(*def)) + " are not known");
          break;
        }
        ColumnPlan c;
        c.design.name = def->name;
        c.design.type = def->type;
        c.number = static_cast<uint16_t>(def - def_.columns.data());
        c.fixed_size = FixedSizeOf(def->type);
        plan.columns.push_back(c);
      }
      if (plan.fate == IndexFate::kLeftOut) continue;
      for (size_t c = 0; c < plan.columns.size(); ++c)
        keys.push_back({&plan.columns[c], !index.columns[c].ascending});
      plan.encoder = std::make_unique<KeyEncoder>(layout_, std::move(keys));
      plan.encoder->RequireExactKeys(TextCodePage(t_.source.header()));
      plan.builder = std::make_unique<IndexBuilder>(IndexName(def_, i), false);
    }
  }

  void LeaveOut(size_t index, const std::string& why) {
    IndexPlan& plan = plans_[index];
    if (plan.fate == IndexFate::kLeftOut) return;
    plan.fate = IndexFate::kLeftOut;
    plan.builder.reset();
    plan.unique_keys.clear();
    Lose(LossKind::kIndexDropped, def_.page, "index " + IndexName(def_, index) + " left out: " + why);
  }

  bool Rebuilding() const {
    return std::ranges::any_of(plans_, [](const IndexPlan& p) { return p.fate == IndexFate::kRebuild; });
  }

  // The keys of `row` for the indexes being rebuilt; nullopt when the row must be left out
  // because a unique index holds its key already.
  Result<std::optional<std::vector<std::optional<Bytes>>>> KeysOf(std::span<const uint8_t> row,
                                                                  uint32_t page) {
    std::vector<std::optional<Bytes>> keys(plans_.size());
    if (!Rebuilding()) return std::optional(std::move(keys));
    JET_ASSIGN_OR_RETURN(const std::vector<RawField> fields, SplitRow(row, def_, layout_));
    std::vector<Value> values(def_.columns.size());
    const bool jet4 = layout_.version == JetVersion::kJet4;
    for (size_t c = 0; c < def_.columns.size(); ++c) {
      const ColumnDef& column = def_.columns[c];
      values[c].type = column.type;
      if (column.type == ColumnType::kBoolean) {
        values[c].null = false;
        values[c].integer = fields[c].bit ? 1 : 0;
      } else if (!fields[c].null && !column.IsLongValue()) {
        values[c] = DecodeFixedOrInline(column.type, fields[c].bytes, jet4, TextCodePage(t_.source.header()),
                                        column.scale);
      }
    }
    auto cells = CellsFromValues(def_, values);
    for (size_t i = 0; i < plans_.size(); ++i) {
      IndexPlan& plan = plans_[i];
      if (plan.fate != IndexFate::kRebuild) continue;
      if (!cells.ok()) {
        LeaveOut(i, "a row's value cannot be turned into a key: " + cells.status().description());
        continue;
      }
      if ((def_.real_indexes[i].flags & kIndexIgnoreNulls) != 0 && plan.encoder->AllNull(*cells)) continue;
      auto key = plan.encoder->Encode(*cells);
      if (!key.ok()) {
        LeaveOut(i, key.status().description());
        continue;
      }
      if (key->size() > MaxIndexKeyLength(layout_)) {
        LeaveOut(i, "a key is longer than an index page can hold");
        continue;
      }
      keys[i] = std::move(key).value();
    }
    for (size_t i = 0; i < plans_.size(); ++i) {
      const IndexPlan& plan = plans_[i];
      if (plan.fate != IndexFate::kRebuild || !keys[i] || (def_.real_indexes[i].flags & kIndexUnique) == 0)
        continue;
      if (plan.encoder->AllNull(*cells)) continue;
      if (plan.unique_keys.count(*keys[i]) != 0) {
        Lose(LossKind::kRowDropped, page,
             "a row dropped: index " + IndexName(def_, i) +
                 " is unique and the row stored before it has the same key");
        return std::optional<std::vector<std::optional<Bytes>>>();
      }
    }
    for (size_t i = 0; i < plans_.size(); ++i) {
      if (plans_[i].fate == IndexFate::kRebuild && keys[i] &&
          (def_.real_indexes[i].flags & kIndexUnique) != 0) {
        plans_[i].unique_keys.insert(*keys[i]);
      }
    }
    return std::optional(std::move(keys));
  }

  // A memo or OLE value whose pages are damaged keeps what can still be read; with nothing
  // readable, the column is made null. The catalog's values were reported as it was read.
  Result<bool> StoreCut(const ColumnDef& column, std::span<uint8_t> field, const Status& why) {
    const auto lose = [&](LossKind kind, const std::string& what) {
      if (!table_.rows_reported) Lose(kind, current_page_, what);
    };
    SalvagedLongValue data = SalvageLongValue(t_.source, field);
    if (data.whole) data.why = why.description();
    const bool jet4 = layout_.version == JetVersion::kJet4;
    if (jet4 && column.type == ColumnType::kMemo && data.bytes.size() % 2 != 0 &&
        !(data.bytes.size() >= 2 && data.bytes[0] == 0xff && data.bytes[1] == 0xfe)) {
      data.bytes.pop_back();  // keep whole characters of UTF-16 text
    }
    if (data.bytes.empty()) {
      lose(LossKind::kValueNulled, "column '" + column.name + "': nothing readable (" + data.why + ")");
      // Null, and no pointer left behind to pages the new file does not have.
      std::fill(field.begin(), field.end(), 0);
      return true;
    }
    // A row whose other long values may already be copied is never dropped from here: a
    // value that cannot be stored again is made null instead.
    auto stored = field.size() < kLongValueHeaderSize ? Result<Bytes>(CorruptError("its field is too short"))
                                                      : t_.cut_values.Store(data.bytes);
    if (!stored.ok() && stored.status().kind() == ErrorKind::kIo) return stored.status();
    if (!stored.ok() || stored->size() != kLongValueHeaderSize) {
      lose(LossKind::kValueNulled,
           "column '" + column.name + "': cannot be stored again (" +
               (stored.ok() ? std::string("its field does not fit") : stored.status().description()) + ")");
      std::fill(field.begin(), field.end(), 0);
      return true;
    }
    // A field that held its value inline keeps its length; the bytes after the header are
    // then unused.
    std::copy(stored->begin(), stored->end(), field.begin());
    std::fill(field.begin() + kLongValueHeaderSize, field.end(), 0);
    lose(LossKind::kValueCut, "column '" + column.name + "': cut after " + std::to_string(data.bytes.size()) +
                                  " bytes (" + data.why + ")");
    return false;
  }

  // 4. Copies the rows, byte for byte but for their long-value pointers and table ids.
  Status CopyRows() {
    std::vector<uint8_t> page;
    std::vector<uint8_t> row;
    for (uint32_t number : pages_) {
      current_page_ = number;
      JET_ASSIGN_OR_RETURN(const std::vector<RowPlace> places, RowsOf(number, page, false));
      for (const RowPlace& place : places) {
        row.assign(page.begin() + place.start, page.begin() + place.end);
        JET_RETURN_IF_ERROR(AddRow(row, RowPointer(number, static_cast<uint8_t>(place.slot)), number));
      }
    }
    current_page_ = table_.new_page;
    for (const Bytes& added : table_.added_rows) {
      row.assign(added.begin(), added.end());
      JET_RETURN_IF_ERROR(AddRow(row, 0, table_.new_page));
    }
    rows_.Seal();
    AddForwards(rows_);
    JET_RETURN_IF_ERROR(data_.Flush());
    return long_values_.Flush();
  }

  // The table id first (keys are made of the moved row), then the checks that may leave the
  // row out, and only then its long values: once one is copied the row is kept, so that the
  // new file holds no long value that no row names.
  Status AddRow(std::vector<uint8_t>& row, uint32_t from, uint32_t page) {
    Status patched = patcher_.MoveTableId(row);
    // Copying long values rewrites their fields in place: the row keeps its size.
    if (patched.ok() && row.size() > data_.Capacity()) patched = CorruptError("it is larger than a page");
    std::optional<std::vector<std::optional<Bytes>>> keys;
    if (patched.ok()) {
      JET_ASSIGN_OR_RETURN(keys, KeysOf(row, page));
      if (keys) patched = patcher_.CopyLongValues(row);
    }
    if (!patched.ok() && patched.kind() == ErrorKind::kIo) return patched;
    if (!keys || !patched.ok()) {
      if (!patched.ok())
        Lose(LossKind::kRowDropped, page, "a row cannot be carried over: " + patched.description());
      for (size_t i = 0; keys && i < plans_.size(); ++i) {
        if (plans_[i].fate == IndexFate::kRebuild && (*keys)[i]) plans_[i].unique_keys.erase(*(*keys)[i]);
      }
      return Status::Ok();
    }
    JET_ASSIGN_OR_RETURN(const uint32_t to, data_.Place(row));
    if (from != 0) rows_.Add(from, to);
    if (from != 0 && scanned_) ++t_.report.rows_found_by_scanning;
    for (size_t i = 0; i < plans_.size(); ++i) {
      if (plans_[i].fate == IndexFate::kRebuild && (*keys)[i])
        plans_[i].builder->Add(*(*keys)[i], PointerPage(to), PointerRow(to));
    }
    ++copied_;
    return Status::Ok();
  }

  // 5. The index trees.
  Status WriteIndexes() {
    for (size_t i = 0; i < plans_.size(); ++i) {
      IndexPlan& plan = plans_[i];
      if (plan.fate == IndexFate::kCopy) {
        IndexCopyOptions options;
        options.pass_over_lost_rows = true;
        const int ids = patcher_.id_column();
        if (ids >= 0 && !def_.real_indexes[i].columns.empty() &&
            def_.real_indexes[i].columns.front().column_number ==
                def_.columns[static_cast<size_t>(ids)].number) {
          options.renumbered_ids = &t_.new_ids;
        }
        auto copied =
            CopyIndex(t_.source, def_.real_indexes[i], rows_, options, t_.allocator, table_.new_page);
        if (copied.ok()) {
          plan.written = std::move(copied).value();
          continue;
        }
        if (copied.status().kind() == ErrorKind::kIo) return copied.status();
        LeaveOut(i, copied.status().description());
        continue;
      }
      if (plan.fate != IndexFate::kRebuild) continue;
      auto written = plan.builder->Write(t_.allocator, table_.new_page);
      if (!written.ok() && written.status().kind() == ErrorKind::kIo) return written.status();
      if (!written.ok()) {
        LeaveOut(i, written.status().description());
        continue;
      }
      plan.written = CopiedIndex{std::move(written).value(), plan.builder->distinct_keys()};
      plan.builder.reset();
    }
    return Status::Ok();
  }

  Result<uint32_t> AddMap(const std::vector<uint32_t>& pages) {
    JET_ASSIGN_OR_RETURN(const Bytes map, BuildUsageMap(pages, t_.allocator));
    return t_.maps.Add(map);
  }

  // A relationship whose other table is lost stays a plain index.
  Status LoosenRelationships(std::vector<uint8_t>& flat, const TableDef& def) {
    JET_ASSIGN_OR_RETURN(const IndexSections sections,
                         LocateIndexSections(flat, layout_, def.columns.size(), def.real_indexes.size()));
    for (size_t i = 0; i < def.indexes.size(); ++i) {
      const uint32_t related = def.indexes[i].related_table_page;
      if (related == kNoRelatedTable || related == 0 || t_.new_pages.count(related) != 0) continue;
      const size_t at = sections.logical_entries + i * layout_.tdef_logical_index;
      PutU32(flat, at + layout_.logical_index_related_index, kNoRelatedTable);
      PutU32(flat, at + layout_.logical_index_related_table, kNoRelatedTable);
      if (def.indexes[i].kind == kLogicalIndexForeign) flat[at + layout_.logical_index_kind] = 0;
      Lose(LossKind::kIndexDropped, def_.page,
           "index '" + def.indexes[i].name + "' keeps its entries but no longer enforces its relationship");
    }
    return Status::Ok();
  }

  Status WriteDefinition() {
    std::vector<uint8_t> flat = table_.definition;
    std::vector<bool> keep(plans_.size());
    for (size_t i = 0; i < plans_.size(); ++i) keep[i] = plans_[i].written.has_value();
    TableDef def = def_;
    if (std::ranges::find(keep, false) != keep.end()) {
      JET_ASSIGN_OR_RETURN(def, RemoveIndexes(flat, layout_, def_, keep));
    }
    JET_RETURN_IF_ERROR(LoosenRelationships(flat, def));
    MovedDefinition to;
    JET_ASSIGN_OR_RETURN(to.used_pages, AddMap(data_.pages()));
    JET_ASSIGN_OR_RETURN(to.free_pages, AddMap({}));
    to.row_count = static_cast<uint32_t>(copied_);
    for (const IndexPlan& plan : plans_) {
      if (!plan.written) continue;
      JET_ASSIGN_OR_RETURN(const uint32_t map, AddMap(plan.written->pages.pages));
      to.index_keys.push_back(plan.written->keys);
      to.index_maps.push_back(map);
      to.index_roots.push_back(plan.written->pages.root);
    }
    for (size_t column : patcher_.long_value_columns()) {
      JET_ASSIGN_OR_RETURN(const uint32_t used, AddMap({}));
      JET_ASSIGN_OR_RETURN(const uint32_t free, AddMap({}));
      to.long_value_maps[def_.columns[column].number] = {used, free};
    }
    JET_RETURN_IF_ERROR(MoveDefinitionPointers(flat, layout_, def, to, t_.new_pages));
    std::vector<uint32_t> continuation(TableDefPageCount(layout_, flat.size()) - 1);
    for (uint32_t& page : continuation) page = t_.allocator.Reserve();
    const std::vector<Bytes> pages = LayOutTableDef(layout_, flat, continuation);
    for (size_t i = 0; i < pages.size(); ++i) {
      JET_RETURN_IF_ERROR(t_.allocator.Write(i == 0 ? table_.new_page : continuation[i - 1], pages[i]));
    }
    return Status::Ok();
  }

  SalvageTargets& t_;
  const TableToSalvage& table_;
  const TableDef& def_;
  const Layout& layout_;
  RowPlacer data_;
  LongValueCopier long_values_;
  RowPatcher patcher_;
  std::vector<uint32_t> left_out_;
  std::vector<uint32_t> pages_;
  RowPointerMap candidates_;
  std::vector<std::pair<uint32_t, uint32_t>> forwards_;
  std::vector<IndexPlan> plans_;
  RowPointerMap rows_;
  bool scanned_ = false;  // the map is damaged: pages_ were found by scanning
  uint32_t current_page_ = 0;
  uint64_t copied_ = 0;
};

}  // namespace

Status CheckDefinition(const Layout& layout, const TableDef& def, std::vector<uint8_t> definition) {
  MovedDefinition to;
  to.index_keys.resize(def.real_indexes.size());
  to.index_maps.resize(def.real_indexes.size());
  to.index_roots.resize(def.real_indexes.size());
  std::map<uint32_t, uint32_t> related;
  for (const LogicalIndex& index : def.indexes) related[index.related_table_page] = index.related_table_page;
  for (const ColumnDef& column : def.columns) {
    if (column.IsLongValue()) to.long_value_maps[column.number] = {0, 0};
  }
  return MoveDefinitionPointers(definition, layout, def, to, related);
}

Result<CopiedTable> SalvageTable(SalvageTargets& targets, const TableToSalvage& table) {
  TableSalvage salvage(targets, table);
  return salvage.Run();
}

}  // namespace jet
