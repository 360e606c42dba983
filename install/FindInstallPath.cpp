#include "install/FindInstallPath.h"

#include "app/RunState.h"
#include "platform/base/VbError.h"

namespace tav {

namespace {

// One shape test; a test that fails with an error finds nothing.
template <typename Test>
bool Passes(Test&& test, const std::string& path) {
  try {
    return test(path);
  } catch (const VbError&) {
    return false;
  }
}

std::string FirstGenerationCandidate(const DiscoverySources& sources) {
  std::string own = sources.appFolder();
  if (Passes(FileExists, own + "\\tavimer.exe")) return own;
  if (Passes(FileExists, own + "\\tavimerint.exe")) return own;
  std::string recorded = sources.readSetting("Tavimer", "Main", "Path");
  if (!recorded.empty()) return recorded;
  return sources.readSetting("TavimerInt", "Main", "Path");
}

}  // namespace

std::string InstallPathCandidate(bool secondGeneration, const DiscoverySources& sources) {
  if (secondGeneration) return sources.documentsFolder() + "\\" + "Tavimer2";
  return FirstGenerationCandidate(sources);
}

bool IsDataRoot(const std::string& candidate) {
  bool valid = true;
  // Every test runs, even after one has failed.
  valid &= Passes(FolderExists, candidate);
  valid &= Passes(FolderExists, candidate + "\\" + "data\\");
  valid &= Passes(FileExists, candidate + "\\" + "data\\" + "list.mdb");
  valid &= Passes(FolderExists, candidate + "\\" + "history\\");
  valid &= Passes(FileExists, candidate + "\\" + "history\\" + "history.mdb");
  return valid;
}

void FindInstallPath(bool secondGeneration, const DiscoverySources& sources) {
  std::string candidate;
  try {
    candidate = InstallPathCandidate(secondGeneration, sources);
  } catch (const VbError&) {
    candidate.clear();
  }
  Run().BasePath = !candidate.empty() && IsDataRoot(candidate) ? candidate : std::string();
}

void FindInstallPath(bool secondGeneration) { FindInstallPath(secondGeneration, DiscoverySources{}); }

}  // namespace tav
