#include "jet/repair/Repairer.h"

#include <algorithm>
#include <map>
#include <memory>

#include "jet/base/Bytes.h"
#include "jet/check/Checker.h"
#include "jet/format/Format.h"
#include "jet/io/PageEncryptingFile.h"
#include "jet/io/TemporaryFile.h"
#include "jet/read/Database.h"
#include "jet/repair/SalvageSchema.h"
#include "jet/repair/SalvageTable.h"
#include "jet/write/CellsFromValues.h"
#include "jet/write/DesignFromDefinition.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/MapRowWriter.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/RowEncoder.h"
#include "jet/write/TablePlan.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

// A row encoder's long values, for catalog rows rebuilt without any.
class NoLongValues : public LongValueSink {
 public:
  Result<Bytes> Store(std::span<const uint8_t>) override {
    return Status(ErrorKind::kInvalidArgument, "a rebuilt catalog row holds no memo or OLE value");
  }
};

// Builds the new file from what a SalvageSource can read: user and system tables first, each
// with the pieces compaction uses (see SalvageTable), then the catalog, so that the catalog
// rows of tables lost on the way can be left out.
class Rebuild {
 public:
  Rebuild(SalvageSource& source, File& out, RepairReport& report)
      : source_(source),
        allocator_(out, source.layout()),
        maps_(allocator_),
        cut_values_(allocator_, 0),
        report_(report) {}

  Status Run() {
    allocator_.BufferWrites(PageAllocator::StretchPages(source_.layout()));
    allocator_.Reserve();  // header page
    allocator_.Reserve();  // global page map
    JET_ASSIGN_OR_RETURN(catalog_, SalvageCatalog(source_, report_));
    JET_RETURN_IF_ERROR(StartCatalog());
    for (const CatalogRow& row : catalog_.rows) StartTable(row);
    JET_RETURN_IF_ERROR(RecoverUnlistedTables());
    JET_RETURN_IF_ERROR(CheckSomethingLeft());
    SalvageTargets targets{source_, allocator_, maps_, cut_values_, new_pages_, new_ids_, report_};
    for (size_t i = 1; i < tables_.size(); ++i) {
      auto rows = SalvageTable(targets, tables_[i]);
      if (!rows.ok() && rows.status().kind() != ErrorKind::kCorrupt) return rows.status();
      if (!rows.ok()) {
        // Nothing of it is listed: its catalog row goes too.
        report_.Add(LossKind::kTableLost, tables_[i].name, tables_[i].def.page,
                    "table lost: " + rows.status().description());
        tables_.front().left_out.push_back(catalog_pointers_[tables_[i].def.page]);
        continue;
      }
      report_.rows += rows->rows;
      report_.copied[tables_[i].name] = *rows;
      ++report_.tables;
    }
    TableToSalvage& catalog = tables_.front();
    catalog.rows_reported = true;  // by SalvageCatalog
    std::sort(catalog.left_out.begin(), catalog.left_out.end());
    JET_ASSIGN_OR_RETURN(const CopiedTable catalog_rows, SalvageTable(targets, catalog));
    report_.rows += catalog_rows.rows;
    report_.copied[catalog.name] = catalog_rows;
    ++report_.tables;
    JET_RETURN_IF_ERROR(maps_.Flush());
    JET_RETURN_IF_ERROR(cut_values_.Flush());
    JET_RETURN_IF_ERROR(WriteGlobalMap({}, allocator_));  // no page of the new file is free
    JET_RETURN_IF_ERROR(allocator_.Write(kHeaderPage, RepairedHeaderPage(source_.salvaged_header())));
    return allocator_.Flush();
  }

 private:
  // Reads a table's definition, with the bytes it was read from. kCorrupt, with the reason,
  // when the table cannot be carried over.
  Result<TableToSalvage> Definition(uint32_t page, const std::string& name, RepairReport& report) {
    TableToSalvage table;
    table.name = name;
    JET_ASSIGN_OR_RETURN(table.def, SalvageTableDef(source_, page, name, report, &table.definition));
    JET_RETURN_IF_ERROR(CheckDefinition(source_.layout(), table.def, table.definition));
    if (name == kCatalogName) table.ids = TableIdColumn::kCatalogId;
    if (name == kAccessControlName) table.ids = TableIdColumn::kAccessControlObjectId;
    return table;
  }

  // The catalog goes first, onto page 2; its rows are copied last.
  Status StartCatalog() {
    auto catalog = Definition(kCatalogTableDefPage, kCatalogName, report_);
    if (!catalog.ok())
      return CorruptError("the catalog's definition cannot be carried over: " +
                          catalog.status().description());
    catalog->new_page = allocator_.Reserve();
    if (catalog->new_page != kCatalogTableDefPage)
      return Status(ErrorKind::kInvalidArgument, "catalog not on page 2");
    new_ids_[kCatalogTableDefPage] = kCatalogTableDefPage;
    new_pages_[kCatalogTableDefPage] = kCatalogTableDefPage;
    tables_.push_back(std::move(catalog).value());
    return Status::Ok();
  }

  void DropCatalogRow(const CatalogRow& row) { tables_.front().left_out.push_back(row.pointer); }

  void StartTable(const CatalogRow& row) {
    const CatalogEntry& entry = row.entry;
    if (!entry.IsTable() || entry.DefinitionPage() == kCatalogTableDefPage) return;
    if (new_ids_.count(entry.id) != 0 || new_pages_.count(entry.DefinitionPage()) != 0) {
      report_.Add(LossKind::kCatalogRow, entry.name, entry.DefinitionPage(),
                  "a second catalog row for the same table dropped");
      DropCatalogRow(row);
      return;
    }
    auto table = Definition(entry.DefinitionPage(), entry.name, report_);
    if (!table.ok()) {
      if (table.status().kind() == ErrorKind::kIo) return;
      report_.Add(LossKind::kTableLost, entry.name, entry.DefinitionPage(),
                  "table lost with its rows and catalog row: " + table.status().description());
      DropCatalogRow(row);
      return;
    }
    table->new_page = allocator_.Reserve();
    new_pages_[entry.DefinitionPage()] = table->new_page;
    new_ids_[entry.id] = (entry.id & ~kTableIdPageMask) | table->new_page;
    catalog_pointers_[entry.DefinitionPage()] = row.pointer;
    tables_.push_back(std::move(table).value());
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

  // A catalog row like `model` naming the table defined on `page` as `name`, without the
  // model's properties, as stored.
  Result<Bytes> RebuiltRow(const CatalogRow& model, uint32_t page, const std::string& name) const {
    std::vector<Value> values = model.values;
    for (size_t i = 0; i < catalog_.def.columns.size(); ++i) {
      const ColumnDef& column = catalog_.def.columns[i];
      Value& value = values[i];
      if (column.IsLongValue()) {
        value = Value();
        value.type = column.type;
      }
      if (column.name == "Name") value.text = name;
      if (column.name == "Id") value.integer = page;
      if (column.name == "Flags") value.integer = 0;
    }
    JET_ASSIGN_OR_RETURN(TableDesign design,
                         DesignFromDefinition(catalog_.def, kCatalogName, true, source_.layout()));
    // Jet 3 text of the row goes back in the database's own code page, never as 1252.
    design.code_page = TextCodePage(source_.header());
    JET_ASSIGN_OR_RETURN(const TablePlan plan, PlanTable(design, source_.layout()));
    JET_ASSIGN_OR_RETURN(const RowValues cells, CellsFromValues(catalog_.def, values));
    NoLongValues none;
    return RowEncoder(source_.layout(), plan).Encode(cells, none);
  }

  // When the catalog lost rows, a user table's definition that no catalog row names, with
  // rows of its own, is listed again under a new name (its own is lost with the row).
  Status RecoverUnlistedTables() {
    const CatalogRow* model = ModelRow();
    if (!CatalogLostRows() || model == nullptr) return Status::Ok();
    const CatalogRow kept_model = *model;
    for (uint32_t page : source_.DefinitionStarts()) {
      if (page == kCatalogTableDefPage || new_pages_.count(page) != 0 || source_.DataPagesOf(page).empty())
        continue;
      const std::string name = "Recovered" + std::to_string(page);
      RepairReport scratch;
      auto table = Definition(page, name, scratch);
      if (!table.ok() || table->def.table_type == kSystemTableType) continue;
      auto row = RebuiltRow(kept_model, page, name);
      if (!row.ok()) continue;
      table->new_page = allocator_.Reserve();
      new_pages_[page] = table->new_page;
      new_ids_[page] = table->new_page;
      tables_.front().added_rows.push_back(std::move(row).value());
      tables_.push_back(std::move(table).value());
      report_.Add(LossKind::kTableRenamed, name, page,
                  "the table's catalog row is lost; its definition and rows are kept under this name");
    }
    return Status::Ok();
  }

  // A database whose every user table is lost is not worth a repaired file.
  Status CheckSomethingLeft() const {
    size_t listed = 0;
    for (const CatalogRow& row : catalog_.rows)
      listed += row.entry.IsTable() && !row.entry.IsSystem() ? 1 : 0;
    size_t kept = 0;
    for (const TableToSalvage& table : tables_) kept += table.def.table_type == kSystemTableType ? 0 : 1;
    if (listed == 0 || kept > 0) return Status::Ok();
    std::string lost;
    for (const Loss& loss : report_.losses) {
      if (loss.kind == LossKind::kTableLost) lost += "; " + loss.ToString();
    }
    return CorruptError("no table can be recovered" + lost);
  }

  SalvageSource& source_;
  PageAllocator allocator_;
  MapRowWriter maps_;
  LongValueWriter cut_values_;
  RepairReport& report_;
  SalvagedCatalog catalog_;
  std::vector<TableToSalvage> tables_;  // the catalog first
  std::map<uint32_t, uint32_t> new_ids_;
  std::map<uint32_t, uint32_t> new_pages_;         // definition pages, source -> copy
  std::map<uint32_t, uint32_t> catalog_pointers_;  // definition page -> its catalog row
};

// Whether the file opens with its own password, holds whole pages only and passes the check.
// kIo when it cannot be read: a failing disk is not taken for damage.
Result<bool> Sound(File& file, const std::string& password) {
  IoFailureRecorder disk(file);
  auto db = Database::Open(std::make_unique<BorrowedFile>(disk), {.password = password});
  bool sound = db.ok();
  if (sound) {
    auto size = (*db)->file().Size();
    sound = size.ok() && *size % (*db)->page_size() == 0 && !FindsProblem(**db);
  }
  JET_RETURN_IF_ERROR(disk.failure());
  return sound;
}

// A file of a later format (Access 2007 and later, a later Jet version) is refused before
// anything is written beside it.
Status RefuseLaterFormat(File& file) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, file.Size());
  std::vector<uint8_t> first(static_cast<size_t>(std::min<uint64_t>(size, kHeaderVersionOffset + 1)));
  JET_RETURN_IF_ERROR(file.ReadAt(0, first));
  const FileFormat format = IdentifyFormat(first);
  if (format != FileFormat::kAccess2007OrLater && format != FileFormat::kLaterJetVersion) return Status::Ok();
  return RefusedFormatError(format, first).AtPage(0).AtFile(file.Name());
}

// Reads the stored password, checking the one given against it.
Result<std::string> StoredPassword(File& file, const RepairOptions& options) {
  std::vector<uint8_t> first(kHeaderMinimumBytes);
  Status read = file.ReadAt(0, first);
  if (!read.ok() && read.kind() == ErrorKind::kIo) return read;
  if (!read.ok()) return std::string();
  auto header = ParseHeader(first);
  if (!header.ok()) return std::string();
  if (!options.password.empty() && !PasswordMatches(*header, options.password)) {
    return Status(ErrorKind::kBadPassword, "not a valid password").AtFile(file.Name());
  }
  return header->password;
}

// The repaired copy must open with the password it stores and hold what was written into
// it (CheckCopyReadsBack: its catalog, definitions and usage maps). The rows were checked as
// they were salvaged, so they are not walked again. A read of it that fails is that failure
// (kIo), not a finding.
Status VerifyCopy(FileSystem& fs, const std::string& path, const RepairReport& report) {
  std::string password;
  {
    JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, fs.Open(path, OpenMode::kReadOnly));
    JET_ASSIGN_OR_RETURN(password, StoredPassword(*file, {}));
  }
  Status read = CheckCopyReadsBack(fs, path, password, report.copied);
  if (read.ok() || read.kind() == ErrorKind::kIo) return read;
  return CorruptError("the repaired copy does not read back: " + read.ToString());
}

// Writes the repaired copy beside `path`, with the original's mode and owner, checks it, and
// renames it over the original. Until the rename the original is untouched; a failure after
// it is said in the report, not as a failed repair.
Result<RepairReport> RepairOnDisk(FileSystem& fs, const std::string& path, File& source) {
  JET_ASSIGN_OR_RETURN(const FileStat original, fs.Stat(path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TemporaryFile> temporary,
                       TemporaryFile::CreateBeside(fs, path, "repair", original.mode));
  auto report = RepairInto(source, temporary->file());
  temporary->Close();
  if (!report.ok())
    return report.status().file().empty() ? Status(report.status()).AtFile(path) : report.status();
  JET_RETURN_IF_ERROR(fs.SetOwner(temporary->path(), original.owner, original.group));
  JET_RETURN_IF_ERROR(fs.SetMode(temporary->path(), original.mode));
  JET_RETURN_IF_ERROR(VerifyCopy(fs, temporary->path(), *report));
  JET_RETURN_IF_ERROR(temporary->RenameOver(path));
  Status synced = fs.SyncFolder(FolderOf(path));
  if (!synced.ok()) {
    report->unsynced =
        "the repaired database has replaced the original, but its folder could not be flushed (" +
        synced.ToString() + "): a power failure now may still bring back the damaged file";
  }
  return report;
}

}  // namespace

Result<RepairReport> RepairInto(File& source, File& destination) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, destination.Size());
  if (size != 0)
    return Status(ErrorKind::kInvalidArgument, "the destination is not empty").AtFile(destination.Name());
  RepairReport report;
  report.repaired = true;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<SalvageSource> salvage, SalvageSource::Open(source, report));
  std::unique_ptr<PageEncryptingFile> encrypted;
  File* out = &destination;
  if (salvage->header().database_key != 0) {
    encrypted = std::make_unique<PageEncryptingFile>(destination, salvage->layout().page_size,
                                                     salvage->header().database_key);
    out = encrypted.get();
  }
  Rebuild rebuild(*salvage, *out, report);
  Status rebuilt = rebuild.Run();
  JET_RETURN_IF_ERROR(salvage->read_error());
  JET_RETURN_IF_ERROR(rebuilt);
  JET_RETURN_IF_ERROR(destination.Sync());
  return report;
}

Result<RepairReport> RepairDatabase(const std::string& path, const RepairOptions& options, FileSystem& fs) {
  // A link is followed: the file it names is what gets repaired and replaced.
  JET_ASSIGN_OR_RETURN(const std::string target, fs.Resolve(path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> source, fs.Open(target, OpenMode::kReadWriteExclusive));
  JET_RETURN_IF_ERROR(RefuseLaterFormat(*source));
  JET_ASSIGN_OR_RETURN(const std::string password, StoredPassword(*source, options));
  JET_ASSIGN_OR_RETURN(const bool sound, Sound(*source, password));
  if (sound) return RepairReport{};
  return RepairOnDisk(fs, target, *source);
}

}  // namespace jet
