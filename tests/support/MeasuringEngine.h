#pragma once
// Test helper: the real engine, noting for every compaction the length of the database
// and of its compacted copy as the engine left them. Whole runs use it to know which
// result line each database must get (compacted only when the copy is strictly smaller)
// without guessing from the results themselves.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/dao/DaoEngine.h"

namespace tav::testing {

struct CompactedSizes {
  uintmax_t database = 0;
  uintmax_t copy = 0;
  bool Smaller() const { return copy < database; }
};

// Shared between the engine, which the run owns, and the test.
using SizeLog = std::map<std::string, CompactedSizes>;  // by the database's Windows path

// Wraps `real`; every successful compaction is noted in `log`, which must outlive it.
std::unique_ptr<DaoEngine> MeasureCompactions(std::unique_ptr<DaoEngine> real, SizeLog& log);

}  // namespace tav::testing
