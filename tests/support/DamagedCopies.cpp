#include "tests/support/DamagedCopies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "jet/base/Bytes.h"
#include "jet/check/Checker.h"
#include "jet/compact/Compactor.h"
#include "jet/format/Format.h"
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

uint32_t ZeroALongValuePage(const fs::path& database, const std::string& password) {
  uint32_t pageSize = 0;
  std::vector<uint32_t> candidates;
  {
    auto db = jet::Database::OpenPath(database.string(), {.password = password});
    if (!db.ok()) {
      ADD_FAILURE() << "opening " << database << ": " << db.status().ToString();
      return 0;
    }
    pageSize = (*db)->page_size();
    const size_t owner = (*db)->layout().data_owner;
    std::vector<uint8_t> page;
    for (uint32_t number = 1; number < (*db)->page_count(); ++number) {
      if (!(*db)->ReadPage(number, page).ok()) continue;
      if (page[0] == jet::kPageData && jet::GetU32(page, owner).value_or(0) == jet::kLongValueOwner)
        candidates.push_back(number);
    }
  }
  // Pages that only deleted rows used are no damage: the first page, from the middle on,
  // whose loss the check reports is the one.
  std::rotate(candidates.begin(), candidates.begin() + candidates.size() / 2, candidates.end());
  const std::vector<char> zeros(pageSize, 0);
  std::vector<char> kept(pageSize);
  for (uint32_t number : candidates) {
    std::fstream file(database, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(std::streamoff{number} * pageSize);
    file.read(kept.data(), static_cast<std::streamsize>(kept.size()));
    file.seekp(std::streamoff{number} * pageSize);
    file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    file.close();
    bool damaged = false;
    {
      auto db = jet::Database::OpenPath(database.string(), {.password = password});
      damaged = !db.ok();
      if (db.ok()) jet::CheckDatabase(**db, [&](const jet::Problem&) { damaged = true; });
    }
    if (damaged) return number;
    std::fstream restore(database, std::ios::in | std::ios::out | std::ios::binary);
    restore.seekp(std::streamoff{number} * pageSize);
    restore.write(kept.data(), static_cast<std::streamsize>(kept.size()));
  }
  ADD_FAILURE() << database << " holds no long-value page that a live row uses";
  return 0;
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
