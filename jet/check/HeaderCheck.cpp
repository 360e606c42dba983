#include "jet/check/HeaderCheck.h"

#include <algorithm>

#include "jet/Database.h"
#include "jet/WriteMarker.h"
#include "jet/check/CheckContext.h"

namespace jet {
namespace {

// Windows code pages a Jet database may be written in.
bool KnownCodePage(uint16_t code_page) {
  constexpr uint16_t kKnown[] = {437, 850, 852, 866, 874, 932, 936, 949, 950, 1250, 1251,
                                 1252, 1253, 1254, 1255, 1256, 1257, 1258};
  return std::find(std::begin(kKnown), std::end(kKnown), code_page) != std::end(kKnown);
}

}  // namespace

void CheckHeader(CheckContext& ctx) {
  Database& db = ctx.db();
  auto size = db.file().Size();
  if (!size.ok()) return ctx.Report(ProblemArea::kFile, "", size.status());
  if (*size % db.page_size() != 0) {
    ctx.Report(ProblemArea::kFile, "", db.page_count(),
               "the file ends with a partial page of " + std::to_string(*size % db.page_size()) + " bytes");
  }
  const Header& h = db.header();
  if (!KnownCodePage(h.code_page)) {
    ctx.Report(ProblemArea::kHeader, "", 0u, "unknown code page " + std::to_string(h.code_page));
  }
  if (h.sort_order == 0) ctx.Report(ProblemArea::kHeader, "", 0u, "no sort order is set");
  if (HasUnfinishedWriteMarker(h.unscrambled)) {
    ctx.Report(ProblemArea::kHeader, "", 0u, "a write into this file was never finished");
  }
  ctx.Claim(0, "the header", ProblemArea::kHeader);
}

}  // namespace jet
