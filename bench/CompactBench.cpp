// Compacts a large generated Jet 3 database and prints, from one run, the time to copy the
// file with cp, the time to compact it, their ratio and the compaction's peak resident
// memory. The database is generated in a child process so that its memory is not counted.
//
//   compact_bench [megabytes] [3|4]   (default 900 3: inside Jet 3's 1 GB file-size limit)

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

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 900;
  const tav::GenerateOptions options = bench::HistoryOptions(megabytes, argc > 2 ? argv[2] : nullptr);
  const fs::path dir = fs::temp_directory_path() / ("compact-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  if (!Generate(dir, options)) return 1;
  const fs::path source = dir / "history" / "history.mdb";
  const fs::path compacted = dir / "compacted.mdb";

  const std::optional<double> copy_seconds = bench::TimeCopy(source);
  if (!copy_seconds) return 1;

  const auto start = std::chrono::steady_clock::now();
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
  std::printf("cp %.2f s, compaction %.2f s, ratio %.2f, peak memory %.1f MB\n", *copy_seconds,
              compact_seconds, compact_seconds / *copy_seconds, bench::PeakMegabytes());
  fs::remove_all(dir);
  return 0;
}
