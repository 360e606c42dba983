#pragma once
// An open Jet database, for reading. Opening reads the header page and the catalog
// (MSysObjects) only; tables are read on demand. Thread-compatible, not thread-safe.
//
//   auto db = jet::Database::Open(std::move(file), {.password = "secret"});
//   if (!db.ok()) ... db.status().kind() ...
//   auto table = (*db)->OpenTable("Customers");

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/Format.h"
#include "jet/format/Header.h"
#include "jet/format/TableDef.h"
#include "jet/io/File.h"
#include "jet/io/FileSystem.h"
#include "jet/read/PageSource.h"

namespace jet {

struct OpenOptions {
  std::string password;  // UTF-8; ignored when the database has none
  // Opens whatever can still be read, for the structural check and for repair: a partial last
  // page, damaged header fields, an unfinished write and unreadable table definitions are
  // then left for the caller to find. The header and the catalog must still be readable.
  bool tolerate_damage = false;
  // The Windows code page Jet 3 text is read in; 0 takes the header's, and 1252 where the
  // header leaves it unset (0). Jet 4 text is Unicode and ignores it.
  uint16_t code_page = 0;
};

// One row of MSysObjects that the engine needs.
struct CatalogEntry {
  std::string name;
  int16_t type = 0;  // kObjectTypeTable, ...
  uint32_t flags = 0;
  uint32_t id = 0;  // for tables: low 24 bits are the definition page
  uint32_t parent_id = 0;

  uint32_t DefinitionPage() const { return id & kTableIdPageMask; }
  bool IsSystem() const { return (flags & kObjectSystemFlags) != 0; }
  bool IsTable() const { return type == kObjectTypeTable; }
};

class Database : public PageSource {
 public:
  // Takes ownership of `file`. Errors: kNotADatabase, kUnsupported, kBadPassword, kCorrupt, kIo.
  // kCorrupt also for every state in which the database cannot be used safely: a partial last
  // page, damaged header fields, the unfinished-write marker, and a catalog whose tables'
  // definitions are unreadable or point outside the file (see docs/jet-format.md).
  static Result<std::unique_ptr<Database>> Open(std::unique_ptr<File> file, const OpenOptions& options = {});
  // Opens a file read-only through `fs`. Adds kNotFound.
  static Result<std::unique_ptr<Database>> OpenPath(const std::string& path, const OpenOptions& options = {},
                                                    FileSystem& fs = SystemFileSystem());

  const Header& header() const { return header_; }
  const Layout& layout() const override { return *layout_; }
  JetVersion version() const { return header_.version; }
  uint32_t page_size() const { return layout_->page_size; }
  uint32_t page_count() const override { return page_count_; }
  // The code page Jet 3 text and names are read in (see OpenOptions::code_page).
  uint16_t text_code_page() const { return text_code_page_; }
  File& file() { return *file_; }

  // Reads one page, decrypted when the database has a key. kCorrupt when it lies outside
  // the file.
  Status ReadPage(uint32_t number, std::vector<uint8_t>& out) override;
  Status ReadPages(uint32_t first, uint32_t count, std::span<uint8_t> out) override;
  Result<std::vector<uint8_t>> ReadPage(uint32_t number);

  // The catalog as read at open time.
  const std::vector<CatalogEntry>& catalog() const { return catalog_; }
  // User tables (and, with `include_system`, system tables) in catalog order.
  std::vector<CatalogEntry> Tables(bool include_system) const;
  const CatalogEntry* FindObject(const std::string& name, int16_t type) const;

  // Reads and parses a table definition; kCorrupt for a page that is not one.
  Result<TableDef> ReadTableDef(uint32_t page);
  // The definition of a user or system table by name; kNotFound when there is none.
  Result<TableDef> OpenTable(const std::string& name);

  // Page reads performed since open (for the bounded-open benchmark and tests).
  uint64_t pages_read() const { return pages_read_; }

 private:
  Database(std::unique_ptr<File> file, Header header, uint32_t page_count, uint16_t text_code_page);
  Status LoadCatalog();
  Status CheckTableDefinitions();

  std::unique_ptr<File> file_;
  Header header_;
  const Layout* layout_;
  uint32_t page_count_;
  uint16_t text_code_page_;
  std::vector<CatalogEntry> catalog_;
  uint64_t pages_read_ = 0;
};

}  // namespace jet
