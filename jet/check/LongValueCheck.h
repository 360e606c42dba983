#pragma once
// One memo or OLE field: its length against the inline bytes, or the chain of long-value
// rows it names, each piece on a long-value page that the table then owns.

#include <cstdint>
#include <span>
#include <string>

namespace jet {

class CheckContext;

void CheckLongValue(CheckContext& ctx, const std::string& table, const std::string& column,
                    std::span<const uint8_t> field, uint32_t row_page);

}  // namespace jet
