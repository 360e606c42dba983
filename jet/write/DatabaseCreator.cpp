#include "jet/write/DatabaseCreator.h"

#include "jet/base/TextCodec.h"
#include "jet/format/Format.h"
#include "jet/write/HeaderPageWriter.h"
#include "jet/write/SystemCatalog.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {}  // namespace

DatabaseCreator::DatabaseCreator(std::unique_ptr<File> file, CreateOptions options)
    : file_(std::move(file)),
      options_(std::move(options)),
      layout_(LayoutFor(options_.version)),
      allocator_(*file_, layout_) {}

Result<std::unique_ptr<DatabaseCreator>> DatabaseCreator::Create(std::unique_ptr<File> file,
                                                                 CreateOptions options) {
  if (Utf8ToUtf16(options.password).size() > kMaxPasswordCharacters) {
    return Status(ErrorKind::kInvalidArgument, "a database password has at most 20 characters");
  }
  const bool jet3 = options.version == JetVersion::kJet3;
  if (options.code_page != 1252 && (!jet3 || !WritableCodePage(options.code_page))) {
    return Status(ErrorKind::kInvalidArgument, "text cannot be written in code page " +
                                                   std::to_string(options.code_page) + " in this format");
  }
  std::unique_ptr<DatabaseCreator> db(new DatabaseCreator(std::move(file), std::move(options)));
  db->allocator_.Reserve();  // header page
  db->allocator_.Reserve();  // global page map
  JET_RETURN_IF_ERROR(db->StartSystemTables());
  return db;
}

Status DatabaseCreator::StartSystemTables() {
  TableDesign catalog = CatalogTableDesign();
  catalog.code_page = options_.code_page;
  JET_ASSIGN_OR_RETURN(catalog_, TableBuilder::Start(allocator_, std::move(catalog)));
  for (TableDesign design : {AccessControlTableDesign(), QueriesTableDesign(), RelationshipsTableDesign()}) {
    design.code_page = options_.code_page;
    JET_ASSIGN_OR_RETURN(std::unique_ptr<TableBuilder> table,
                         TableBuilder::Start(allocator_, std::move(design)));
    tables_.push_back(std::move(table));
  }
  return Status::Ok();
}

Result<TableBuilder*> DatabaseCreator::AddTable(TableDesign design) {
  if (finished_) return Status(ErrorKind::kInvalidArgument, "the database is already finished");
  for (const auto& table : tables_) {
    if (table->design().name == design.name)
      return Status(ErrorKind::kInvalidArgument, "table " + design.name + " exists");
  }
  if (design.name == catalog_->design().name)
    return Status(ErrorKind::kInvalidArgument, "reserved table name");
  design.system = false;
  design.code_page = options_.code_page;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<TableBuilder> table,
                       TableBuilder::Start(allocator_, std::move(design)));
  tables_.push_back(std::move(table));
  return tables_.back().get();
}

// Page 1 holds two page maps: the first marks free pages, which in a new file are only the
// long-value pages whose values were all dropped again; the second stays empty.
Status DatabaseCreator::WriteGlobalMap() {
  std::vector<uint32_t> free_pages = catalog_->long_values().EmptiedPages();
  for (const auto& table : tables_) {
    const std::vector<uint32_t> emptied = table->long_values().EmptiedPages();
    free_pages.insert(free_pages.end(), emptied.begin(), emptied.end());
  }
  return jet::WriteGlobalMap(free_pages, allocator_);
}

Status DatabaseCreator::Finish() {
  if (finished_) return Status(ErrorKind::kInvalidArgument, "the database is already finished");
  finished_ = true;
  std::vector<CatalogTable> entries{{catalog_->design().name, catalog_->table_page(), true}};
  for (const auto& table : tables_) {
    JET_RETURN_IF_ERROR(table->Finish());
    entries.push_back({table->design().name, table->table_page(), table->design().system});
  }
  for (RowValues& row : CatalogRows(entries, options_.created)) {
    JET_RETURN_IF_ERROR(catalog_->AddRow(std::move(row)).status());
  }
  JET_RETURN_IF_ERROR(catalog_->Finish());
  JET_RETURN_IF_ERROR(WriteGlobalMap());
  JET_RETURN_IF_ERROR(allocator_.Write(
      kHeaderPage, BuildHeaderPage(layout_, options_.password, options_.created, options_.code_page)));
  return file_->Sync();
}

}  // namespace jet
