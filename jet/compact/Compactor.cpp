#include "jet/compact/Compactor.h"

#include <algorithm>
#include <map>

#include "jet/compact/TableCopier.h"
#include "jet/format/Format.h"
#include "jet/io/PageEncryptingFile.h"
#include "jet/write/MapRowWriter.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

Status InTable(const Status& status, const std::string& table) {
  return Status(status.kind(), "table '" + table + "': " + status.ToString());
}

class Compaction {
 public:
  Compaction(Database& source, File& out)
      : source_(source), allocator_(out, source.layout()), maps_(allocator_) {}

  Result<CompactSummary> Run() {
    allocator_.BufferWrites(PageAllocator::StretchPages(source_.layout()));
    allocator_.Reserve();  // header page
    allocator_.Reserve();  // global page map
    JET_RETURN_IF_ERROR(StartTables());
    CompactionTargets targets{source_, allocator_, maps_, new_pages_, new_ids_, summary_.dropped};
    for (const TableToCopy& table : tables_) {
      JET_ASSIGN_OR_RETURN(const CopiedTable copied, CopyTable(targets, table));
      summary_.rows += copied.rows;
      summary_.copied[table.name] = copied;
    }
    JET_RETURN_IF_ERROR(maps_.Flush());
    JET_RETURN_IF_ERROR(WriteGlobalMap({}, allocator_));  // no page of the new file is free
    JET_RETURN_IF_ERROR(CopyHeaderPage());
    JET_RETURN_IF_ERROR(allocator_.Flush());
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
      Status started = StartTable(entry);
      if (!started.ok()) return InTable(started, entry.name);
    }
    if (tables_.front().new_pages.front() != kCatalogTableDefPage) {
      return Status(ErrorKind::kInvalidArgument, "the catalog must be written onto page 2");
    }
    return Status::Ok();
  }

  Status StartTable(const CatalogEntry& entry) {
    JET_ASSIGN_OR_RETURN(TableDef def, source_.ReadTableDef(entry.DefinitionPage()));
    if (new_ids_.count(entry.id) != 0)
      return CorruptError("two tables share the id " + std::to_string(entry.id));
    TableToCopy table;
    table.name = entry.name;
    for (size_t i = 0; i < def.pages.size(); ++i) table.new_pages.push_back(allocator_.Reserve());
    if (entry.name == kCatalogName) table.ids = TableIdColumn::kCatalogId;
    if (entry.name == kAccessControlName) table.ids = TableIdColumn::kAccessControlObjectId;
    table.def = std::move(def);
    new_pages_[entry.DefinitionPage()] = table.new_pages.front();
    new_ids_[entry.id] = (entry.id & ~kTableIdPageMask) | table.new_pages.front();
    tables_.push_back(std::move(table));
    return Status::Ok();
  }

  // The header page as stored, scrambled region and all.
  Status CopyHeaderPage() {
    Bytes page(source_.page_size());
    JET_RETURN_IF_ERROR(source_.file().ReadAt(0, page));
    return allocator_.Write(kHeaderPage, page);
  }

  Database& source_;
  PageAllocator allocator_;
  MapRowWriter maps_;
  std::vector<TableToCopy> tables_;
  std::map<uint32_t, uint32_t> new_ids_;
  std::map<uint32_t, uint32_t> new_pages_;  // definition pages, source -> copy
  CompactSummary summary_;
};

}  // namespace

Result<CompactSummary> CompactInto(Database& source, File& destination) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, destination.Size());
  if (size != 0)
    return Status(ErrorKind::kInvalidArgument, "the destination is not empty").AtFile(destination.Name());
  std::unique_ptr<PageEncryptingFile> encrypted;
  File* out = &destination;
  if (source.header().database_key != 0) {
    encrypted =
        std::make_unique<PageEncryptingFile>(destination, source.page_size(), source.header().database_key);
    out = encrypted.get();
  }
  Compaction compaction(source, *out);
  JET_ASSIGN_OR_RETURN(CompactSummary summary, compaction.Run());
  JET_RETURN_IF_ERROR(destination.Sync());
  return summary;
}

Result<CompactSummary> CompactToPath(Database& source, const std::string& path, FileSystem& fs) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, fs.Open(path, OpenMode::kCreateNew));
  Result<CompactSummary> result = CompactInto(source, *file);
  file.reset();  // closes the file
  if (result.ok()) {
    Status verified = CheckCopyReadsBack(fs, path, source.header().password, result->copied);
    if (!verified.ok())
      result = Status(verified.kind(), "the compacted copy does not read back: " + verified.ToString());
  }
  if (!result.ok()) (void)fs.Remove(path);
  return result;
}

}  // namespace jet
