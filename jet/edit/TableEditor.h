#pragma once
// Changes rows of an existing database in place, the way the engine does when rows are
// deleted or a memo or OLE value is replaced, leaving the holes and garbage that only a
// compaction removes:
//   - a deleted row keeps its slot, flagged deleted, and its long values are flagged deleted
//     too; a data page left without live rows leaves the table's usage maps and is marked
//     free in the database's free-page map; the row count in the definition drops;
//   - index entries of deleted rows are removed: each index of the table is written afresh
//     at the end of the file from its remaining entries, keys kept byte for byte as stored,
//     and its old pages are marked free;
//   - a replaced long value is written on new long-value pages at the end of the file and
//     the row's field points there; the old value's rows are flagged deleted and pages left
//     without live rows are marked free.
// The file is locked exclusively while the editor is open. A call that fails part way
// may leave the file half changed; work on a copy.
//
//   auto editor = TableEditor::Open(path);
//   (*editor)->DeleteRows("Recipients", [](const Row& r) { return r.Get("Flags").integer == 0; });

#include <functional>
#include <memory>
#include <string>

#include "jet/format/Value.h"
#include "jet/read/Database.h"

namespace jet {

// One row as a predicate sees it: the values in the definition's column order.
struct EditedRow {
  const TableDef& def;
  const std::vector<Value>& values;
  // The value of the column named `name`; a null value when there is none.
  const Value& Get(const std::string& name) const;
};

using RowPredicate = std::function<bool(const EditedRow&)>;

class TableEditor {
 public:
  // Opens `path` through `fs`. Errors: those of opening a database, and kInUse when another
  // holder locks the file.
  static Result<std::unique_ptr<TableEditor>> Open(const std::string& path, const OpenOptions& options = {},
                                                   FileSystem& fs = SystemFileSystem());

  // Deletes the rows of `table` that `match` accepts; returns how many.
  Result<size_t> DeleteRows(const std::string& table, const RowPredicate& match);

  // Gives the memo or OLE column `column` of each row `match` accepts the new value (UTF-8
  // text for a memo, bytes for OLE); returns how many rows changed. kUnsupported, before
  // anything changes, when a value to replace is null or kept inside its row.
  Result<size_t> ReplaceLongValue(const std::string& table, const std::string& column,
                                  const RowPredicate& match, const std::vector<uint8_t>& value);

  // The database as it stands after the last change.
  Database& database() { return *db_; }

 private:
  TableEditor(std::unique_ptr<File> file, OpenOptions options)
      : file_(std::move(file)), options_(std::move(options)) {}
  Status Reopen();

  std::unique_ptr<File> file_;
  OpenOptions options_;
  std::unique_ptr<Database> db_;
};

}  // namespace jet
