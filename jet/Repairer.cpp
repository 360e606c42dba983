#include "jet/Repairer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "jet/Bytes.h"
#include "jet/Checker.h"
#include "jet/CompactSchema.h"
#include "jet/CompactValues.h"
#include "jet/Database.h"
#include "jet/FileLock.h"
#include "jet/Format.h"
#include "jet/PageAllocator.h"
#include "jet/PageEncryptingFile.h"
#include "jet/RealIndexFlags.h"
#include "jet/SalvageSchema.h"
#include "jet/TableBuilder.h"
#include "jet/UsageMapWriter.h"

namespace jet {
namespace {

// A logical-index entry after its Jet 4 stamp: number, index tree, then from byte 8 the
// relationship fields (related index at 9, related table at 13, cascade flags) and the
// index kind at byte 19.
constexpr size_t kLogicalIndexRelationStart = 8;
constexpr size_t kLogicalIndexRelatedIndex = 9;
constexpr size_t kLogicalIndexRelatedTable = 13;
constexpr size_t kLogicalIndexEnd = 20;

struct TableCopy {
  CatalogEntry entry;
  TableDef def;
  std::unique_ptr<TableBuilder> builder;
};

int ColumnIndex(const TableDef& def, const char* name) {
  const ColumnDef* column = def.FindColumn(name);
  return column == nullptr ? -1 : static_cast<int>(column - def.columns.data());
}

// Builds the new file from what a SalvageSource can read.
class Rebuild {
 public:
  Rebuild(SalvageSource& source, File& out, RepairReport& report)
      : source_(source), allocator_(out, source.layout()), report_(report) {}

  Status Run() {
    allocator_.Reserve();  // header page
    allocator_.Reserve();  // global page map
    JET_ASSIGN_OR_RETURN(catalog_, SalvageCatalog(source_, report_));
    JET_RETURN_IF_ERROR(StartCatalog());
    for (const CatalogRow& row : catalog_.rows) JET_RETURN_IF_ERROR(StartTable(row.entry));
    JET_RETURN_IF_ERROR(RecoverUnlistedTables());
    JET_RETURN_IF_ERROR(CheckSomethingLeft());
    JET_RETURN_IF_ERROR(CopyCatalogRows());
    for (size_t i = 1; i < tables_.size(); ++i) JET_RETURN_IF_ERROR(CopyRows(tables_[i]));
    for (TableCopy& table : tables_) JET_RETURN_IF_ERROR(table.builder->Finish());
    for (TableCopy& table : tables_) JET_RETURN_IF_ERROR(CarryOverRelationships(table));
    JET_RETURN_IF_ERROR(WriteGlobalMap({}, allocator_));  // no page of the new file is free
    report_.tables = static_cast<uint32_t>(tables_.size());
    return allocator_.Write(kHeaderPage, RepairedHeaderPage(source_.salvaged_header()));
  }

 private:
  Result<std::unique_ptr<TableBuilder>> Builder(const TableDef& def, const std::string& name) {
    // The definition's own type byte decides, as the catalog flags some user tables as system.
    auto design = DesignFromDefinition(def, name, def.table_type == kSystemTableType, source_.layout());
    if (!design.ok()) return design.status();
    return TableBuilder::Start(allocator_, std::move(design).value());
  }

  // The catalog goes first, onto page 2.
  Status StartCatalog() {
    JET_ASSIGN_OR_RETURN(std::unique_ptr<TableBuilder> builder, Builder(catalog_.def, kCatalogName));
    if (builder->table_page() != kCatalogTableDefPage) return Status(ErrorKind::kInvalidArgument, "catalog not on page 2");
    CatalogEntry entry{kCatalogName, kObjectTypeTable, kObjectSystemFlags, kCatalogTableDefPage, 0};
    new_ids_[kCatalogTableDefPage] = kCatalogTableDefPage;
    tables_.push_back(TableCopy{entry, catalog_.def, std::move(builder)});
    return Status::Ok();
  }

  Status StartTable(const CatalogEntry& entry) {
    if (!entry.IsTable() || entry.DefinitionPage() == kCatalogTableDefPage) return Status::Ok();
    if (new_ids_.count(entry.id) != 0 || started_pages_.count(entry.DefinitionPage()) != 0) {
      report_.Add(LossKind::kCatalogRow, entry.name, entry.DefinitionPage(), "a second catalog row for the same table dropped");
      lost_ids_.insert(entry.id);
      return Status::Ok();
    }
    auto def = SalvageTableDef(source_, entry.DefinitionPage(), entry.name, report_);
    Result<std::unique_ptr<TableBuilder>> builder = def.ok() ? Builder(*def, entry.name) : def.status();
    if (!builder.ok()) {
      if (builder.status().kind() == ErrorKind::kIo) return builder.status();
      report_.Add(LossKind::kTableLost, entry.name, entry.DefinitionPage(),
                  "table lost with its rows and catalog row: " + builder.status().description());
      lost_ids_.insert(entry.id);
      return Status::Ok();
    }
    started_pages_.insert(entry.DefinitionPage());
    new_pages_[entry.DefinitionPage()] = (*builder)->table_page();
    new_ids_[entry.id] = (entry.id & ~kTableIdPageMask) | (*builder)->table_page();
    tables_.push_back(TableCopy{entry, std::move(def).value(), std::move(builder).value()});
    return Status::Ok();
  }

  bool CatalogLostRows() const {
    return std::ranges::any_of(report_.losses, [](const Loss& loss) {
      return loss.kind == LossKind::kRowDropped && loss.table == kCatalogName;
    });
  }

  // The catalog row of a kept user table, as a model for rows rebuilt.
  const CatalogRow* ModelRow() const {
    for (const CatalogRow& row : catalog_.rows) {
      if (row.entry.IsTable() && !row.entry.IsSystem() && new_ids_.count(row.entry.id) != 0) return &row;
    }
    return nullptr;
  }

  // A row like `model` naming the table defined on `page` as `name`, without the model's
  // properties.
  CatalogRow RebuiltRow(const CatalogRow& model, uint32_t page, const std::string& name) const {
    CatalogRow row = model;
    row.entry = CatalogEntry{name, kObjectTypeTable, 0, page, model.entry.parent_id};
    for (size_t i = 0; i < catalog_.def.columns.size(); ++i) {
      const ColumnDef& column = catalog_.def.columns[i];
      Value& value = row.values[i];
      if (column.IsLongValue()) {
        value = Value();
        value.type = column.type;
      }
      if (column.name == "Name") value.text = name;
      if (column.name == "Id") value.integer = page;
      if (column.name == "Flags") value.integer = 0;
    }
    return row;
  }

  // When the catalog lost rows, a user table's definition that no catalog row names, with
  // rows of its own, is listed again under a new name (its own is lost with the row).
  Status RecoverUnlistedTables() {
    const CatalogRow* model = ModelRow();
    if (!CatalogLostRows() || model == nullptr) return Status::Ok();
    const CatalogRow kept_model = *model;
    for (uint32_t page : source_.DefinitionStarts()) {
      if (page == kCatalogTableDefPage || started_pages_.count(page) != 0 || source_.DataPagesOf(page).empty()) continue;
      RepairReport scratch;
      auto def = SalvageTableDef(source_, page, "", scratch);
      if (!def.ok() || def->table_type == kSystemTableType) continue;
      const std::string name = "Recovered" + std::to_string(page);
      auto builder = Builder(*def, name);
      if (!builder.ok()) continue;
      catalog_.rows.push_back(RebuiltRow(kept_model, page, name));
      started_pages_.insert(page);
      new_ids_[page] = (*builder)->table_page();
      new_pages_[page] = (*builder)->table_page();
      tables_.push_back(TableCopy{catalog_.rows.back().entry, std::move(def).value(), std::move(builder).value()});
      report_.Add(LossKind::kTableRenamed, name, page,
                  "the table's catalog row is lost; its definition and rows are kept under this name");
    }
    return Status::Ok();
  }

  // A database whose every user table is lost is not worth a repaired file.
  Status CheckSomethingLeft() const {
    size_t listed = 0;
    for (const CatalogRow& row : catalog_.rows) listed += row.entry.IsTable() && !row.entry.IsSystem() ? 1 : 0;
    size_t kept = 0;
    for (const TableCopy& table : tables_) kept += table.entry.IsSystem() ? 0 : 1;
    if (listed == 0 || kept > 0) return Status::Ok();
    std::string lost;
    for (const Loss& loss : report_.losses) {
      if (loss.kind == LossKind::kTableLost) lost += "; " + loss.ToString();
    }
    return CorruptError("no table can be recovered" + lost);
  }

  // A table id stored in a Long cell, moved to the table's new definition page.
  void RenumberTableId(CellValue& cell) const {
    const int64_t* stored = std::get_if<int64_t>(&cell);
    if (stored == nullptr) return;
    auto found = new_ids_.find(static_cast<uint32_t>(*stored));
    if (found != new_ids_.end()) cell = static_cast<int64_t>(static_cast<int32_t>(found->second));
  }

  // The catalog's Id (of local tables) and the access-control entries' ObjectId.
  void RenumberIds(const TableCopy& table, RowValues& cells) const {
    if (table.entry.name == kCatalogName) {
      const int id = ColumnIndex(table.def, "Id");
      const int type = ColumnIndex(table.def, "Type");
      const int64_t* object_type = std::get_if<int64_t>(&cells[static_cast<size_t>(type)]);
      if (object_type != nullptr && *object_type == kObjectTypeTable) RenumberTableId(cells[static_cast<size_t>(id)]);
    } else if (table.entry.name == kAccessControlName) {
      const int object = ColumnIndex(table.def, "ObjectId");
      if (object >= 0) RenumberTableId(cells[static_cast<size_t>(object)]);
    }
  }

  // Adds one row; a row the writer refuses is dropped and reported.
  Status AddRow(TableCopy& table, const std::vector<Value>& values, uint32_t page) {
    auto cells = CellsFromValues(table.def, values);
    if (cells.ok()) {
      RenumberIds(table, *cells);
      auto added = table.builder->AddRow(std::move(cells).value());
      if (added.ok()) {
        ++report_.rows;
        return Status::Ok();
      }
      cells = added.status();
    }
    if (cells.status().kind() == ErrorKind::kIo) return cells.status();
    report_.Add(LossKind::kRowDropped, table.entry.name, page, "a row cannot be written: " + cells.status().description());
    return Status::Ok();
  }

  Status CopyCatalogRows() {
    TableCopy& catalog = tables_.front();
    for (const CatalogRow& row : catalog_.rows) {
      if (lost_ids_.count(row.entry.id) != 0 && row.entry.IsTable()) continue;
      JET_RETURN_IF_ERROR(AddRow(catalog, row.values, kCatalogTableDefPage));
    }
    return Status::Ok();
  }

  Status CopyRows(TableCopy& table) {
    return SalvageRows(source_, table.def, table.entry.name, report_,
                       [this, &table](SalvagedRow&& row) { return AddRow(table, row.values, row.page); });
  }

  // The position the writer gives the index numbered `number` in the table defined on
  // `page` (it numbers indexes by position).
  std::optional<uint32_t> IndexPosition(uint32_t page, uint32_t number) const {
    for (const TableCopy& table : tables_) {
      if (table.def.page != page) continue;
      for (size_t i = 0; i < table.def.indexes.size(); ++i) {
        if (table.def.indexes[i].number == number) return static_cast<uint32_t>(i);
      }
    }
    return std::nullopt;
  }

  // The writer builds plain indexes. An index enforcing a relationship gets its relationship
  // fields back (related table at its new page, related index at its new position, cascade
  // flags, kind) on the definition page just written. A relationship whose other side is
  // lost stays a plain index, reported.
  Status CarryOverRelationships(const TableCopy& table) {
    const auto foreign = [](const LogicalIndex& x) { return x.kind == kLogicalIndexForeign; };
    if (std::ranges::none_of(table.def.indexes, foreign)) return Status::Ok();
    const Layout& l = source_.layout();
    JET_ASSIGN_OR_RETURN(const std::vector<uint8_t> original, SalvagedDefinitionBytes(source_, table.def));
    JET_ASSIGN_OR_RETURN(const IndexSections from, LocateIndexSections(original, l, table.def.columns.size(),
                                                                       table.def.real_indexes.size()));
    const uint64_t at = uint64_t{table.builder->table_page()} * l.page_size;
    Bytes written(l.page_size);
    JET_RETURN_IF_ERROR(allocator_.file().ReadAt(at, written));
    JET_ASSIGN_OR_RETURN(const IndexSections to, LocateIndexSections(written, l, table.def.columns.size(),
                                                                     table.def.indexes.size()));
    const size_t stamp = l.version == JetVersion::kJet4 ? 4 : 0;
    for (size_t i = 0; i < table.def.indexes.size(); ++i) {
      const LogicalIndex& index = table.def.indexes[i];
      if (!foreign(index)) continue;
      const size_t source_at = from.logical_entries + i * l.tdef_logical_index + stamp;
      const size_t target_at = to.logical_entries + i * l.tdef_logical_index + stamp;
      auto related = new_pages_.find(index.related_table_page);
      const std::optional<uint32_t> position = IndexPosition(index.related_table_page, index.related_index);
      if (source_at + kLogicalIndexEnd > original.size() || target_at + kLogicalIndexEnd > written.size() ||
          related == new_pages_.end() || !position) {
        report_.Add(LossKind::kIndexDropped, table.entry.name, table.def.page,
                    "index '" + index.name + "' keeps its entries but no longer enforces its relationship");
        continue;
      }
      std::copy(original.begin() + static_cast<std::ptrdiff_t>(source_at + kLogicalIndexRelationStart),
                original.begin() + static_cast<std::ptrdiff_t>(source_at + kLogicalIndexEnd),
                written.begin() + static_cast<std::ptrdiff_t>(target_at + kLogicalIndexRelationStart));
      PutU32(written, target_at + kLogicalIndexRelatedTable, related->second);
      PutU32(written, target_at + kLogicalIndexRelatedIndex, *position);
    }
    return allocator_.file().WriteAt(at, written);
  }

  // Page 1: two empty maps, as no page of the new file is free.
  SalvageSource& source_;
  PageAllocator allocator_;
  RepairReport& report_;
  SalvagedCatalog catalog_;
  std::vector<TableCopy> tables_;
  std::map<uint32_t, uint32_t> new_ids_;
  std::set<uint32_t> started_pages_;
  std::map<uint32_t, uint32_t> new_pages_;  // definition pages, source -> copy
  std::set<uint32_t> lost_ids_;
};

Status FromErrno(const std::string& what, const std::string& path) {
  const int err = errno;
  ErrorKind kind = ErrorKind::kIo;
  if (err == ENOENT || err == ENOTDIR) kind = ErrorKind::kNotFound;
  if (err == EWOULDBLOCK) kind = ErrorKind::kInUse;
  return Status(kind, what + ": " + std::strerror(err)).AtFile(path);
}

// Holds the database file exclusively (jet/FileLock.h) while it lives.
class ExclusiveUse {
 public:
  static Result<std::unique_ptr<ExclusiveUse>> Take(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FromErrno("cannot open", path);
    auto lock = LockOpenFile(fd, LockMode::kExclusive, path);
    if (!lock.ok()) {
      ::close(fd);
      return lock.status();
    }
    return std::unique_ptr<ExclusiveUse>(new ExclusiveUse(fd, std::move(lock).value()));
  }
  ~ExclusiveUse() { ::close(fd_); }
  ExclusiveUse(const ExclusiveUse&) = delete;
  ExclusiveUse& operator=(const ExclusiveUse&) = delete;

  int fd() const { return fd_; }

 private:
  ExclusiveUse(int fd, std::unique_ptr<FileLock> lock) : fd_(fd), lock_(std::move(lock)) {}
  int fd_;
  std::unique_ptr<FileLock> lock_;
};

// Removes a temporary file unless told it has been put in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

// Creates a new hidden file beside `path`, never through an existing file or link.
Result<std::unique_ptr<File>> CreateBeside(const std::string& path, std::unique_ptr<TemporaryFile>& temporary) {
  const std::filesystem::path original(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = "." + original.filename().string() + ".repair" + std::to_string(::getpid()) + "-" +
                             std::to_string(attempt);
    const std::string candidate = (original.parent_path() / name).string();
    auto file = OpenPosixFile(candidate, OpenMode::kCreateNew);
    if (file.ok()) {
      temporary = std::make_unique<TemporaryFile>(candidate);
      return file;
    }
    if (file.status().kind() != ErrorKind::kExists) return file.status();
  }
  return Status(ErrorKind::kExists, "no free name for the repaired copy").AtFile(path);
}

// Whether the file opens with its own password, holds whole pages only and passes the check.
bool Sound(const std::string& path, const std::string& password) {
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return false;
  auto size = (*db)->file().Size();
  if (!size.ok() || *size % (*db)->page_size() != 0) return false;
  return CheckDatabase(**db, [](const Problem&) {}) == 0;
}

// Reads the stored password, checking the one given against it.
Result<std::string> StoredPassword(File& file, const RepairOptions& options) {
  std::vector<uint8_t> first(kHeaderMinimumBytes);
  if (!file.ReadAt(0, first).ok()) return std::string();
  auto header = ParseHeader(first);
  if (!header.ok()) return std::string();
  if (!options.password.empty() && !PasswordMatches(*header, options.password)) {
    return Status(ErrorKind::kBadPassword, "not a valid password").AtFile(file.Name());
  }
  return header->password;
}

// The repaired copy must open with the password it stores and pass the whole check.
Status VerifyCopy(const std::string& path) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, OpenPosixFile(path, OpenMode::kReadOnly));
  JET_ASSIGN_OR_RETURN(const std::string password, StoredPassword(*file, {}));
  auto db = Database::OpenPath(path, {.password = password});
  if (!db.ok()) return CorruptError("the repaired copy does not open: " + db.status().ToString());
  std::string first;
  const size_t problems = CheckDatabase(**db, [&first](const Problem& p) {
    if (first.empty()) first = p.ToString();
  });
  if (problems != 0) {
    return CorruptError("the repaired copy fails its check (" + std::to_string(problems) + " problems, first: " + first + ")");
  }
  return Status::Ok();
}

Status SyncFolder(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FromErrno("cannot open the folder", folder);
  const int synced = ::fsync(fd);
  ::close(fd);
  if (synced != 0) return FromErrno("cannot flush the folder", folder);
  return Status::Ok();
}

Result<RepairReport> RepairOnDisk(const std::string& path, File& source) {
  std::unique_ptr<TemporaryFile> temporary;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> out, CreateBeside(path, temporary));
  auto report = RepairInto(source, *out);
  out.reset();
  if (!report.ok()) return report.status().file().empty() ? Status(report.status()).AtFile(path) : report.status();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) ::chmod(temporary->path().c_str(), st.st_mode & 07777);
  JET_RETURN_IF_ERROR(VerifyCopy(temporary->path()));
  if (::rename(temporary->path().c_str(), path.c_str()) != 0) return FromErrno("cannot replace the database", path);
  temporary->Keep();
  JET_RETURN_IF_ERROR(SyncFolder(path));
  return report;
}

}  // namespace

Result<RepairReport> RepairInto(File& source, File& destination) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, destination.Size());
  if (size != 0) return Status(ErrorKind::kInvalidArgument, "the destination is not empty").AtFile(destination.Name());
  RepairReport report;
  report.repaired = true;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<SalvageSource> salvage, SalvageSource::Open(source, report));
  std::unique_ptr<PageEncryptingFile> encrypted;
  File* out = &destination;
  if (salvage->header().database_key != 0) {
    encrypted = std::make_unique<PageEncryptingFile>(destination, salvage->layout().page_size, salvage->header().database_key);
    out = encrypted.get();
  }
  Rebuild rebuild(*salvage, *out, report);
  JET_RETURN_IF_ERROR(rebuild.Run());
  JET_RETURN_IF_ERROR(destination.Sync());
  return report;
}

Result<RepairReport> RepairDatabase(const std::string& path, const RepairOptions& options) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<ExclusiveUse> use, ExclusiveUse::Take(path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> source, OpenPosixFile(path, OpenMode::kReadOnly));
  JET_ASSIGN_OR_RETURN(const std::string password, StoredPassword(*source, options));
  if (Sound(path, password)) return RepairReport{};
  return RepairOnDisk(path, *source);
}

}  // namespace jet
