#pragma once
// One ordered record of what the program asked of its scripted services, shared by the
// scripted window services and the scripted engine so that tests can check the order of
// window and engine calls together.

#include <string>
#include <vector>

namespace tav::testing {

class CallLog {
 public:
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::string>& Entries() const { return entries_; }
  // Entries that start with `prefix`, in order.
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : entries_)
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }

 private:
  std::vector<std::string> entries_;
};

}  // namespace tav::testing
