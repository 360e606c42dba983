#pragma once
// The file as a whole and its header page: a whole number of pages, the fields Access always
// sets, and the unfinished-write marker.

namespace jet {

class CheckContext;

void CheckHeader(CheckContext& ctx);

}  // namespace jet
