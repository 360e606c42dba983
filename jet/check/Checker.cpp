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

namespace {

// The whole walk; when `stop_at_first`, it ends at the first problem found (the walk over a
// table's data pages stops at the page that has it).
size_t Walk(Database& db, const ProblemReporter& report, const NoteReporter& note, bool stop_at_first) {
  CheckContext ctx(db, report, note);
  if (stop_at_first) ctx.StopAtFirst();
  const auto stop = [&] { return ctx.Done(); };
  CheckHeader(ctx);
  if (stop()) return ctx.problems();
  CheckCatalog(ctx);
  if (stop()) return ctx.problems();
  if (stop_at_first) {
    // The index trees first: they are a small part of most files, and a damaged one is then
    // found without walking every row before it. The walk below checks them again, with the
    // rows; a tree claims its pages for the same owner both times.
    for (const CatalogEntry& entry : db.Tables(true)) {
      auto def = db.ReadTableDef(entry.DefinitionPage());
      if (!def.ok()) continue;  // reported below
      for (const RealIndex& index : def->real_indexes) {
        CheckIndexTree(ctx, entry.name, *def, index);
        if (stop()) return ctx.problems();
      }
    }
  }
  std::map<uint32_t, std::string> tables;
  for (const CatalogEntry& entry : db.Tables(true)) {
    auto def = db.ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) {
      ctx.Report(ProblemArea::kTableDef, entry.name, def.status().page().value_or(entry.DefinitionPage()),
                 "definition: " + def.status().description());
      if (stop()) return ctx.problems();
      continue;
    }
    tables.emplace(def->page, entry.name);
    CheckTableDef(ctx, entry.name, *def);
    if (stop()) return ctx.problems();
    const TableRows rows = CheckRows(ctx, entry.name, *def);
    if (stop()) return ctx.problems();
    for (const RealIndex& index : def->real_indexes) {
      CheckIndex(ctx, entry.name, *def, index, rows);
      if (stop()) return ctx.problems();
    }
  }
  CheckPageMap(ctx, tables);
  return ctx.problems();
}

}  // namespace

size_t CheckDatabase(Database& db, const ProblemReporter& report, const NoteReporter& note) {
  return Walk(db, report, note, false);
}

bool FindsProblem(Database& db) {
  return Walk(
             db, [](const Problem&) {}, {}, true) > 0;
}

}  // namespace jet
