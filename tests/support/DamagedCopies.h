#pragma once
// Test helper: turns databases of a generated installation into the cases a run meets
// in the field: a file cut short inside its last page, and a file that was compacted
// already.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tav::testing {

// Cuts the file in the middle of its last page; returns that page's number (the rows on
// it and beyond are the damaged ones). Fails the running test when it cannot.
uint32_t CutInsideLastPage(const std::filesystem::path& database);

// Replaces the file by its compacted copy, made with the engine's own compaction.
void CompactInPlace(const std::filesystem::path& database, const std::string& password = "");

}  // namespace tav::testing
