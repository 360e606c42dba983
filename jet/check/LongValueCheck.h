#pragma once
// One memo or OLE field: its length against the inline bytes, or the chain of long-value
// rows it names, each piece on a long-value page that the table then owns.

#include <cstdint>
#include <span>
#include <string>

namespace jet {

class CheckContext;

// A catalog row's property value (`property`) that cannot be read is a leftover
// (Leftover::kLostPropertyValue), noted; any other is a problem.
void CheckLongValue(CheckContext& ctx, const std::string& table, const std::string& column,
                    std::span<const uint8_t> field, uint32_t row_page, bool property = false);

}  // namespace jet
