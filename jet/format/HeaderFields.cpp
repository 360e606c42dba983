#include "jet/format/HeaderFields.h"

#include <algorithm>
#include <cmath>

#include "jet/base/CodePages.h"
#include "jet/format/WriteMarker.h"

namespace jet {
namespace {

// Early tools that wrote Jet 3 files left the code page at 0; their text is in whatever code
// page the writing machine used, read as 1252 unless the user says otherwise.
bool UnsetCodePage(const Header& h) { return h.version == JetVersion::kJet3 && h.code_page == 0; }

}  // namespace

bool AcceptedCodePage(const Header& h) { return KnownCodePage(h.code_page) || UnsetCodePage(h); }

std::vector<std::string> HeaderFieldProblems(const Header& h) {
  std::vector<std::string> out;
  if (!AcceptedCodePage(h)) out.push_back("unknown code page " + std::to_string(h.code_page));
  if (h.sort_order == 0) out.push_back("no sort order is set");
  if (h.creation_date && !std::isfinite(*h.creation_date)) out.push_back("the creation date is not a number");
  if (HasUnfinishedWriteMarker(h.unscrambled)) out.push_back("a write into this file was never finished");
  return out;
}

}  // namespace jet
