#pragma once
// Fields of the header page that every database Access writes has set, so that garbage in them
// means a damaged header region. Shared by the open and the structural check.

#include <string>
#include <vector>

#include "jet/format/Header.h"

namespace jet {

// Whether the header's code page is one Access writes (Jet 3 files may leave it unset).
bool AcceptedCodePage(const Header& header);

// One description per field that cannot be right; empty for a sound header.
std::vector<std::string> HeaderFieldProblems(const Header& header);

}  // namespace jet
