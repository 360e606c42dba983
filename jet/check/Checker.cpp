#include "jet/check/Checker.h"

#include <map>

#include "jet/check/CatalogCheck.h"
#include "jet/check/CheckContext.h"
#include "jet/check/HeaderCheck.h"
#include "jet/check/IndexCheck.h"
#include "jet/check/PageMapCheck.h"
#include "jet/check/RowCheck.h"
#include "jet/check/TableDefCheck.h"
#include "jet/read/Database.h"

namespace jet {

std::string Finding::ToString() const {
  std::string out;
  if (!table.empty()) out += "table " + table + ": ";
  out += description;
  if (page) out += " (page " + std::to_string(*page) + ")";
  return out;
}

size_t CheckDatabase(Database& db, const ProblemReporter& report, const NoteReporter& note) {
  CheckContext ctx(db, report, note);
  CheckHeader(ctx);
  CheckCatalog(ctx);
  std::map<uint32_t, std::string> tables;
  for (const CatalogEntry& entry : db.Tables(true)) {
    auto def = db.ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) {
      ctx.Report(ProblemArea::kTableDef, entry.name, def.status().page().value_or(entry.DefinitionPage()),
                 "definition: " + def.status().description());
      continue;
    }
    tables.emplace(def->page, entry.name);
    CheckTableDef(ctx, entry.name, *def);
    const TableRows rows = CheckRows(ctx, entry.name, *def);
    for (const RealIndex& index : def->real_indexes) CheckIndex(ctx, entry.name, *def, index, rows);
  }
  CheckPageMap(ctx, tables);
  return ctx.problems();
}

}  // namespace jet
