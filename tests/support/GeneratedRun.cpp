#include "tests/support/GeneratedRun.h"

#include <cstdlib>

#include "app/RunState.h"
#include "platform/host/WinPath.h"
#include "tools/generator/Generator.h"

namespace tav::testing {

bool PrepareVersion2Run(const std::filesystem::path& root, uint64_t rows, double deleted) {
  ::setenv("WINEPREFIX", "/nonexistent-wine-prefix-for-tests", 1);
  GenerateOptions options;
  options.generation = "TV2";
  options.rows = rows;
  options.deleted = deleted;
  options.password = "secret";
  if (!GenerateInstallation(root.string(), options).ok()) return false;
  tav::Run() = RunState{};
  tav::Run().BasePath = WindowsPath(root);
  return true;
}

}  // namespace tav::testing
