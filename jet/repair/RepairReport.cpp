#include "jet/repair/RepairReport.h"

#include <algorithm>
#include <sstream>

namespace jet {

const char* LossKindName(LossKind kind) {
  switch (kind) {
    case LossKind::kPageSkipped:
      return "pages skipped";
    case LossKind::kRowDropped:
      return "rows dropped";
    case LossKind::kValueCut:
      return "values cut";
    case LossKind::kValueNulled:
      return "values emptied";
    case LossKind::kTableLost:
      return "tables lost";
    case LossKind::kIndexDropped:
      return "indexes dropped";
    case LossKind::kCatalogRow:
      return "catalog rows dropped";
    case LossKind::kTableRenamed:
      return "tables renamed";
    case LossKind::kHeaderRestored:
      return "header settings restored";
  }
  return "other";
}

std::string Loss::ToString() const {
  std::string out = table.empty() ? "database" : "table '" + table + "'";
  if (page) out += ", page " + std::to_string(*page);
  return out + ": " + what;
}

void RepairReport::Add(LossKind kind, std::string table, std::optional<uint32_t> page, std::string what) {
  losses.push_back(Loss{kind, std::move(table), page, std::move(what)});
}

size_t RepairReport::Count(LossKind kind) const {
  return static_cast<size_t>(std::ranges::count_if(losses, [kind](const Loss& l) { return l.kind == kind; }));
}

std::string RepairReport::ToString() const {
  std::ostringstream out;
  if (!repaired) {
    out << "the database is sound; nothing was repaired\n";
    return out.str();
  }
  for (const Loss& loss : losses) out << loss.ToString() << "\n";
  out << "repaired: " << tables << " tables, " << rows << " rows written\n";
  for (LossKind kind : {LossKind::kTableLost, LossKind::kIndexDropped, LossKind::kCatalogRow,
                        LossKind::kTableRenamed, LossKind::kPageSkipped, LossKind::kRowDropped,
                        LossKind::kValueCut, LossKind::kValueNulled, LossKind::kHeaderRestored}) {
    out << LossKindName(kind) << ": " << Count(kind) << "\n";
  }
  out << "rows found only by scanning (their table's page map is damaged): " << rows_found_by_scanning
      << "\n";
  if (!unsynced.empty()) out << "warning: " << unsynced << "\n";
  return out.str();
}

}  // namespace jet
