// Reading side of the engine, from one run:
//  1. opening a database reads a bounded number of pages whatever its size: TV1 history
//     databases of about 1, 16 and 128 MB (or the sizes given) are opened through a file
//     that counts its reads, and the pages read by each open are printed;
//  2. how fast `jettool export` writes the History table of the largest database, against
//     `mdb-export -T "%Y-%m-%d %H:%M:%S" -b hex` on the same file; both outputs go to files
//     and are compared byte for byte.
// The databases are generated in child processes, so that the generator's memory and time
// are not counted.
//
//   read_bench [3|4] [megabytes...]   (default 3 1 16 128)

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "jet/io/File.h"
#include "jet/read/Database.h"
#include "tools/generator/Generator.h"

namespace {

namespace fs = std::filesystem;
using bench::Generate;
using bench::SecondsSince;

// A TV1 installation whose history database is about `megabytes` large.
bool GenerateHistory(const fs::path& dir, long megabytes, jet::JetVersion version) {
  tav::GenerateOptions options;
  options.generation = "TV1";
  options.version = version;
  // About 6.4 kilobytes of history database per recipient.
  options.rows = static_cast<uint64_t>(megabytes) * 1024 * 10 / 64;
  options.deleted = 0.05;
  options.seed = 13;
  return Generate(dir, options);
}

// Opens `path` through a counting file; prints the pages the open read.
bool ReportOpen(const fs::path& path) {
  auto file = jet::PosixFileSystem().Open(path.string(), jet::OpenMode::kReadOnly);
  if (!file.ok()) return false;
  auto counting = std::make_unique<jet::CountingFile>(std::move(file).value());
  jet::CountingFile* counter = counting.get();
  auto db = jet::Database::Open(std::move(counting));
  if (!db.ok()) {
    std::fprintf(stderr, "open failed: %s\n", db.status().ToString().c_str());
    return false;
  }
  const uint32_t page_size = (*db)->page_size();
  std::printf("%8.1f MB %8u pages: open made %llu reads, %llu bytes = %.1f pages\n",
              fs::file_size(path) / 1048576.0, (*db)->page_count(),
              static_cast<unsigned long long>(counter->reads()),
              static_cast<unsigned long long>(counter->bytes_read()),
              static_cast<double>(counter->bytes_read()) / page_size);
  return true;
}

// Runs a shell command `runs` times; returns the best wall time, or a negative value when
// it failed.
double BestTime(const std::string& command, int runs) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    const double seconds = SecondsSince(start);
    if (best < 0 || seconds < best) best = seconds;
  }
  return best;
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

bool CompareExports(const fs::path& database, const fs::path& work) {
  const fs::path ours = work / "jettool.csv";
  const fs::path theirs = work / "mdb-export.csv";
  const std::string table = " History > ";
  const double jettool =
      BestTime(std::string(JETTOOL_PATH) + " export " + Quote(database) + table + Quote(ours), 2);
  const double mdb_export =
      BestTime("mdb-export -T '%Y-%m-%d %H:%M:%S' -b hex " + Quote(database) + table + Quote(theirs), 2);
  if (jettool < 0 || mdb_export < 0) {
    std::fprintf(stderr, "an export failed\n");
    return false;
  }
  const bool same = std::system(("cmp -s " + Quote(ours) + " " + Quote(theirs)).c_str()) == 0;
  std::printf(
      "export of History (%.1f MB of CSV): jettool %.2f s, mdb-export %.2f s, ratio %.2f; outputs %s\n",
      fs::file_size(ours) / 1048576.0, jettool, mdb_export, jettool / mdb_export,
      same ? "identical" : "DIFFER");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const jet::JetVersion version =
      argc > 1 && std::string(argv[1]) == "4" ? jet::JetVersion::kJet4 : jet::JetVersion::kJet3;
  std::vector<long> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {1, 16, 128};
  const fs::path work = fs::temp_directory_path() / ("read-bench-" + std::to_string(::getpid()));
  fs::remove_all(work);
  std::printf("Jet %d TV1 history databases\n", version == jet::JetVersion::kJet3 ? 3 : 4);
  fs::path largest;
  for (long megabytes : sizes) {
    const fs::path dir = work / std::to_string(megabytes);
    if (!GenerateHistory(dir, megabytes, version)) return 1;
    largest = dir / "history" / "history.mdb";
    if (!ReportOpen(largest)) return 1;
  }
  // Warm the page cache so that both exporters read the same way.
  if (std::system(("cat " + Quote(largest) + " > /dev/null").c_str()) != 0) return 1;
  const bool ok = CompareExports(largest, work);
  fs::remove_all(work);
  return ok ? 0 : 1;
}
