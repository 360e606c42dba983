// Repairs a large generated database that has been damaged, and prints, from one run, the
// time to copy the file with cp, the time to repair it, their ratio and the repair's peak
// resident memory. The database is generated in a child process so that its memory is not
// counted. The damage: one data page and one index leaf in the middle of the file zeroed,
// and the last page cut in half, so the open refuses the file, the repair has to rebuild it,
// and at least one index has to be built again from the rows.
//
//   repair_bench [megabytes] [3|4]   (default 900 3: inside Jet 3's 1 GB file-size limit)

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "jet/format/Format.h"
#include "jet/read/Database.h"
#include "jet/repair/Repairer.h"
#include "tools/generator/Generator.h"

namespace {

namespace fs = std::filesystem;
using bench::Generate;
using bench::SecondsSince;

// Zeroes the middle one of the pages of `kind` (for index leaves: a leaf of the largest
// index, since a table's leaves lie together); returns its number, or 0 when there was none.
uint64_t ZeroPage(const fs::path& path, uint32_t page_size, uint8_t kind) {
  const uint64_t pages = fs::file_size(path) / page_size;
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::vector<uint64_t> found;
  for (uint64_t number = 1; number < pages; ++number) {
    char type = 0;
    file.seekg(static_cast<std::streamoff>(number * page_size));
    file.read(&type, 1);
    if (!file) return 0;
    if (type == static_cast<char>(kind)) found.push_back(number);
  }
  if (found.empty()) return 0;
  const uint64_t number = found[found.size() / 2];
  const std::vector<char> zeros(page_size, 0);
  file.seekp(static_cast<std::streamoff>(number * page_size));
  file.write(zeros.data(), page_size);
  return file ? number : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 900;
  const tav::GenerateOptions options = bench::HistoryOptions(megabytes, argc > 2 ? argv[2] : nullptr);
  const fs::path dir = fs::temp_directory_path() / ("repair-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  if (!Generate(dir, options)) return 1;
  const fs::path source = dir / "history" / "history.mdb";
  const uint32_t page_size = jet::LayoutFor(options.version).page_size;
  const uint64_t zeroed = ZeroPage(source, page_size, jet::kPageData);
  const uint64_t leaf = ZeroPage(source, page_size, jet::kPageIndexLeaf);
  fs::resize_file(source, fs::file_size(source) - page_size / 2);
  if (zeroed == 0 || leaf == 0 || jet::Database::OpenPath(source.string()).ok()) {
    std::fprintf(stderr, "the damaged database still opens; nothing to repair\n");
    return 1;
  }

  const double source_mb = fs::file_size(source) / 1048576.0;
  const std::optional<double> copy_seconds = bench::TimeCopy(source);
  if (!copy_seconds) return 1;

  const auto start = std::chrono::steady_clock::now();
  auto report = jet::RepairDatabase(source.string());
  const double repair_seconds = SecondsSince(start);
  if (!report.ok()) {
    std::fprintf(stderr, "repair failed: %s\n", report.status().ToString().c_str());
    return 1;
  }
  std::printf("source %.1f MB (data page %llu and index leaf %llu zeroed, last page cut), repaired %.1f MB\n",
              source_mb, static_cast<unsigned long long>(zeroed), static_cast<unsigned long long>(leaf),
              fs::file_size(source) / 1048576.0);
  std::printf("%s\n", report->ToString().c_str());
  std::printf("cp %.2f s, repair %.2f s, ratio %.2f, peak memory %.1f MB\n", *copy_seconds, repair_seconds,
              repair_seconds / *copy_seconds, bench::PeakMegabytes());
  fs::remove_all(dir);
  return 0;
}
