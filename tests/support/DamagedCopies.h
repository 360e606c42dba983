#pragma once
// Test helper: turns databases of a generated installation into the cases a run meets
// in the field: a file cut short inside its last page, a long-value page zeroed (damage
// that opening the database does not see, only reading the rows does), and a file that
// was compacted already.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tav::testing {

// Cuts the file in the middle of its last page; returns that page's number (the rows on
// it and beyond are the damaged ones). Fails the running test when it cannot.
uint32_t CutInsideLastPage(const std::filesystem::path& database);

// Zeroes a page of long values (memo and OLE data) that a live row uses; returns its
// number, or 0 after failing the running test when the file has none.
uint32_t ZeroALongValuePage(const std::filesystem::path& database, const std::string& password = "");

// Replaces the file by its compacted copy, made with the engine's own compaction.
void CompactInPlace(const std::filesystem::path& database, const std::string& password = "");

}  // namespace tav::testing
