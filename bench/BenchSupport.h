#pragma once
// Helpers the engine benchmarks share: wall-clock timing and generating an installation in
// a child process, so that the generator's time and memory are not counted.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tools/generator/Generator.h"

namespace bench {

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
