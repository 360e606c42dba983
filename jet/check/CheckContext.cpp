#include "jet/check/CheckContext.h"

#include "jet/read/Database.h"

namespace jet {

CheckContext::CheckContext(Database& db, const ProblemReporter& report, const NoteReporter& note)
    : db_(db), report_(report), note_(note), long_value_pages_(db, PageWindow::Pages(db.layout())) {}

void CheckContext::Report(ProblemArea area, const std::string& table, std::optional<uint32_t> page,
                          std::string description) {
  ++problems_;
  report_(Problem{{table, page, std::move(description)}, area});
}

void CheckContext::Report(ProblemArea area, const std::string& table, const Status& error,
                          const std::string& what) {
  Report(area, table, error.page(), what.empty() ? error.description() : what + ": " + error.description());
}

void CheckContext::Note(Leftover kind, const std::string& table, std::optional<uint32_t> page,
                        std::string description) {
  if (note_) note_(jet::Note{{table, page, std::move(description)}, kind});
}

uint32_t CheckContext::OwnerNumber(const std::string& owner) {
  auto [named, added] = owner_numbers_.try_emplace(owner, static_cast<uint32_t>(owner_names_.size() + 1));
  if (added) owner_names_.push_back(owner);
  return named->second;
}

uint32_t CheckContext::LongValueOwner(const std::string& table) {
  if (long_value_owner_ == 0 || table != long_value_table_) {
    long_value_table_ = table;
    long_value_owner_ = OwnerNumber("long values of table " + table);
  }
  return long_value_owner_;
}

void CheckContext::Claim(uint32_t page, const std::string& owner) { Claim(page, OwnerNumber(owner)); }

void CheckContext::Claim(uint32_t page, uint32_t owner) {
  const std::string& name = owner_names_[owner - 1];
  if (page >= db_.page_count()) {
    Report(ProblemArea::kFile, "", page,
           name + " uses page " + std::to_string(page) + ", beyond the end of the file");
    return;
  }
  if (owner_of_.size() <= page) owner_of_.resize(db_.page_count(), 0);
  uint32_t& claimed = owner_of_[page];
  if (claimed == 0 || claimed == owner) {
    claimed = owner;
    return;
  }
  Report(ProblemArea::kOwnership, "", page,
         "page is used by both " + owner_names_[claimed - 1] + " and " + name);
}

const std::string* CheckContext::OwnerOf(uint32_t page) const {
  if (page >= owner_of_.size() || owner_of_[page] == 0) return nullptr;
  return &owner_names_[owner_of_[page] - 1];
}

}  // namespace jet
