#pragma once
// Reads the rows of one table in storage order: the data pages named by the table's usage
// map, and on each page the live rows in slot order. A row that was moved to another page
// is read at its new place; the slot left behind holding the pointer is skipped. A row
// flagged as moved counts only when a slot of the table still points to it: Access leaves
// old versions of moved rows behind when it deletes or moves them again. The first such row
// met before its pointer makes the reader look through the table's remaining pages for
// pointers once. Each row comes as raw bytes with its location, and decodes to values with
// long values resolved.
// A reader given a window reads runs of consecutive data pages with one read of the file;
// that is for files nobody writes while the reader walks them.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/DataPage.h"
#include "jet/format/Row.h"
#include "jet/format/TableDef.h"
#include "jet/format/Value.h"
#include "jet/read/Database.h"
#include "jet/read/PageWindow.h"

namespace jet {

struct RowRecord {
  uint32_t page = 0;
  uint8_t slot = 0;
  bool moved = false;  // reached through a pointer slot elsewhere
  std::vector<uint8_t> bytes;
};

class TableReader {
 public:
  // `db` and `def` must outlive the reader. `window_pages` above 1 reads data pages through a
  // PageWindow of that many pages.
  TableReader(Database& db, const TableDef& def, uint32_t window_pages = 1)
      : db_(db), def_(def), window_(db, window_pages), windowed_(window_pages > 1) {}

  // The next live row, or nullopt at the end. Errors stop the walk.
  Result<std::optional<RowRecord>> Next();

  // Splits and decodes one row, resolving memo and OLE values. With `wanted`, only the
  // columns whose flag is set are decoded; the others stay null.
  Result<std::vector<Value>> Decode(const RowRecord& row, const std::vector<bool>* wanted = nullptr);

  // The window the data pages are read through (empty without one), for a walk of the
  // pages around them to look in, and that walk's window for this one to look in
  // (PageWindow::Consult).
  const PageWindow& window() const { return window_; }
  void Consult(const HeldPages* other) { window_.Consult(other); }

  // The data pages this table owns, as its usage map lists them.
  Result<std::vector<uint32_t>> DataPages();

  // Slots left behind by moved rows, seen so far: their row pointer -> the row pointer of
  // the row's new place. Indexes keep naming the old slot.
  const std::map<uint32_t, uint32_t>& forwards() const { return forwards_; }

  // Rows flagged as moved that no slot points to, skipped as old versions; final once Next
  // has returned nullopt.
  uint64_t old_row_versions() const { return old_row_versions_; }

 private:
  Status LoadPage(uint32_t page);
  // Notes where the pointer slots of the current page and every later page lead.
  Status FindLaterPointers();

  Database& db_;
  const TableDef& def_;
  bool started_ = false;
  std::vector<uint32_t> pages_;
  size_t page_index_ = 0;
  PageWindow window_;
  bool windowed_;
  std::vector<uint8_t> page_;         // the page read without a window
  std::span<const uint8_t> current_;  // the page being walked: page_ or inside window_
  DataPageInfo info_;
  size_t slot_ = 0;
  bool page_loaded_ = false;
  std::map<uint32_t, uint32_t> forwards_;
  std::set<uint32_t> reached_;   // where pointer slots lead
  bool pointers_found_ = false;  // every pointer slot of the table is in reached_
  uint64_t old_row_versions_ = 0;
};

// Reads every row of a table, decoded. Convenience for small tables and tests.
Result<std::vector<std::vector<Value>>> ReadAllRows(Database& db, const TableDef& def);

}  // namespace jet
