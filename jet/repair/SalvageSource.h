#pragma once
// Read access to a damaged database for its repair. Nothing here trusts the file's maps:
// one pass over every page sorts data pages by the table that owns them and notes pages of
// unknown type, reported when a table's map lists them. A file cut short keeps its partial last page;
// ReadPresent says how many of the page's bytes really exist, so rows in the missing part are not taken for
// zeros. As a PageSource it hands out whole pages only: a cut page reads as damaged there.
// Pages are read a window at a time (ReadAhead), so the scan and the walks of the salvage
// cost a read per window, not per page.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "jet/format/TableDef.h"
#include "jet/io/File.h"
#include "jet/read/PageSource.h"
#include "jet/repair/ReadAhead.h"
#include "jet/repair/RepairReport.h"
#include "jet/repair/SalvageHeader.h"

namespace jet {

class SalvageSource : public PageSource {
 public:
  // Reads the header (restoring it where damaged) and scans the pages. Errors as
  // SalvageHeader, plus kIo.
  static Result<std::unique_ptr<SalvageSource>> Open(File& file, RepairReport& report);

  const SalvagedHeader& salvaged_header() const { return header_; }
  const Header& header() const { return header_.header; }
  const Layout& layout() const override { return *layout_; }
  // Pages in the file, a partial last page included.
  uint32_t page_count() const override { return page_count_; }

  // Reads page `number`, decrypted, into `out` (always a whole page; the missing part of a
  // cut page is zeros). Returns the number of bytes the file really holds for it.
  Result<size_t> ReadPresent(uint32_t number, std::vector<uint8_t>& out);
  Status ReadPage(uint32_t number, std::vector<uint8_t>& out) override;
  Status ReadPages(uint32_t first, uint32_t count, std::span<uint8_t> out) override;

  // The data pages whose rows table `def` holds, ascending, decided from the table's own
  // records first (docs/jet-repair.md, "Which rows are live"):
  //   - while its map reads, the pages it lists that name the table as owner, and nothing
  //     else: a page the map no longer lists keeps rows Access deleted. A map that reads but
  //     lists none of the pages that name the table is taken as it is when the table's other
  //     records agree that it is empty (a sound index tree that lists no row, or, without
  //     one, a row count of 0), and as damaged otherwise;
  //   - only when the map is damaged, the pages found by scanning: those that name the table
  //     as owner, that page 1 does not mark free and, when one of the table's index trees
  //     that lists every row reads and names only such pages, that this tree names.
  // Errors: kIo. A page the map lists that names the table but has another page type, or
  // that has no known type, is reported.
  struct TablePages {
    std::vector<uint32_t> pages;
    bool scanned = false;  // the map is damaged: the pages were found by scanning
  };
  Result<TablePages> PagesOfTable(const TableDef& def, RepairReport& report);

  // The first read of the file that failed (kIo), or Ok: salvage passes over what it cannot
  // read as damage, and the repair then fails with this instead.
  const Status& read_error() const { return read_error_; }

  // The data pages whose owner field names the definition page `owner`, ascending.
  const std::vector<uint32_t>& DataPagesOf(uint32_t owner) const;
  // Table definition pages that no other definition page continues onto, ascending.
  std::vector<uint32_t> DefinitionStarts() const;

 private:
  SalvageSource(File& file, SalvagedHeader header, uint64_t size);
  Status ScanPages();
  Status Whole(uint32_t number, size_t present) const;
  // Page `number` decrypted into `out` (one page), zeros past what the file holds of it;
  // returns how much it holds.
  Result<size_t> CopyPage(uint32_t number, std::span<uint8_t> out);
  // The bytes the file holds of page `number`, as stored (none for page 0, kept apart, or
  // past the end), valid until the next read. A failed read is kept as read_error().
  Result<std::span<const uint8_t>> Stored(uint32_t number);
  void ReadFreePages();
  std::optional<std::vector<uint32_t>> IndexedPages(const TableDef& def, const std::vector<uint32_t>& owned);

  File& file_;
  ReadAhead reads_;
  SalvagedHeader header_;
  const Layout* layout_;
  uint64_t size_;
  uint32_t page_count_;
  std::map<uint32_t, std::vector<uint32_t>> data_pages_;
  std::vector<uint32_t> definition_pages_;
  std::set<uint32_t> continuations_;
  std::vector<uint32_t> free_pages_;  // ascending
  Status read_error_;
  std::map<uint32_t, std::vector<uint32_t>> wrong_type_;  // by owner: pages of another type naming it
  std::vector<uint32_t> unknown_type_;                    // ascending
};

}  // namespace jet
