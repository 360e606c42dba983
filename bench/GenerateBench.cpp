// Generates a Tavimer installation of about the given size and prints the time taken, the
// bytes written and the peak resident memory: generation streams rows to disk, so the peak
// should stay far below the size of the files.
//
//   generate_bench [megabytes] [TV1|TV2] [3|4]   (default 900 TV1 4: every file inside its format's size
//   limit)

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/generator/Generator.h"

namespace {

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

uint64_t FolderBytes(const std::filesystem::path& dir) {
  uint64_t total = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) total += entry.file_size();
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 900;
  tav::GenerateOptions options;
  options.generation = argc > 2 ? argv[2] : "TV1";
  options.version = argc > 3 && std::string(argv[3]) == "3" ? jet::JetVersion::kJet3 : jet::JetVersion::kJet4;
  // About 12 kilobytes of files per recipient (its history rows carry the memo bodies).
  options.rows = static_cast<uint64_t>(megabytes) * 1024 / 12;
  options.deleted = 0.05;
  options.seed = 7;
  const auto dir = std::filesystem::temp_directory_path() / ("generate-bench-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);

  const auto start = std::chrono::steady_clock::now();
  const jet::Status status = tav::GenerateInstallation(dir.string(), options);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!status.ok()) {
    std::fprintf(stderr, "generate failed: %s\n", status.ToString().c_str());
    return 1;
  }
  const uint64_t bytes = FolderBytes(dir);
  std::printf("generation %s, %llu recipients: %.1f MB in %.1f s (%.1f MB/s), peak memory %.1f MB\n",
              options.generation.c_str(), static_cast<unsigned long long>(options.rows), bytes / 1048576.0,
              seconds, bytes / 1048576.0 / seconds, PeakKilobytes() / 1024.0);
  std::filesystem::remove_all(dir);
  return 0;
}
