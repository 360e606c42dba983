#pragma once
// The catalog against itself: two tables of one name.

namespace jet {

class CheckContext;

void CheckCatalog(CheckContext& ctx);

}  // namespace jet
