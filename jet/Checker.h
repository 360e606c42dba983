#pragma once
// Structural check of an open database. Every problem found goes to the reporter; the check
// does not stop at the first one. What it covers is listed in docs/jet-format.md.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "jet/Status.h"

namespace jet {

class Database;

struct Problem {
  std::string table;  // empty for database-wide problems
  std::optional<uint32_t> page;
  std::string description;

  std::string ToString() const;
};

using ProblemReporter = std::function<void(const Problem&)>;

// Walks the catalog, every table definition, every row (long values included), the usage
// maps and the index trees. Returns the number of problems reported.
size_t CheckDatabase(Database& db, const ProblemReporter& report);

}  // namespace jet
