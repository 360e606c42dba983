// Compacts a large generated database and prints, from one run of this program, pairs of
// timings taken in turn: the compaction (A: open, copy and its check, sync) and the
// yardstick (B: `cp` of the same file and `sync`), each pair's ratio, and the medians and
// ranges of wall-clock and CPU time and of the compaction's peak resident memory. The
// database is generated in a child process so that its memory is not counted.
//
//   compact_bench [megabytes] [3|4]   (default 900 3: inside Jet 3's 1 GB file-size limit)
//   BENCH_PAIRS=N sets the number of pairs (default 5); TMPDIR says where the files go.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchSupport.h"
#include "jet/compact/Compactor.h"
#include "tools/generator/Generator.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 900;
  const tav::GenerateOptions options = bench::HistoryOptions(megabytes, argc > 2 ? argv[2] : nullptr);
  const fs::path dir = fs::temp_directory_path() / ("compact-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  if (!bench::Generate(dir, options)) return 1;
  const fs::path source = dir / "history" / "history.mdb";
  const fs::path compacted = dir / "compacted.mdb";
  const fs::path copy = dir / "yardstick-copy.mdb";
  if (!bench::Shell("sync")) return 1;  // no timing pays for writing the source

  jet::CompactSummary summary;
  bench::Pairing pairing;
  pairing.a_name = "compaction";
  pairing.a = [&](bench::Cost& cost) {
    auto db = jet::Database::OpenPath(source.string());
    if (!db.ok()) return false;
    auto compactedSummary = jet::CompactToPath(**db, compacted.string());
    if (!compactedSummary.ok()) {
      std::fprintf(stderr, "compaction failed: %s\n", compactedSummary.status().ToString().c_str());
      return false;
    }
    summary = *compactedSummary;
    cost.peak = bench::PeakMegabytes();
    return true;
  };
  pairing.b_name = "cp + sync";
  pairing.b = [&](bench::Cost&) { return bench::Copy(source, copy); };
  pairing.prepare = [&] {
    fs::remove(compacted);
    return true;
  };
  pairing.after_b = [&] { fs::remove(copy); };

  std::printf("Jet %s, source %.1f MB\n", options.version == jet::JetVersion::kJet3 ? "3" : "4",
              fs::file_size(source) / 1048576.0);
  const bool ran = bench::RunPairs(pairing, bench::Pairs());
  if (ran)
    std::printf("compacted %.1f MB, %llu rows\n", fs::file_size(compacted) / 1048576.0,
                static_cast<unsigned long long>(summary.rows));
  fs::remove_all(dir);
  return ran ? 0 : 1;
}
