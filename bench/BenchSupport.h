#pragma once
// Helpers the engine benchmarks share: timing a step against its yardstick in pairs, A and B
// alternating, with wall-clock and CPU time and peak memory; the yardstick copy; and
// generating an installation in a child process, so that the generator's time and memory
// are not counted.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Runs a shell command; true when it exited with 0.
inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// What one timed step cost: wall-clock seconds, CPU seconds (user + system, of this process
// and of the children it waited for meanwhile) and the peak resident memory in megabytes of
// the process that did the work (0 when the step does not say).
struct Cost {
  double wall = 0;
  double cpu = 0;
  double peak = 0;
};

inline double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Times `step` (which returns false on failure); `peak` is filled in by the step if it knows.
inline std::optional<Cost> Measure(const std::function<bool(Cost&)>& step) {
  Cost cost;
  const double cpu = CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN);
  const auto start = std::chrono::steady_clock::now();
  if (!step(cost)) return std::nullopt;
  cost.wall = SecondsSince(start);
  cost.cpu = CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN) - cpu;
  return cost;
}

// The yardstick: `cp` (with -r for a folder) of `source` to `copy` and `sync` of the file
// system, after which the copy is removed again (not timed).
inline bool Copy(const std::filesystem::path& source, const std::filesystem::path& copy) {
  return Shell("cp -r " + Quoted(source) + " " + Quoted(copy) + " && sync");
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline void PrintRow(const char* what, const std::vector<double>& values, const char* unit) {
  std::printf("  %-22s median %8.3f%s  min %8.3f%s  max %8.3f%s\n", what, Median(values), unit,
              *std::min_element(values.begin(), values.end()), unit,
              *std::max_element(values.begin(), values.end()), unit);
}

// A step and its yardstick, timed in `pairs` pairs, A then B, with `prepare` (not timed)
// before each A; prints every pair and then the medians and ranges of A, B and A/B.
// False when any step failed.
struct Pairing {
  std::string a_name;
  std::function<bool(Cost&)> a;
  std::string b_name;
  std::function<bool(Cost&)> b;
  std::function<bool()> prepare = [] { return true; };
  std::function<void()> after_b = [] {};  // cleans up after the yardstick, not timed
};

inline bool RunPairs(const Pairing& pairing, int pairs) {
  std::vector<double> a_wall, b_wall, a_cpu, b_cpu, wall_ratio, cpu_ratio, peak;
  std::printf("pairs of runs, %s (A) then %s (B):\n", pairing.a_name.c_str(), pairing.b_name.c_str());
  for (int i = 0; i < pairs; ++i) {
    if (!pairing.prepare()) return false;
    const std::optional<Cost> a = Measure(pairing.a);
    if (!a) return false;
    const std::optional<Cost> b = Measure(pairing.b);
    pairing.after_b();
    if (!b) return false;
    std::printf("  pair %d: A %.3f s (cpu %.3f s, peak %.1f MB)  B %.3f s (cpu %.3f s)  A/B %.2f\n", i + 1,
                a->wall, a->cpu, a->peak, b->wall, b->cpu, a->wall / b->wall);
    std::fflush(stdout);
    a_wall.push_back(a->wall);
    b_wall.push_back(b->wall);
    a_cpu.push_back(a->cpu);
    b_cpu.push_back(b->cpu);
    wall_ratio.push_back(a->wall / b->wall);
    cpu_ratio.push_back(b->cpu > 0 ? a->cpu / b->cpu : 0);
    peak.push_back(a->peak);
  }
  std::printf("over %d pairs:\n", pairs);
  PrintRow("A wall", a_wall, " s");
  PrintRow("B wall", b_wall, " s");
  PrintRow("A cpu (user+sys)", a_cpu, " s");
  PrintRow("B cpu (user+sys)", b_cpu, " s");
  PrintRow("ratio A/B wall", wall_ratio, "  ");
  PrintRow("ratio A/B cpu", cpu_ratio, "  ");
  PrintRow("A peak memory", peak, " MB");
  return true;
}

// The number of pairs: the environment's BENCH_PAIRS, 5 when unset (at least 1).
inline int Pairs() {
  const char* value = std::getenv("BENCH_PAIRS");
  const int pairs = value == nullptr ? 5 : std::atoi(value);
  return std::max(pairs, 1);
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
