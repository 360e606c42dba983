#pragma once
// The check a compacted copy passes before anyone may use it: what the writer says it put
// into each table (its rows and the data pages holding them) against what the new file's
// catalog, table definitions and usage maps say. It reads only the catalog, each table's
// definition and usage maps and the head of its first and last data page, never the rows,
// so its cost does not grow with the size of the tables: the rows themselves were checked
// as they were copied.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jet/base/Status.h"
#include "jet/io/FileSystem.h"

namespace jet {

// What the writer put into one table of the new file.
struct CopiedTable {
  uint64_t rows = 0;
  uint32_t data_pages = 0;
  uint64_t page_digest = 0;  // PageSetDigest of the data pages
  uint32_t first_page = 0;   // the first and last data page, 0 when there is none
  uint32_t last_page = 0;
};

// A digest of a set of page numbers that does not depend on their order.
uint64_t PageSetDigest(const std::vector<uint32_t>& pages);

// What the writer put into a table: `rows` on `data_pages`, in the order it filled them.
CopiedTable DescribeCopiedTable(uint64_t rows, const std::vector<uint32_t>& data_pages);

// Opens `path` through `fs` and compares its catalog, definitions and usage maps with
// `copied`. kCorrupt naming the table when they differ; kIo when a read fails.
Status CheckCopyReadsBack(FileSystem& fs, const std::string& path, const std::string& password,
                          const std::map<std::string, CopiedTable>& copied);

}  // namespace jet
