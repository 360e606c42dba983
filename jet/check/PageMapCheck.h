#pragma once
// The last step of the check: the database's free-page map (page 1) against what every
// structure was found to own. A page must be used by exactly one structure or marked free;
// a page that is both, or neither, is a problem.

#include <cstdint>
#include <map>
#include <string>

namespace jet {

class CheckContext;

// `tables`: definition page -> table name, to name the table a stray data page belongs to.
void CheckPageMap(CheckContext& ctx, const std::map<uint32_t, std::string>& tables);

}  // namespace jet
