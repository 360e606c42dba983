#pragma once
// What a repair could not carry over: every row dropped, value cut or emptied, page
// skipped, table lost or setting restored, with where it happened, and counts by kind.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "jet/compact/CopyReadBack.h"

namespace jet {

enum class LossKind {
  kPageSkipped,     // a page that could not be read as what it should be
  kRowDropped,      // a row whose place or bytes are damaged
  kValueCut,        // a memo or OLE value ended at a break in its chain
  kValueNulled,     // a memo or OLE value of which nothing could be read
  kTableLost,       // a table whose definition or catalog row cannot be read
  kIndexDropped,    // an index whose definition cannot be read (the table is kept without it)
  kCatalogRow,      // a catalog row dropped
  kTableRenamed,    // a table found without its catalog row, listed again under a new name
  kHeaderRestored,  // a header setting restored from the format's constants
};

struct Loss {
  LossKind kind = LossKind::kRowDropped;
  std::string table;  // empty for database-wide losses
  std::optional<uint32_t> page;
  std::string what;

  std::string ToString() const;
};

struct RepairReport {
  bool repaired = false;  // false: the database was sound and was left as it was
  uint32_t tables = 0;    // tables written to the repaired file
  uint64_t rows = 0;      // rows written
  // Of those, rows found only by scanning pages, in tables whose own page map is damaged.
  uint64_t rows_found_by_scanning = 0;
  std::map<std::string, CopiedTable> copied;  // what each table of the repaired file got, by name
  std::vector<Loss> losses;
  // Not empty when the repaired file is in place but could not be made durable: what failed.
  std::string unsynced;

  void Add(LossKind kind, std::string table, std::optional<uint32_t> page, std::string what);
  size_t Count(LossKind kind) const;
  // One line per loss, then the counts.
  std::string ToString() const;
};

const char* LossKindName(LossKind kind);

}  // namespace jet
