#include "jet/Compactor.h"

#include <unistd.h>

#include <algorithm>
#include <map>

#include "jet/Bytes.h"
#include "jet/CompactSchema.h"
#include "jet/CompactValues.h"
#include "jet/DataPageBuilder.h"
#include "jet/PageAllocator.h"
#include "jet/PageEncryptingFile.h"
#include "jet/RealIndexFlags.h"
#include "jet/SingleByteText.h"
#include "jet/TableBuilder.h"
#include "jet/TableReader.h"
#include "jet/UsageMapWriter.h"

namespace jet {
namespace {

constexpr uint32_t kHeaderPage = 0;
constexpr uint32_t kGlobalMapPage = 1;
constexpr uint32_t kCatalogPage = 2;
constexpr uint8_t kSystemTableType = 0x53;
constexpr uint32_t kPageMask = 0x00ffffff;
const char* const kCatalogName = "MSysObjects";
// A logical-index entry after its Jet 4 stamp: number, index tree, then from byte 8 the
// relationship fields (table type, related index, related table at 13, cascade flags) and
// the index kind at byte 19.
constexpr size_t kLogicalIndexRelationStart = 8;
constexpr size_t kLogicalIndexRelatedIndex = 9;
constexpr size_t kLogicalIndexRelatedTable = 13;
constexpr size_t kLogicalIndexEnd = 20;
const char* const kAccessControlName = "MSysACEs";

// One table on its way from the source to the new file.
struct TableCopy {
  CatalogEntry entry;
  TableDef def;
  std::unique_ptr<TableBuilder> builder;
};

Status InTable(const Status& status, const std::string& table) {
  return Status(status.kind(), "table '" + table + "': " + status.ToString());
}

int ColumnIndex(const TableDef& def, const char* name) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (def.columns[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

class Compaction {
 public:
  Compaction(Database& source, File& out)
      : source_(source),
        allocator_(out, source.layout()),
        single_byte_text_(source.version() == JetVersion::kJet3) {}

  Result<CompactSummary> Run() {
    allocator_.Reserve();  // header page
    allocator_.Reserve();  // global page map
    JET_RETURN_IF_ERROR(StartTables());
    for (TableCopy& table : tables_) JET_RETURN_IF_ERROR(CopyRows(table));
    for (TableCopy& table : tables_) {
      Status finished = table.builder->Finish();
      if (!finished.ok()) return InTable(finished, table.entry.name);
    }
    for (TableCopy& table : tables_) {
      Status related = CarryOverRelationships(table);
      if (!related.ok()) return InTable(related, table.entry.name);
    }
    JET_RETURN_IF_ERROR(WriteGlobalMap());
    JET_RETURN_IF_ERROR(CopyHeaderPage());
    summary_.tables = static_cast<uint32_t>(tables_.size());
    summary_.pages = allocator_.page_count();
    return summary_;
  }

 private:
  // Reserves every definition page before any row is copied, so that the catalog rows
  // can be given their tables' new ids. The catalog comes first, onto page 2.
  Status StartTables() {
    std::vector<CatalogEntry> entries = source_.Tables(true);
    std::stable_partition(entries.begin(), entries.end(),
                          [](const CatalogEntry& e) { return e.name == kCatalogName; });
    if (entries.empty() || entries.front().name != kCatalogName) {
      return CorruptError("the catalog does not list " + std::string(kCatalogName));
    }
    for (const CatalogEntry& entry : entries) {
      JET_RETURN_IF_ERROR(StartTable(entry));
    }
    if (tables_.front().builder->table_page() != kCatalogPage) {
      return Status(ErrorKind::kInvalidArgument, "the catalog must be written onto page 2");
    }
    return Status::Ok();
  }

  Status StartTable(const CatalogEntry& entry) {
    auto def = source_.ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) return InTable(def.status(), entry.name);
    Status flags = LoadRealIndexFlags(source_, *def);
    if (!flags.ok()) return InTable(flags, entry.name);
    // The definition's own type byte, not the catalog flags: Access keeps some tables it
    // flags as system in the catalog (the navigation pane's) as user tables.
    const bool system = def->table_type == kSystemTableType;
    auto design = DesignFromDefinition(*def, entry.name, system, source_.layout());
    if (!design.ok()) return InTable(design.status(), entry.name);
    auto builder = TableBuilder::Start(allocator_, std::move(design).value());
    if (!builder.ok()) return InTable(builder.status(), entry.name);
    if (new_ids_.count(entry.id) != 0) return CorruptError("two tables share the id " + std::to_string(entry.id));
    new_pages_[entry.DefinitionPage()] = (*builder)->table_page();
    source_tables_[entry.DefinitionPage()] = tables_.size();
    new_ids_[entry.id] = (entry.id & ~kPageMask) | (*builder)->table_page();
    tables_.push_back(TableCopy{entry, std::move(def).value(), std::move(builder).value()});
    return Status::Ok();
  }

  // The writer builds plain indexes. An index enforcing a relationship gets its relationship
  // fields back from the source's entry (related index, related table at its new page,
  // cascade flags, index kind) on the definition page just written.
  Status CarryOverRelationships(const TableCopy& table) {
    const auto foreign = [](const LogicalIndex& x) { return x.kind == kLogicalIndexForeign; };
    if (std::ranges::none_of(table.def.indexes, foreign)) return Status::Ok();
    const Layout& l = source_.layout();
    JET_ASSIGN_OR_RETURN(const std::vector<uint8_t> original, ReadDefinitionBytes(source_, table.def));
    JET_ASSIGN_OR_RETURN(const IndexSections from, LocateIndexSections(original, l, table.def.columns.size(),
                                                                       table.def.real_indexes.size()));
    const uint32_t page = table.builder->table_page();
    Bytes written(l.page_size);
    File& out = allocator_.file();
    JET_RETURN_IF_ERROR(out.ReadAt(uint64_t{page} * l.page_size, written));
    if (GetU32(written, l.tdef_next_page).value_or(1) != 0) {
      return Status(ErrorKind::kUnsupported, "relationship indexes on a definition longer than one page");
    }
    JET_ASSIGN_OR_RETURN(const IndexSections to, LocateIndexSections(written, l, table.def.columns.size(),
                                                                     table.def.indexes.size()));
    const size_t stamp = l.version == JetVersion::kJet4 ? 4 : 0;
    for (size_t i = 0; i < table.def.indexes.size(); ++i) {
      const LogicalIndex& index = table.def.indexes[i];
      if (!foreign(index)) continue;
      const size_t source_at = from.logical_entries + i * l.tdef_logical_index + stamp;
      const size_t target_at = to.logical_entries + i * l.tdef_logical_index + stamp;
      if (source_at + kLogicalIndexEnd > original.size() || target_at + kLogicalIndexEnd > written.size()) {
        return CorruptError("index '" + index.name + "' runs past its definition");
      }
      auto related = new_pages_.find(index.related_table_page);
      if (related == new_pages_.end()) {
        return CorruptError("index '" + index.name + "' relates to a table the catalog does not list");
      }
      std::copy(original.begin() + static_cast<std::ptrdiff_t>(source_at + kLogicalIndexRelationStart),
                original.begin() + static_cast<std::ptrdiff_t>(source_at + kLogicalIndexEnd),
                written.begin() + static_cast<std::ptrdiff_t>(target_at + kLogicalIndexRelationStart));
      PutU32(written, target_at + kLogicalIndexRelatedTable, related->second);
      JET_ASSIGN_OR_RETURN(const uint32_t position, RelatedIndexPosition(index));
      PutU32(written, target_at + kLogicalIndexRelatedIndex, position);
    }
    return out.WriteAt(uint64_t{page} * l.page_size, written);
  }

  // Relationships name the related index by its number; the writer numbers a table's
  // indexes by their position, which may differ from the source's numbers.
  Result<uint32_t> RelatedIndexPosition(const LogicalIndex& index) const {
    auto table = source_tables_.find(index.related_table_page);
    if (table != source_tables_.end()) {
      const std::vector<LogicalIndex>& related = tables_[table->second].def.indexes;
      for (size_t i = 0; i < related.size(); ++i) {
        if (related[i].number == index.related_index) return static_cast<uint32_t>(i);
      }
    }
    return CorruptError("index '" + index.name + "' relates to an index that does not exist");
  }

  // A table id stored in a Long column, moved to the table's new definition page.
  void RenumberTableId(CellValue& cell) const {
    const int64_t* stored = std::get_if<int64_t>(&cell);
    if (stored == nullptr) return;
    auto found = new_ids_.find(static_cast<uint32_t>(*stored));
    if (found != new_ids_.end()) cell = static_cast<int64_t>(static_cast<int32_t>(found->second));
  }

  // Columns holding table ids: the catalog's Id (of local tables only) and the
  // access-control entries' ObjectId.
  void RenumberIds(const TableCopy& table, RowValues& cells) const {
    if (table.entry.name == kCatalogName) {
      const int id = ColumnIndex(table.def, "Id");
      const int type = ColumnIndex(table.def, "Type");
      if (id < 0 || type < 0) return;
      const int64_t* object_type = std::get_if<int64_t>(&cells[static_cast<size_t>(type)]);
      if (object_type != nullptr && *object_type == kObjectTypeTable) RenumberTableId(cells[static_cast<size_t>(id)]);
    } else if (table.entry.name == kAccessControlName) {
      const int object = ColumnIndex(table.def, "ObjectId");
      if (object >= 0) RenumberTableId(cells[static_cast<size_t>(object)]);
    }
  }

  Status CopyRows(TableCopy& table) {
    TableReader reader(source_, table.def);
    uint64_t copied = 0;
    for (;;) {
      auto next = reader.Next();
      if (!next.ok()) return InTable(next.status(), table.entry.name);
      if (!next->has_value()) break;
      auto values = reader.Decode(**next);
      if (!values.ok()) return InTable(values.status().AtPage((*next)->page), table.entry.name);
      if (single_byte_text_) {
        Status same = CheckSingleByteText(source_, table.def, **next, *values);
        if (!same.ok()) return InTable(same.AtPage((*next)->page), table.entry.name);
      }
      auto cells = CellsFromValues(table.def, *values);
      if (!cells.ok()) return InTable(cells.status().AtPage((*next)->page), table.entry.name);
      RenumberIds(table, *cells);
      auto added = table.builder->AddRow(std::move(cells).value());
      if (!added.ok()) return InTable(added.status(), table.entry.name);
      ++copied;
    }
    if (copied != table.def.row_count) {
      return InTable(CorruptError("the definition counts " + std::to_string(table.def.row_count) +
                                  " rows but " + std::to_string(copied) + " were found")
                         .AtPage(table.def.page),
                     table.entry.name);
    }
    summary_.rows += copied;
    summary_.table_rows[table.entry.name] = copied;
    return Status::Ok();
  }

  // Page 1: two empty maps, as no page of the new file is free.
  Status WriteGlobalMap() {
    DataPageBuilder page(source_.layout(), 1);
    JET_ASSIGN_OR_RETURN(const Bytes empty, BuildUsageMap({}, allocator_));
    page.Add(empty);
    page.Add(empty);
    return allocator_.Write(kGlobalMapPage, page.Finish());
  }

  // The header page as stored, scrambled region and all.
  Status CopyHeaderPage() {
    Bytes page(source_.page_size());
    JET_RETURN_IF_ERROR(source_.file().ReadAt(0, page));
    return allocator_.Write(kHeaderPage, page);
  }

  Database& source_;
  PageAllocator allocator_;
  bool single_byte_text_;
  std::vector<TableCopy> tables_;
  std::map<uint32_t, uint32_t> new_ids_;
  std::map<uint32_t, uint32_t> new_pages_;  // definition pages, source -> copy
  std::map<uint32_t, size_t> source_tables_;  // definition page in the source -> tables_ index
  CompactSummary summary_;
};

}  // namespace

Result<CompactSummary> CompactInto(Database& source, File& destination) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, destination.Size());
  if (size != 0) return Status(ErrorKind::kInvalidArgument, "the destination is not empty").AtFile(destination.Name());
  std::unique_ptr<PageEncryptingFile> encrypted;
  File* out = &destination;
  if (source.header().database_key != 0) {
    encrypted = std::make_unique<PageEncryptingFile>(destination, source.page_size(), source.header().database_key);
    out = encrypted.get();
  }
  Compaction compaction(source, *out);
  JET_ASSIGN_OR_RETURN(CompactSummary summary, compaction.Run());
  JET_RETURN_IF_ERROR(destination.Sync());
  return summary;
}

// Reads the new file back with the engine's reader: every table the copy wrote must be
// listed by the new catalog and hold exactly the rows copied into it.
Status VerifyCopy(const std::string& path, const std::string& password, const CompactSummary& summary) {
  JET_ASSIGN_OR_RETURN(auto copy, Database::OpenPath(path, {.password = password}));
  const std::vector<CatalogEntry> tables = copy->Tables(true);
  if (tables.size() != summary.table_rows.size()) return CorruptError("the compacted catalog lists other tables");
  for (const CatalogEntry& entry : tables) {
    auto copied = summary.table_rows.find(entry.name);
    if (copied == summary.table_rows.end()) return CorruptError("the compacted catalog lists table " + entry.name);
    JET_ASSIGN_OR_RETURN(const TableDef def, copy->ReadTableDef(entry.DefinitionPage()));
    TableReader reader(*copy, def);
    uint64_t rows = 0;
    for (;;) {
      JET_ASSIGN_OR_RETURN(std::optional<RowRecord> row, reader.Next());
      if (!row) break;
      ++rows;
    }
    if (rows != copied->second) {
      return CorruptError("table " + entry.name + " reads back " + std::to_string(rows) + " rows of " +
                          std::to_string(copied->second) + " copied");
    }
  }
  return Status::Ok();
}

Result<CompactSummary> CompactToPath(Database& source, const std::string& path, const FileWrapper& wrap) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, OpenPosixFile(path, OpenMode::kCreateNew));
  if (wrap) file = wrap(std::move(file));
  Result<CompactSummary> result = CompactInto(source, *file);
  file.reset();  // closes the file
  if (result.ok()) {
    Status verified = VerifyCopy(path, source.header().password, *result);
    if (!verified.ok()) result = Status(verified.kind(), "the compacted copy does not read back: " + verified.ToString());
  }
  if (!result.ok()) ::unlink(path.c_str());
  return result;
}

}  // namespace jet
