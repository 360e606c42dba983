#include "jet/check/LongValueCheck.h"

#include <set>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/read/Database.h"
#include "jet/read/LongValue.h"
#include "jet/check/CheckContext.h"

namespace jet {
namespace {

class LongValueWalk {
 public:
  LongValueWalk(CheckContext& ctx, const std::string& table, const std::string& column, uint32_t row_page)
      : ctx_(ctx), table_(table), what_("long value of column '" + column + "'"), row_page_(row_page) {}

  void Run(std::span<const uint8_t> field) {
    if (field.size() < kLongValueHeaderSize) return Fail(row_page_, "field is shorter than its header");
    const uint32_t head = *GetU32(field, 0);
    const uint32_t length = head & kLongValueLengthMask;
    const uint32_t pointer = *GetU32(field, 4);
    if (head & kLongValueInline) {
      if (field.size() - kLongValueHeaderSize < length) Fail(row_page_, "inline value runs past its row");
      return;
    }
    if (head & kLongValueSinglePage) {
      auto row = Piece(pointer);
      if (row && row->size() < length) Fail(PointerPage(pointer), "the value is shorter than its length");
      return;
    }
    Chain(pointer, length);
  }

 private:
  void Chain(uint32_t pointer, uint32_t length) {
    std::set<uint32_t> seen;
    uint64_t read = 0;
    while (read < length) {
      if (pointer == 0) return Fail(row_page_, "chain ends after " + std::to_string(read) + " of " +
                                                   std::to_string(length) + " bytes");
      if (!seen.insert(pointer).second) return Fail(PointerPage(pointer), "chain loops");
      auto row = Piece(pointer);
      if (!row) return;
      if (row->size() < 4) return Fail(PointerPage(pointer), "chain piece is too short");
      pointer = *GetU32(*row, 0);
      read += row->size() - 4;
    }
  }

  // Reads one piece and claims its page for the table.
  std::optional<std::vector<uint8_t>> Piece(uint32_t pointer) {
    const uint32_t page = PointerPage(pointer);
    auto row = ReadRowAt(ctx_.db(), pointer);
    if (!row.ok()) {
      Fail(row.status().page().value_or(page), row.status().description());
      return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    if (ctx_.db().ReadPage(page, bytes).ok() &&
        *GetU32(bytes, ctx_.db().layout().data_owner) != kLongValueOwner) {
      Fail(page, "piece lies on a page that is not a long-value page");
    }
    ctx_.Claim(page, "long values of table " + table_);
    return std::move(row).value();
  }

  void Fail(uint32_t page, const std::string& text) {
    ctx_.Report(ProblemArea::kLongValue, table_, page, what_ + " in a row on page " + std::to_string(row_page_) + ": " + text);
  }

  CheckContext& ctx_;
  const std::string& table_;
  std::string what_;
  uint32_t row_page_;
};

}  // namespace

void CheckLongValue(CheckContext& ctx, const std::string& table, const std::string& column,
                    std::span<const uint8_t> field, uint32_t row_page) {
  LongValueWalk(ctx, table, column, row_page).Run(field);
}

}  // namespace jet
