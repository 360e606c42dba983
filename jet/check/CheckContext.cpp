#include "jet/check/CheckContext.h"

#include "jet/Database.h"

namespace jet {

void CheckContext::Report(ProblemArea area, const std::string& table, std::optional<uint32_t> page,
                          std::string description) {
  ++problems_;
  report_(Problem{{table, page, std::move(description)}, area});
}

void CheckContext::Report(ProblemArea area, const std::string& table, const Status& error, const std::string& what) {
  Report(area, table, error.page(), what.empty() ? error.description() : what + ": " + error.description());
}

void CheckContext::Note(Leftover kind, const std::string& table, std::optional<uint32_t> page,
                        std::string description) {
  if (note_) note_(jet::Note{{table, page, std::move(description)}, kind});
}

void CheckContext::Claim(uint32_t page, const std::string& owner) {
  if (page >= db_.page_count()) {
    Report(ProblemArea::kFile, "", page, owner + " uses page " + std::to_string(page) + ", beyond the end of the file");
    return;
  }
  auto [it, added] = owners_.emplace(page, owner);
  if (added || it->second == owner) return;
  Report(ProblemArea::kOwnership, "", page, "page is used by both " + it->second + " and " + owner);
}

}  // namespace jet
