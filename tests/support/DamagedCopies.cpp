#include "tests/support/DamagedCopies.h"

#include <gtest/gtest.h>

#include "jet/compact/Compactor.h"
#include "jet/read/Database.h"

namespace tav::testing {

namespace fs = std::filesystem;

uint32_t CutInsideLastPage(const fs::path& database) {
  uint32_t pageSize = 0;
  uint32_t pages = 0;
  {
    auto db = jet::Database::OpenPath(database.string());
    if (!db.ok()) {
      ADD_FAILURE() << "opening " << database << ": " << db.status().ToString();
      return 0;
    }
    pageSize = (*db)->page_size();
    pages = (*db)->page_count();
  }
  const uint32_t last = pages - 1;
  fs::resize_file(database, uintmax_t{last} * pageSize + pageSize / 2);
  return last;
}

void CompactInPlace(const fs::path& database, const std::string& password) {
  const fs::path copy = fs::path(database).replace_extension(".compacted");
  {
    auto db = jet::Database::OpenPath(database.string(), {.password = password});
    if (!db.ok()) {
      ADD_FAILURE() << "opening " << database << ": " << db.status().ToString();
      return;
    }
    auto compacted = jet::CompactToPath(**db, copy.string());
    if (!compacted.ok()) {
      ADD_FAILURE() << "compacting " << database << ": " << compacted.status().ToString();
      return;
    }
  }
  fs::rename(copy, database);
}

}  // namespace tav::testing
