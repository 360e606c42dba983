#include "jet/check/LongValueCheck.h"

#include "jet/base/Bytes.h"
#include "jet/check/CheckContext.h"
#include "jet/format/DataPage.h"
#include "jet/format/LongValueChain.h"
#include "jet/read/Database.h"
#include "jet/read/PageWindow.h"

namespace jet {

void CheckLongValue(CheckContext& ctx, const std::string& table, const std::string& column,
                    std::span<const uint8_t> field, uint32_t row_page, bool property) {
  const auto what = [&] {
    return "long value of column '" + column + "' in a row on page " + std::to_string(row_page) + ": ";
  };
  const auto fail = [&](uint32_t page, const std::string& text) {
    ctx.Report(ProblemArea::kLongValue, table, page, what() + text);
  };
  const uint32_t owner = ctx.LongValueOwner(table);
  // Each piece that can be read claims its page for the table; one on a page that is not a
  // long-value page is reported and the walk goes on.
  const auto fetch = [&](uint32_t pointer) -> Result<std::span<const uint8_t>> {
    const uint32_t page = PointerPage(pointer);
    JET_ASSIGN_OR_RETURN(const std::span<const uint8_t> bytes, ctx.long_value_pages().Page(page));
    auto slot = LocateRow(bytes, bytes.size(), ctx.db().layout(), PointerRow(pointer));
    if (!slot.ok()) return slot.status().AtPage(page);
    if (*GetU32(bytes, ctx.db().layout().data_owner) != kLongValueOwner) {
      fail(page, "piece lies on a page that is not a long-value page");
    }
    ctx.Claim(page, owner);
    // Valid until the next page is asked for, as the walk needs it.
    return bytes.subspan(slot->start, slot->end - slot->start);
  };
  const Status walked = WalkLongValue(field, fetch, [](const LongValuePiece&) { return Status::Ok(); });
  if (walked.ok()) return;
  if (property) {
    ctx.Note(Leftover::kLostPropertyValue, table, walked.page().value_or(row_page),
             what() + walked.description() + " (a lost object property, which Access passes over)");
    return;
  }
  fail(walked.page().value_or(row_page), walked.description());
}

}  // namespace jet
