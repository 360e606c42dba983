#include "jet/check/CatalogCheck.h"

#include <set>
#include <utility>

#include "jet/check/CheckContext.h"
#include "jet/read/Database.h"

namespace jet {

void CheckCatalog(CheckContext& ctx) {
  std::set<std::pair<uint32_t, std::string>> names;
  for (const CatalogEntry& e : ctx.db().Tables(true)) {
    if (e.name.empty()) {
      ctx.Report(ProblemArea::kCatalog, "", e.DefinitionPage(), "a catalog row of a table has no name");
    } else if (!names.insert({e.parent_id, e.name}).second) {
      ctx.Report(ProblemArea::kCatalog, e.name, e.DefinitionPage(), "two catalog rows name this table");
    }
  }
}

}  // namespace jet
