#pragma once
// Helpers the engine benchmarks share: wall-clock timing, peak memory, the yardstick copy,
// and generating an installation in a child process, so that the generator's time and
// memory are not counted.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tools/generator/Generator.h"

namespace bench {

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Peak resident memory of this process so far, in megabytes.
inline double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// A TV1 installation whose history database is about `megabytes` large, a fifth of its rows
// left deleted; `version` is the benchmark's "3" or "4" argument.
inline tav::GenerateOptions HistoryOptions(long megabytes, const char* version) {
  tav::GenerateOptions options;
  options.generation = "TV1";
  options.version =
      version != nullptr && std::string(version) == "4" ? jet::JetVersion::kJet4 : jet::JetVersion::kJet3;
  // The history database holds about 6.4 kilobytes per recipient (measured: 95325
  // recipients gave 598 MB).
  options.rows = static_cast<uint64_t>(megabytes) * 1024 * 10 / 64;
  options.deleted = 0.2;
  options.seed = 11;
  return options;
}

// Flushes `source` to disk (so that no timing pays for writing it), then times the
// yardstick: `cp` of it beside itself and `sync` of the copy, which is removed again.
inline std::optional<double> TimeCopy(const std::filesystem::path& source) {
  const std::string flush = "sync '" + source.string() + "'";
  if (std::system(flush.c_str()) != 0) return std::nullopt;
  const std::filesystem::path copy = source.parent_path() / "yardstick-copy.mdb";
  const auto start = std::chrono::steady_clock::now();
  const std::string cp =
      "cp '" + source.string() + "' '" + copy.string() + "' && sync '" + copy.string() + "'";
  if (std::system(cp.c_str()) != 0) return std::nullopt;
  const double seconds = SecondsSince(start);
  std::filesystem::remove(copy);
  return seconds;
}

// Runs the generator in a child process; returns true when it succeeded.
inline bool Generate(const std::filesystem::path& dir, const tav::GenerateOptions& options) {
  const pid_t child = ::fork();
  if (child == 0) {
    const jet::Status status = tav::GenerateInstallation(dir.string(), options);
    if (!status.ok()) std::fprintf(stderr, "generate failed: %s\n", status.ToString().c_str());
    std::_Exit(status.ok() ? 0 : 1);
  }
  int result = 0;
  return child > 0 && ::waitpid(child, &result, 0) == child && WIFEXITED(result) && WEXITSTATUS(result) == 0;
}

}  // namespace bench
