#include "jet/read/Database.h"

#include "jet/base/Bytes.h"
#include "jet/base/Rc4.h"
#include "jet/format/DataPage.h"
#include "jet/format/HeaderFields.h"
#include "jet/read/Catalog.h"
#include "jet/read/DefinitionPages.h"
#include "jet/read/UsageMap.h"

namespace jet {

namespace {

// A table's definition or page map that does not read: damage, unless the disk failed.
Status TableUnreadable(const std::string& table, const Status& cause, uint32_t page) {
  const ErrorKind kind = cause.kind() == ErrorKind::kIo ? ErrorKind::kIo : ErrorKind::kCorrupt;
  return Status(kind, "table '" + table + "': " + cause.description()).AtPage(cause.page().value_or(page));
}

}  // namespace

Database::Database(std::unique_ptr<File> file, Header header, uint32_t page_count, uint16_t text_code_page)
    : file_(std::move(file)),
      header_(std::move(header)),
      layout_(&LayoutFor(header_.version)),
      page_count_(page_count),
      text_code_page_(text_code_page) {}

Result<std::unique_ptr<Database>> Database::OpenPath(const std::string& path, const OpenOptions& options,
                                                     FileSystem& fs) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, fs.Open(path, OpenMode::kReadOnly));
  return Open(std::move(file), options);
}

Result<std::unique_ptr<Database>> Database::Open(std::unique_ptr<File> file, const OpenOptions& options) {
  const std::string name = file->Name();
  JET_ASSIGN_OR_RETURN(uint64_t size, file->Size());
  if (size < kHeaderMinimumBytes)
    return Status(ErrorKind::kNotADatabase, "file is too short to be a database")
        .Refusing(FileFormat::kNotADatabase)
        .AtFile(name);
  std::vector<uint8_t> first(kHeaderMinimumBytes);
  JET_RETURN_IF_ERROR(file->ReadAt(0, first));
  auto header = ParseHeader(first);
  if (!header.ok()) return header.status().AtFile(name);
  const uint32_t page_size = header->page_size;
  if (size < uint64_t{page_size} * (kCatalogTableDefPage + 1)) {
    return CorruptError("file is too short to hold the catalog").AtFile(name);
  }
  if (size / page_size > 0xffffff)
    return CorruptError("file is larger than a Jet database can be").AtFile(name);
  if (!options.tolerate_damage) {
    if (size % page_size != 0) {
      return CorruptError("the file ends with a partial page: it was cut short")
          .AtPage(static_cast<uint32_t>(size / page_size))
          .AtFile(name);
    }
    // Checked before the password: a damaged header region also garbles the password.
    const std::vector<std::string> damage = HeaderFieldProblems(*header);
    if (!damage.empty()) return CorruptError("damaged header: " + damage.front()).AtPage(0).AtFile(name);
  }
  if (!PasswordMatches(*header, options.password)) {
    return Status(ErrorKind::kBadPassword, "not a valid password").AtFile(name);
  }
  const uint16_t code_page = options.code_page != 0 ? options.code_page : TextCodePage(*header);
  std::unique_ptr<Database> db(new Database(std::move(file), std::move(header).value(),
                                            static_cast<uint32_t>(size / page_size), code_page));
  Status loaded = db->LoadCatalog();
  if (loaded.ok() && !options.tolerate_damage) loaded = db->CheckTableDefinitions();
  if (!loaded.ok()) {
    if (loaded.file().empty()) loaded.AtFile(name);
    return loaded;
  }
  return db;
}

Status Database::ReadPage(uint32_t number, std::vector<uint8_t>& out) {
  if (number >= page_count_) {
    return CorruptError("page number beyond the end of the file").AtPage(number);
  }
  out.resize(page_size());
  Status s = file_->ReadAt(uint64_t{number} * page_size(), out);
  if (!s.ok()) return s.AtPage(number);
  ++pages_read_;
  if (number == 0) {
    out = header_.unscrambled;
    out.resize(page_size());
  } else if (header_.database_key != 0) {
    Rc4Apply(header_.database_key ^ number, out);
  }
  return Status::Ok();
}

Status Database::ReadPages(uint32_t first, uint32_t count, std::span<uint8_t> out) {
  if (first == 0 || uint64_t{first} + count > page_count_ || out.size() != size_t{count} * page_size()) {
    return Status(ErrorKind::kInvalidArgument, "pages outside the file").AtPage(first);
  }
  Status read = file_->ReadAt(uint64_t{first} * page_size(), out);
  if (!read.ok()) return read.AtPage(first);
  pages_read_ += count;
  if (header_.database_key != 0) {
    for (uint32_t i = 0; i < count; ++i) {
      Rc4Apply(header_.database_key ^ (first + i), out.subspan(size_t{i} * page_size(), page_size()));
    }
  }
  return Status::Ok();
}

Result<std::vector<uint8_t>> Database::ReadPage(uint32_t number) {
  std::vector<uint8_t> page;
  JET_RETURN_IF_ERROR(ReadPage(number, page));
  return page;
}

std::vector<CatalogEntry> Database::Tables(bool include_system) const {
  std::vector<CatalogEntry> out;
  for (const CatalogEntry& e : catalog_) {
    if (e.IsTable() && (include_system || !e.IsSystem())) out.push_back(e);
  }
  return out;
}

const CatalogEntry* Database::FindObject(const std::string& name, int16_t type) const {
  for (const CatalogEntry& e : catalog_) {
    if (e.type == type && e.name == name) return &e;
  }
  return nullptr;
}

Result<TableDef> Database::ReadTableDef(uint32_t page) {
  JoinedDefinition joined = JoinDefinitionPages(*this, page);
  if (!joined.broken.ok()) return joined.broken;
  const std::vector<uint8_t>& bytes = joined.bytes;
  auto def = ParseTableDef(bytes, *layout_, text_code_page_);
  if (!def.ok()) return def.status().AtPage(page);
  def->page = page;
  def->pages = std::move(joined.pages);
  return def;
}

Result<TableDef> Database::OpenTable(const std::string& name) {
  const CatalogEntry* entry = FindObject(name, kObjectTypeTable);
  if (entry == nullptr) return Status(ErrorKind::kNotFound, "no table named '" + name + "'");
  return ReadTableDef(entry->DefinitionPage());
}

Status Database::LoadCatalog() {
  auto def = ReadTableDef(kCatalogTableDefPage);
  if (!def.ok()) return def.status();
  auto entries = ReadCatalog(*this, *def);
  if (!entries.ok()) return entries.status();
  catalog_ = std::move(entries).value();
  return Status::Ok();
}

// Every table the catalog names must have a readable definition whose maps and index roots
// lie inside the file, and a page map naming only pages inside it. This reads a few pages per
// table, whatever the file's size.
Status Database::CheckTableDefinitions() {
  auto inside = [this](uint32_t page) { return page < page_count_; };
  for (const CatalogEntry& entry : catalog_) {
    if (!entry.IsTable()) continue;
    const uint32_t page = entry.DefinitionPage();
    if (!inside(page)) {
      return CorruptError("the catalog places table '" + entry.name + "' beyond the end of the file")
          .AtPage(page);
    }
    auto def = ReadTableDef(page);
    if (!def.ok()) return TableUnreadable(entry.name, def.status(), page);
    bool sound = inside(PointerPage(def->used_pages)) && inside(PointerPage(def->free_pages));
    for (const RealIndex& index : def->real_indexes) {
      sound = sound && inside(index.root_page) && inside(PointerPage(index.used_pages));
    }
    if (!sound)
      return CorruptError("table '" + entry.name + "' points beyond the end of the file").AtPage(page);
    // The map of the table's pages: a file cut short loses pages that the map still names.
    Status map = CheckUsageMapWithinFile(*this, def->used_pages);
    if (!map.ok()) return TableUnreadable(entry.name, map, page);
  }
  return Status::Ok();
}

}  // namespace jet
