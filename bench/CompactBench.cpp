// Compacts a large generated Jet 3 database and prints, from one run, the time to copy the
// file with cp, the time to compact it, their ratio and the compaction's peak resident
// memory. The database is generated in a child process so that its memory is not counted.
//
//   compact_bench [megabytes] [3|4]   (default 1024 3)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchSupport.h"
#include "jet/compact/Compactor.h"
#include "tools/generator/Generator.h"

namespace {

namespace fs = std::filesystem;
using bench::Generate;
using bench::SecondsSince;

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 1024;
  tav::GenerateOptions options;
  options.generation = "TV1";
  options.version = argc > 2 && std::string(argv[2]) == "4" ? jet::JetVersion::kJet4 : jet::JetVersion::kJet3;
  // The history database holds about 6.4 kilobytes per recipient (measured: 95325
  // recipients gave 598 MB).
  options.rows = static_cast<uint64_t>(megabytes) * 1024 * 10 / 64;
  options.deleted = 0.2;
  options.seed = 11;
  const fs::path dir = fs::temp_directory_path() / ("compact-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  if (!Generate(dir, options)) return 1;
  const fs::path source = dir / "history" / "history.mdb";
  const fs::path copy = dir / "copy.mdb";
  const fs::path compacted = dir / "compacted.mdb";

  // The generator leaves much of the source still to be written to disk; flush it first so
  // that neither timing below pays for it.
  const std::string flush = "sync '" + source.string() + "'";
  if (std::system(flush.c_str()) != 0) return 1;

  auto start = std::chrono::steady_clock::now();
  const std::string cp = "cp '" + source.string() + "' '" + copy.string() + "' && sync '" + copy.string() + "'";
  if (std::system(cp.c_str()) != 0) return 1;
  const double copy_seconds = SecondsSince(start);
  fs::remove(copy);

  start = std::chrono::steady_clock::now();
  auto db = jet::Database::OpenPath(source.string());
  if (!db.ok()) return 1;
  auto summary = jet::CompactToPath(**db, compacted.string());
  const double compact_seconds = SecondsSince(start);
  if (!summary.ok()) {
    std::fprintf(stderr, "compaction failed: %s\n", summary.status().ToString().c_str());
    return 1;
  }
  std::printf("source %.1f MB, compacted %.1f MB, %llu rows\n", fs::file_size(source) / 1048576.0,
              fs::file_size(compacted) / 1048576.0, static_cast<unsigned long long>(summary->rows));
  std::printf("cp %.2f s, compaction %.2f s, ratio %.2f, peak memory %.1f MB\n", copy_seconds, compact_seconds,
              compact_seconds / copy_seconds, PeakKilobytes() / 1024.0);
  fs::remove_all(dir);
  return 0;
}
