// Copies a large file with CopyFileInChunks and prints the throughput and how much the
// peak resident memory grew: the copy should hold only its 64000-byte buffers, whatever
// the file size. Then the whole copy back of the maintenance cycle over the same file (its
// record written, renamed and removed, the folder flushed each time): what that adds to the
// copy must not grow with the file.
//
//   copy_file_in_chunks_bench [megabytes]   (default 512)

#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/CopyBack.h"
#include "app/CopyFileInChunks.h"
#include "platform/base/VbError.h"
#include "platform/host/WinPath.h"

namespace {

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void WriteFile(const std::filesystem::path& path, long megabytes) {
  // Small writes, so that this setup does not raise the peak that the copy is measured by.
  std::vector<char> chunk(4096);
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 31 + 7);
  std::ofstream out(path, std::ios::binary);
  for (long i = 0; i < megabytes * 256; ++i)
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

}  // namespace

int main(int argc, char** argv) {
  long megabytes = argc > 1 ? std::atol(argv[1]) : 512;
  if (megabytes <= 0 || megabytes > 2047) {
    std::fprintf(stderr, "size must be 1..2047 megabytes\n");
    return 2;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tavimer-copy-bench-XXXXXX").string();
  std::filesystem::path dir = ::mkdtemp(pattern.data());
  auto source = dir / "db1.bak";
  auto target = dir / "list.mdb";
  WriteFile(source, megabytes);
  WriteFile(target, 1);

  long before = PeakKilobytes();
  auto start = std::chrono::steady_clock::now();
  int status = 0;
  try {
    tav::CopyFileInChunks(tav::WindowsPath(source), tav::WindowsPath(target), true);
  } catch (const tav::VbError& e) {
    std::fprintf(stderr, "copy failed: %d %s\n", e.Number(), e.Description().c_str());
    status = 1;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long growth = PeakKilobytes() - before;
  if (status == 0)
    std::printf("copied %ld MB in %.2f s (%.0f MB/s); peak memory grew by %ld kB\n", megabytes, seconds,
                megabytes / seconds, growth);

  WriteFile(source, megabytes);
  start = std::chrono::steady_clock::now();
  try {
    tav::CopyBack copyBack = tav::CopyBack::Begin(tav::WindowsPath(target), tav::WindowsPath(source));
    copyBack.ReplaceDatabase();
  } catch (const tav::VbError& e) {
    std::fprintf(stderr, "copy back failed: %d %s\n", e.Number(), e.Description().c_str());
    status = 1;
  }
  const double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status == 0)
    std::printf("the whole copy back of %ld MB, with its record: %.2f s (%.0f MB/s)\n", megabytes, whole,
                megabytes / whole);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return status;
}
