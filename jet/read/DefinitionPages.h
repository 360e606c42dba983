#pragma once
// A table definition spans a chain of pages: the first holds the definition's start, each
// names the next in its header, and a continuation page's own header is not part of the
// definition. This joins the chain into one run of bytes.

#include <cstdint>
#include <vector>

#include "jet/base/Status.h"
#include "jet/format/TableDef.h"
#include "jet/read/PageSource.h"

namespace jet {

struct JoinedDefinition {
  std::vector<uint8_t> bytes;   // the first page whole, then each continuation without its header
  std::vector<uint32_t> pages;  // the pages joined, in chain order
  // Ok when the chain ended with a next page of 0. Otherwise why it stopped, at the page
  // where it did: kCorrupt for a page that is not a table definition page, one the chain
  // passed already (a loop), or the source's own error for a page it cannot hand out whole
  // (beyond its end, or cut short); kIo as the source gives it. `bytes` and `pages`
  // then hold what came before that page.
  Status broken;
};

// Follows the chain from `first`. Reads each page once; memory: the definition's bytes.
JoinedDefinition JoinDefinitionPages(PageSource& source, uint32_t first);

// The bytes of `def`, read again from the pages it was read from. kCorrupt when the chain
// is broken or no longer leads over the same pages; kIo as the source gives it.
Result<std::vector<uint8_t>> ReadDefinitionBytes(PageSource& source, const TableDef& def);

}  // namespace jet
