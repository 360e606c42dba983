#pragma once
// Writes a new database from scratch: the header page, the global page map, the system
// tables with the catalog, and the caller's tables streamed row by row.
//
//   auto db = DatabaseCreator::Create(std::move(file), {.version = JetVersion::kJet4});
//   TableBuilder* t = *db.value()->AddTable(design);
//   t->AddRow(...);
//   db.value()->Finish();
//
// Several tables may be filled at the same time. Nothing is valid until Finish() returns ok.

#include <memory>
#include <string>

#include "jet/io/File.h"
#include "jet/write/TableBuilder.h"

namespace jet {

struct CreateOptions {
  JetVersion version = JetVersion::kJet4;
  std::string password;       // empty: none; at most 20 characters
  double created = 45000.0;   // creation date (a date value), stored in the header and catalog
  uint16_t code_page = 1252;  // Jet 3: the code page of names and text (see WritableCodePage)
};

class DatabaseCreator {
 public:
  // `file` should be empty. Errors: kInvalidArgument for a password that is too long, or a
  // code page other than 1252 for Jet 4 or one Jet 3 text cannot be written in.
  static Result<std::unique_ptr<DatabaseCreator>> Create(std::unique_ptr<File> file, CreateOptions options);

  // Starts a user table. The builder belongs to the creator and lives until it is destroyed.
  // Errors: kInvalidArgument for a bad design or a name already taken.
  Result<TableBuilder*> AddTable(TableDesign design);
  // Finishes every table, writes the catalog and the header, and syncs the file.
  Status Finish();

  // The file, for tests that read the result from memory.
  File& file() { return *file_; }

 private:
  DatabaseCreator(std::unique_ptr<File> file, CreateOptions options);
  Status StartSystemTables();
  Status WriteGlobalMap();

  std::unique_ptr<File> file_;
  CreateOptions options_;
  const Layout& layout_;
  PageAllocator allocator_;
  std::unique_ptr<TableBuilder> catalog_;
  std::vector<std::unique_ptr<TableBuilder>> tables_;
  bool finished_ = false;
};

}  // namespace jet
