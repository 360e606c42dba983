#pragma once
// Test helper: the installation a whole run with the real engine works on.

#include <cstdint>
#include <filesystem>

namespace tav::testing {

// Generates a version-2 installation under `root` (list.mdb protected by the password
// "secret", `deleted` of the `rows` left deleted to reclaim), keeps the registry out of the
// run (no Wine prefix) and starts the run state afresh with its base path there. False when
// the generator fails.
bool PrepareVersion2Run(const std::filesystem::path& root, uint64_t rows, double deleted);

}  // namespace tav::testing
