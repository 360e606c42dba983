#include "jet/check/HeaderCheck.h"

#include "jet/check/CheckContext.h"
#include "jet/format/HeaderFields.h"
#include "jet/read/Database.h"

namespace jet {

void CheckHeader(CheckContext& ctx) {
  Database& db = ctx.db();
  auto size = db.file().Size();
  if (!size.ok()) return ctx.Report(ProblemArea::kFile, "", size.status());
  if (*size % db.page_size() != 0) {
    ctx.Report(ProblemArea::kFile, "", db.page_count(),
               "the file ends with a partial page of " + std::to_string(*size % db.page_size()) + " bytes");
  }
  for (std::string& problem : HeaderFieldProblems(db.header()))
    ctx.Report(ProblemArea::kHeader, "", 0u, std::move(problem));
  ctx.Claim(0, "the header");
}

}  // namespace jet
