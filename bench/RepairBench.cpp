// Repairs a large generated database that has been damaged in one way, and prints, from one
// run of this program, pairs of timings taken in turn: the repair (A: jet::RepairDatabase on
// a fresh damaged copy, which is laid down untimed before each repair) and the yardstick (B:
// `cp` of the damaged file and `sync`), each pair's ratio, and the medians and ranges of
// wall-clock and CPU time and of the repair's peak resident memory. The database is
// generated in a child process so that its memory is not counted.
//
// The damage, one of:
//   long-value  the long-value page nearest the middle whose loss the check finds zeroed
//               (a memo comes back cut; a page holding only values a memo update left
//               behind is passed over)
//   data        the middle one of the table data pages zeroed (its rows are lost)
//   leaf        the middle one of the index leaves garbled (the largest index, since a
//               table's leaves lie together; that index is built again from the rows)
//   cut         the last page cut in half
//   all         the four above at once
//
//   repair_bench [megabytes] [3|4] [damage]   (default 900 3 all)
//   BENCH_PAIRS=N sets the number of pairs (default 5); TMPDIR says where the files go.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "jet/base/Bytes.h"
#include "jet/check/Checker.h"
#include "jet/format/Format.h"
#include "jet/read/Database.h"
#include "jet/repair/Repairer.h"
#include "tools/generator/Generator.h"

namespace {

namespace fs = std::filesystem;

enum class Owner { kAny, kLongValue, kTable };

// The pages of `kind` (data pages: of long values or of tables, as `owner` says), the middle
// one first and then outwards from it.
std::vector<uint64_t> PagesFromTheMiddle(const fs::path& path, uint32_t page_size, uint8_t kind,
                                         Owner owner) {
  const uint64_t pages = fs::file_size(path) / page_size;
  std::ifstream file(path, std::ios::binary);
  std::vector<uint64_t> found;
  std::vector<char> head(8);
  for (uint64_t number = 1; number < pages; ++number) {
    file.seekg(static_cast<std::streamoff>(number * page_size));
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (!file) return {};
    if (head[0] != static_cast<char>(kind)) continue;
    const bool long_value =
        *jet::GetU32(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(head.data()), head.size()),
                     4) == jet::kLongValueOwner;
    if (owner == Owner::kLongValue && !long_value) continue;
    if (owner == Owner::kTable && long_value) continue;
    found.push_back(number);
  }
  std::vector<uint64_t> out;
  const size_t middle = found.size() / 2;
  for (size_t step = 0; out.size() < found.size(); ++step) {
    if (middle + step < found.size()) out.push_back(found[middle + step]);
    if (step > 0 && step <= middle) out.push_back(found[middle - step]);
  }
  return out;
}

uint64_t MiddlePage(const fs::path& path, uint32_t page_size, uint8_t kind, Owner owner) {
  const std::vector<uint64_t> pages = PagesFromTheMiddle(path, page_size, kind, owner);
  return pages.empty() ? 0 : pages.front();
}

std::vector<char> ReadPage(const fs::path& path, uint32_t page_size, uint64_t number) {
  std::vector<char> bytes(page_size);
  std::ifstream file(path, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(number * page_size));
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void WritePage(const fs::path& path, uint32_t page_size, uint64_t number, const std::vector<char>& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(number * page_size));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Zeroes a long-value page that a live row still uses, the middle one first: pages that hold
// only values a memo update left behind are no damage, and the file would stay sound.
uint64_t ZeroUsedLongValuePage(const fs::path& path, uint32_t page_size) {
  constexpr size_t kTries = 40;
  const std::vector<uint64_t> pages = PagesFromTheMiddle(path, page_size, jet::kPageData, Owner::kLongValue);
  for (size_t i = 0; i < pages.size() && i < kTries; ++i) {
    const std::vector<char> before = ReadPage(path, page_size, pages[i]);
    WritePage(path, page_size, pages[i], std::vector<char>(page_size, 0));
    auto db = jet::Database::OpenPath(path.string());
    if (!db.ok() || jet::FindsProblem(**db)) return pages[i];
    WritePage(path, page_size, pages[i], before);
  }
  return 0;
}

// Overwrites `length` bytes of page `number` from `offset` on: zeros, or when `garble`, bytes
// of a fixed pseudo-random sequence.
bool Overwrite(const fs::path& path, uint32_t page_size, uint64_t number, uint32_t offset, uint32_t length,
               bool garble) {
  std::vector<char> bytes(length, 0);
  std::mt19937 random(5);
  if (garble)
    for (char& c : bytes) c = static_cast<char>(random());
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(number * page_size + offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// Damages the database as `damage` says; prints what it did; false when it could not.
bool Damage(const fs::path& path, uint32_t page_size, const std::string& damage) {
  const bool all = damage == "all";
  if (all || damage == "long-value") {
    const uint64_t page = ZeroUsedLongValuePage(path, page_size);
    if (page == 0) return false;
    std::printf("long-value page %llu zeroed\n", static_cast<unsigned long long>(page));
  }
  if (all || damage == "data") {
    const uint64_t page = MiddlePage(path, page_size, jet::kPageData, Owner::kTable);
    if (page == 0 || !Overwrite(path, page_size, page, 0, page_size, false)) return false;
    std::printf("data page %llu zeroed\n", static_cast<unsigned long long>(page));
  }
  if (all || damage == "leaf") {
    // The page header stays; the entries after it become noise.
    const uint64_t page = MiddlePage(path, page_size, jet::kPageIndexLeaf, Owner::kAny);
    if (page == 0 || !Overwrite(path, page_size, page, page_size / 4, page_size * 3 / 4, true)) return false;
    std::printf("index leaf %llu garbled\n", static_cast<unsigned long long>(page));
  }
  if (all || damage == "cut") {
    fs::resize_file(path, fs::file_size(path) - page_size / 2);
    std::printf("last page cut in half\n");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 900;
  const tav::GenerateOptions options = bench::HistoryOptions(megabytes, argc > 2 ? argv[2] : nullptr);
  const std::string damage = argc > 3 ? argv[3] : "all";
  if (damage != "all" && damage != "long-value" && damage != "data" && damage != "leaf" && damage != "cut") {
    std::fprintf(stderr, "damage: long-value, data, leaf, cut or all\n");
    return 2;
  }
  const fs::path dir = fs::temp_directory_path() / ("repair-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  if (!bench::Generate(dir, options)) return 1;
  const fs::path damaged = dir / "history" / "damaged.mdb";
  const fs::path source = dir / "history" / "history.mdb";
  fs::rename(source, damaged);
  std::printf("Jet %s, %s: ", options.version == jet::JetVersion::kJet3 ? "3" : "4", damage.c_str());
  if (!Damage(damaged, jet::LayoutFor(options.version).page_size, damage)) {
    std::fprintf(stderr, "could not damage the database\n");
    return 1;
  }
  const fs::path copy = dir / "yardstick-copy.mdb";
  if (!bench::Shell("sync")) return 1;

  jet::RepairReport report;
  bench::Pairing pairing;
  pairing.a_name = "repair";
  pairing.a = [&](bench::Cost& cost) {
    auto repaired = jet::RepairDatabase(source.string());
    if (!repaired.ok()) {
      std::fprintf(stderr, "repair failed: %s\n", repaired.status().ToString().c_str());
      return false;
    }
    report = *repaired;
    cost.peak = bench::PeakMegabytes();
    return true;
  };
  pairing.b_name = "cp + sync";
  pairing.b = [&](bench::Cost&) { return bench::Copy(damaged, copy); };
  // A fresh damaged copy before each repair, on disk before the repair starts.
  pairing.prepare = [&] {
    return bench::Shell("cp " + bench::Quoted(damaged) + " " + bench::Quoted(source) + " && sync");
  };
  pairing.after_b = [&] { fs::remove(copy); };

  std::printf("damaged source %.1f MB\n", fs::file_size(damaged) / 1048576.0);
  const bool ran = bench::RunPairs(pairing, bench::Pairs());
  if (ran)
    std::printf("repaired %.1f MB\n%s\n", fs::file_size(source) / 1048576.0, report.ToString().c_str());
  fs::remove_all(dir);
  return ran ? 0 : 1;
}
