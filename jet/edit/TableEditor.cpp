#include "jet/edit/TableEditor.h"

#include <algorithm>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/base/TextCodec.h"
#include "jet/edit/PageEdits.h"
#include "jet/read/DefinitionBytes.h"
#include "jet/read/DefinitionPages.h"
#include "jet/read/IndexPage.h"
#include "jet/read/TableReader.h"
#include "jet/read/UsageMap.h"
#include "jet/write/IndexBuilder.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/MapRowWriter.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

const Value& NullValue() {
  static const Value null;
  return null;
}

bool IsLongValue(ColumnType type) { return type == ColumnType::kMemo || type == ColumnType::kOle; }

// A live row that a predicate accepted: where it is, and where indexes name it.
struct Target {
  uint32_t at = 0;       // row pointer of the row's bytes
  uint32_t indexed = 0;  // row pointer the indexes use (the original slot of a moved row)
  std::vector<uint8_t> bytes;
};

Result<std::vector<Target>> FindRows(Database& db, const TableDef& def, const RowPredicate& match) {
  std::vector<Target> targets;
  TableReader reader(db, def);
  while (true) {
    JET_ASSIGN_OR_RETURN(std::optional<RowRecord> record, reader.Next());
    if (!record) break;
    JET_ASSIGN_OR_RETURN(const std::vector<Value> values, reader.Decode(*record));
    if (!match(EditedRow{def, values})) continue;
    const uint32_t at = RowPointer(record->page, record->slot);
    targets.push_back(Target{at, at, std::move(record->bytes)});
  }
  // Indexes keep naming the slot a moved row left behind.
  for (const auto& [from, to] : reader.forwards()) {
    for (Target& t : targets) {
      if (t.at == to) t.indexed = from;
    }
  }
  return targets;
}

// The pages of an index tree: those the walk of its leaves read and those its usage map
// lists that are index pages (a map is not trusted to name only its own pages).
Result<std::vector<uint32_t>> IndexPages(Database& db, const std::vector<uint32_t>& visited,
                                         const UsageMap& map) {
  std::set<uint32_t> pages(visited.begin(), visited.end());
  std::vector<uint8_t> page;
  for (uint32_t number : map.pages) {
    if (pages.count(number) != 0) continue;
    JET_RETURN_IF_ERROR(db.ReadPage(number, page));
    if (page[0] == kPageIndexNode || page[0] == kPageIndexLeaf) pages.insert(number);
  }
  return std::vector<uint32_t>(pages.begin(), pages.end());
}

// Writes each index of the table afresh without the entries of `removed` rows and points the
// definition at the new trees. Each tree goes onto the pages it had, as far as they reach
// (it never needs more after a deletion), so that the file does not grow; its usage map is
// then changed in place, and a new one is written only where the tree needed new pages.
// Returns the old index pages, now unused.
Result<std::set<uint32_t>> RewriteIndexes(Database& db, PageEdits& edits, const TableDef& def,
                                          std::vector<uint8_t>& definition,
                                          const std::set<uint32_t>& removed) {
  const Layout& l = db.layout();
  JET_ASSIGN_OR_RETURN(const IndexSections sections,
                       LocateIndexSections(definition, l, def.columns.size(), def.real_indexes.size()));
  std::set<uint32_t> old_pages;
  MapRowWriter maps(edits.allocator());
  for (size_t i = 0; i < def.real_indexes.size(); ++i) {
    const RealIndex& index = def.real_indexes[i];
    std::vector<uint32_t> visited;
    JET_ASSIGN_OR_RETURN(const std::vector<IndexEntry> entries,
                         ReadIndexLeaves(db, index.root_page, &visited));
    JET_ASSIGN_OR_RETURN(const UsageMap map, ReadUsageMap(db, index.used_pages));
    JET_ASSIGN_OR_RETURN(const std::vector<uint32_t> own, IndexPages(db, visited, map));
    IndexBuilder builder("index " + std::to_string(i), false);
    for (const IndexEntry& e : entries) {
      if (removed.count(RowPointer(e.data_page, e.data_row)) == 0)
        builder.Add(e.key, e.data_page, e.data_row);
    }
    edits.allocator().Reuse(own);
    auto written = builder.Write(edits.allocator(), def.page);
    edits.allocator().Reuse({});
    JET_RETURN_IF_ERROR(written.status());
    const WrittenIndexPages& pages = *written;
    std::set<uint32_t> unused(own.begin(), own.end());
    bool in_map = true;
    for (uint32_t page : pages.pages) {
      unused.erase(page);
      in_map = in_map && std::binary_search(map.pages.begin(), map.pages.end(), page);
    }
    std::set<uint32_t> leave_map(map.pages.begin(), map.pages.end());
    for (uint32_t page : pages.pages) leave_map.erase(page);
    uint32_t map_pointer = index.used_pages;
    if (in_map) {
      JET_RETURN_IF_ERROR(edits.RemoveFromUsageMap(index.used_pages, leave_map));
    } else {
      JET_ASSIGN_OR_RETURN(const Bytes map_row, BuildUsageMap(pages.pages, edits.allocator()));
      JET_ASSIGN_OR_RETURN(map_pointer, maps.Add(map_row));
    }
    old_pages.insert(unused.begin(), unused.end());
    PutU32(definition, l.tdef_header_end + i * l.tdef_real_index_entry + kRealIndexEntryKeyCount,
           pages.entries);
    const size_t at = sections.real_definitions + i * l.tdef_real_index_def;
    PutU32(definition, at + l.real_index_used_pages, map_pointer);
    PutU32(definition, at + l.real_index_root, pages.root);
  }
  JET_RETURN_IF_ERROR(maps.Flush());
  return old_pages;
}

// The long-value field of column `column` in a row, as a span into the row's bytes.
Result<std::span<const uint8_t>> LongValueField(const Target& t, const TableDef& def, const Layout& l,
                                                size_t column) {
  JET_ASSIGN_OR_RETURN(const std::vector<RawField> fields, SplitRow(t.bytes, def, l));
  return fields[column].null ? std::span<const uint8_t>() : fields[column].bytes;
}

}  // namespace

const Value& EditedRow::Get(const std::string& name) const {
  for (size_t i = 0; i < def.columns.size() && i < values.size(); ++i) {
    if (def.columns[i].name == name) return values[i];
  }
  return NullValue();
}

Result<std::unique_ptr<TableEditor>> TableEditor::Open(const std::string& path, const OpenOptions& options,
                                                       FileSystem& fs) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, fs.Open(path, OpenMode::kReadWriteExclusive));
  std::unique_ptr<TableEditor> editor(new TableEditor(std::move(file), options));
  JET_RETURN_IF_ERROR(editor->Reopen());
  return editor;
}

Status TableEditor::Reopen() {
  db_.reset();
  JET_ASSIGN_OR_RETURN(db_, Database::Open(std::make_unique<BorrowedFile>(*file_), options_));
  return Status::Ok();
}

Result<size_t> TableEditor::DeleteRows(const std::string& table, const RowPredicate& match) {
  JET_ASSIGN_OR_RETURN(const TableDef def, db_->OpenTable(table));
  JET_ASSIGN_OR_RETURN(const std::vector<Target> targets, FindRows(*db_, def, match));
  if (targets.empty()) return size_t{0};
  const Layout& l = db_->layout();
  PageEdits edits(*db_);
  std::vector<uint32_t> rows;
  std::vector<uint32_t> long_value_rows;
  std::set<uint32_t> removed;
  for (const Target& t : targets) {
    rows.push_back(t.at);
    if (t.indexed != t.at) rows.push_back(t.indexed);
    removed.insert(t.indexed);
    for (size_t c = 0; c < def.columns.size(); ++c) {
      if (!IsLongValue(def.columns[c].type)) continue;
      JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> field, LongValueField(t, def, l, c));
      JET_ASSIGN_OR_RETURN(const std::vector<uint32_t> pieces, edits.LongValueRows(field));
      long_value_rows.insert(long_value_rows.end(), pieces.begin(), pieces.end());
    }
  }
  JET_ASSIGN_OR_RETURN(std::set<uint32_t> free, edits.FlagDeleted(long_value_rows));
  JET_ASSIGN_OR_RETURN(const std::set<uint32_t> emptied, edits.FlagDeleted(rows));
  JET_RETURN_IF_ERROR(edits.RemoveFromUsageMap(def.used_pages, emptied));
  JET_RETURN_IF_ERROR(edits.RemoveFromUsageMap(def.free_pages, emptied));
  free.insert(emptied.begin(), emptied.end());

  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> definition, ReadDefinitionBytes(*db_, def));
  const uint32_t remaining =
      def.row_count >= targets.size() ? def.row_count - static_cast<uint32_t>(targets.size()) : 0;
  PutU32(definition, l.tdef_row_count, remaining);
  JET_ASSIGN_OR_RETURN(const std::set<uint32_t> old_index_pages,
                       RewriteIndexes(*db_, edits, def, definition, removed));
  free.insert(old_index_pages.begin(), old_index_pages.end());
  JET_RETURN_IF_ERROR(edits.WriteDefinition(def, definition));
  JET_RETURN_IF_ERROR(edits.MarkFree(free));
  JET_RETURN_IF_ERROR(file_->Sync());
  JET_RETURN_IF_ERROR(Reopen());
  return targets.size();
}

Result<size_t> TableEditor::ReplaceLongValue(const std::string& table, const std::string& column,
                                             const RowPredicate& match, const std::vector<uint8_t>& value) {
  JET_ASSIGN_OR_RETURN(const TableDef def, db_->OpenTable(table));
  size_t c = 0;
  while (c < def.columns.size() && def.columns[c].name != column) ++c;
  if (c == def.columns.size())
    return Status(ErrorKind::kNotFound, "table " + table + " has no column " + column);
  if (!IsLongValue(def.columns[c].type)) {
    return Status(ErrorKind::kInvalidArgument, "column " + column + " is not a memo or OLE column");
  }
  JET_ASSIGN_OR_RETURN(const std::vector<Target> targets, FindRows(*db_, def, match));
  const Layout& l = db_->layout();
  PageEdits edits(*db_);
  std::vector<std::vector<uint32_t>> old_rows;
  for (const Target& t : targets) {
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> field, LongValueField(t, def, l, c));
    JET_ASSIGN_OR_RETURN(std::vector<uint32_t> pieces, edits.LongValueRows(field));
    if (field.size() != kLongValueHeaderSize || pieces.empty()) {
      return Status(
          ErrorKind::kUnsupported,
          "a value of column " + column + " is null or kept inside its row; replacing it would move the row");
    }
    old_rows.push_back(std::move(pieces));
  }
  const Bytes stored =
      def.columns[c].type == ColumnType::kMemo && l.text_is_unicode
          ? EncodeJet4Text(Utf8ToUtf16(std::string(value.begin(), value.end())), true)
      : def.columns[c].type == ColumnType::kMemo
          ? EncodeJet3Text(Utf8ToUtf16(std::string(value.begin(), value.end())), db_->text_code_page())
          : Bytes(value);
  LongValueWriter writer(edits.allocator(), 0);
  std::vector<uint8_t> page;
  std::vector<uint32_t> dropped;
  for (size_t i = 0; i < targets.size(); ++i) {
    const Target& t = targets[i];
    JET_ASSIGN_OR_RETURN(const Bytes field, writer.Store(stored));
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> old_field, LongValueField(t, def, l, c));
    const size_t in_row = static_cast<size_t>(old_field.data() - t.bytes.data());
    JET_RETURN_IF_ERROR(db_->ReadPage(PointerPage(t.at), page));
    JET_ASSIGN_OR_RETURN(const DataPageInfo info, ParseDataPage(page, l));
    std::copy(field.begin(), field.end(),
              page.begin() + static_cast<std::ptrdiff_t>(info.rows[PointerRow(t.at)].start + in_row));
    JET_RETURN_IF_ERROR(edits.WritePage(PointerPage(t.at), page));
    dropped.insert(dropped.end(), old_rows[i].begin(), old_rows[i].end());
  }
  JET_RETURN_IF_ERROR(writer.Flush());
  JET_ASSIGN_OR_RETURN(const std::set<uint32_t> free, edits.FlagDeleted(dropped));
  JET_RETURN_IF_ERROR(edits.MarkFree(free));
  JET_RETURN_IF_ERROR(file_->Sync());
  JET_RETURN_IF_ERROR(Reopen());
  return targets.size();
}

}  // namespace jet
