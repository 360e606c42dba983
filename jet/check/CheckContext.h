#pragma once
// What the parts of the structural check share: the database, the reporters of problems and
// of leftovers, the problem count, the record of which structure owns each page, and the
// windows through which long-value pages are read (a row's pieces lie near each other, and
// near the pieces of the rows before it).

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/base/Status.h"
#include "jet/check/Checker.h"
#include "jet/read/PageWindows.h"

namespace jet {

class Database;

class CheckContext {
 public:
  CheckContext(Database& db, const ProblemReporter& report, const NoteReporter& note);

  Database& db() { return db_; }
  PageWindows& long_value_pages() { return long_value_pages_; }
  size_t problems() const { return problems_; }
  // A check that only asks whether there is any problem ends once one is found: the walks
  // over many pages ask Done as they go.
  void StopAtFirst() { stop_at_first_ = true; }
  bool Done() const { return stop_at_first_ && problems_ > 0; }

  void Report(ProblemArea area, const std::string& table, std::optional<uint32_t> page,
              std::string description);
  // Reports an engine error, its page included; `what` names the object it concerns.
  void Report(ProblemArea area, const std::string& table, const Status& error, const std::string& what = "");
  // Something Access leaves behind: listed, never counted as a problem.
  void Note(Leftover kind, const std::string& table, std::optional<uint32_t> page, std::string description);

  // Records that `owner` uses `page`. The same owner may claim a page again; another owner
  // is a problem.
  void Claim(uint32_t page, const std::string& owner);
  // The same for an owner named once by OwnerNumber, for walks that claim many pages.
  void Claim(uint32_t page, uint32_t owner);
  uint32_t OwnerNumber(const std::string& owner);
  // OwnerNumber("long values of table " + table), kept for the table asked for last.
  uint32_t LongValueOwner(const std::string& table);
  // The owner that claimed `page`, or null.
  const std::string* OwnerOf(uint32_t page) const;

 private:
  Database& db_;
  const ProblemReporter& report_;
  const NoteReporter& note_;
  size_t problems_ = 0;
  bool stop_at_first_ = false;
  // Four bytes per page: the number of its owner in owner_names_ plus one, or 0.
  std::vector<uint32_t> owner_of_;
  std::vector<std::string> owner_names_;
  std::unordered_map<std::string, uint32_t> owner_numbers_;
  std::string long_value_table_;
  uint32_t long_value_owner_ = 0;
  PageWindows long_value_pages_;
};

}  // namespace jet
