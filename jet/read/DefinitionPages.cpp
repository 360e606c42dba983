#include "jet/read/DefinitionPages.h"

#include <algorithm>

#include "jet/base/Bytes.h"

namespace jet {

JoinedDefinition JoinDefinitionPages(PageSource& source, uint32_t first) {
  const Layout& l = source.layout();
  JoinedDefinition out;
  std::vector<uint8_t> page;
  for (uint32_t next = first; next != 0;) {
    if (std::ranges::find(out.pages, next) != out.pages.end()) {
      out.broken = CorruptError("table definition pages form a loop").AtPage(next);
      break;
    }
    if (Status read = source.ReadPage(next, page); !read.ok()) {
      out.broken = read.page() ? read : read.AtPage(next);
      break;
    }
    if (page.size() != l.page_size || page[0] != kPageTableDef) {
      out.broken = CorruptError("expected a table definition page").AtPage(next);
      break;
    }
    const size_t skip = out.pages.empty() ? 0 : l.tdef_continuation_header;
    out.bytes.insert(out.bytes.end(), page.begin() + static_cast<std::ptrdiff_t>(skip), page.end());
    out.pages.push_back(next);
    next = *GetU32(page, l.tdef_next_page);
  }
  return out;
}

Result<std::vector<uint8_t>> ReadDefinitionBytes(PageSource& source, const TableDef& def) {
  JoinedDefinition joined = JoinDefinitionPages(source, def.page);
  if (!joined.broken.ok()) return joined.broken;
  if (joined.pages != def.pages)
    return CorruptError("the table definition's pages have changed").AtPage(def.page);
  return std::move(joined.bytes);
}

}  // namespace jet
