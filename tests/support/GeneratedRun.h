#pragma once
// Test helper: the installation a whole run with the real engine works on.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/io/FileSystem.h"
#include "tests/support/ScriptedWindowServices.h"

namespace tav::testing {

// The databases of a generated version-2 installation, below its root, in processing order,
// and the password each is read with.
inline constexpr const char* kVersion2Databases[] = {"data/list.mdb", "data/helper.mdb",
                                                     "history/history.mdb", "schedule/schedule.mdb"};
inline std::string PasswordOf(const std::string& database) {
  return database == "data/list.mdb" ? "secret" : "";
}

// Generates a version-2 installation under `root` (list.mdb protected by the password
// "secret", `deleted` of the `rows` left deleted to reclaim), keeps the registry out of the
// run (no Wine prefix) and starts the run state afresh with its base path there. False when
// the generator fails.
bool PrepareVersion2Run(const std::filesystem::path& root, uint64_t rows, double deleted);

// The answers a whole version-2 run over such an installation needs, whatever happens in it:
// "TV2" at the version window, "secret" at every password dialog, Cancel to every box that
// offers more than OK.
void ScriptVersion2Run(ScriptedWindowServices& ws);

// Runs the program's whole logic with the real engine over the installation at `root`, every
// file operation through `files`, answered as ScriptVersion2Run says; the boxes it showed.
std::vector<ScriptedWindowServices::Box> RunVersion2(const std::filesystem::path& root,
                                                     jet::FileSystem& files);

}  // namespace tav::testing
