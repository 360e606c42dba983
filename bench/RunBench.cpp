// A whole maintenance run as a user starts it: `tavimer-maint --generation TV1|TV2` as a
// process of its own, without a terminal or a display, on a generated installation of about
// the given size inside a Wine-style prefix (TV1 in C:\Tavimer, registered in user.reg, Jet
// 3; TV2 in the documents folder, Jet 4). Prints, from one run of this program, pairs of
// timings taken in turn: the run (A: the program from start to exit, then `sync` of what it
// left to be written, on a fresh copy of the installation laid down untimed before each run)
// and the yardstick (B: `cp -r` of the installation folder and `sync`), each pair's ratio,
// and the medians and ranges of wall-clock and CPU time and of the program's peak resident
// memory. The installation is generated in a child process so that its memory is not counted.
//
//   run_bench [megabytes] [TV1|TV2]   (default 950 TV1: every file inside its format's size limit)
//   BENCH_PAIRS=N sets the number of pairs (default 5); TMPDIR says where the files go;
//   BENCH_KEEP=1 leaves the prefix in place and prints the command, for profiling one run.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "tools/generator/Generator.h"

namespace {

namespace fs = std::filesystem;

uint64_t FolderBytes(const fs::path& dir) {
  uint64_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) total += entry.file_size();
  return total;
}

// A Wine-style prefix below `root`: dosdevices with c: and z:, and a user.reg that registers
// the first generation in C:\Tavimer and names C:\users\me\Documents as the documents folder.
bool MakePrefix(const fs::path& root) {
  std::error_code ec;
  fs::create_directories(root / "drive_c" / "users" / "me" / "Documents", ec);
  fs::create_directories(root / "dosdevices", ec);
  fs::create_directory_symlink("../drive_c", root / "dosdevices" / "c:", ec);
  fs::create_directory_symlink("/", root / "dosdevices" / "z:", ec);
  std::ofstream(root / "user.reg", std::ios::binary)
      << "WINE REGISTRY Version 2\n\n"
         "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
         "\"Personal\"=\"C:\\\\users\\\\me\\\\Documents\"\n\n"
         "[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"C:\\\\Tavimer\"\n\n";
  return !ec;
}

// Starts the program with WINEPREFIX set, in a session of its own, input from /dev/null,
// output to `log`, and waits for it; fills in its peak memory. True when it exited with 0.
bool RunProgram(const fs::path& prefix, const std::string& generation, const fs::path& log,
                bench::Cost& cost) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) std::_Exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    ::execl(TAVIMER_MAINT_PATH, "tavimer-maint", "--generation", generation.c_str(),
            static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return false;
  cost.peak = usage.ru_maxrss / 1024.0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// True when the run's output has a "successfully compacted" line for each of `databases`.
bool EveryDatabaseCompacted(const fs::path& log, size_t databases) {
  std::ifstream in(log);
  const std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t lines = 0;
  for (size_t at = 0; (at = out.find("has been successfully compacted", at)) != std::string::npos; ++at)
    ++lines;
  if (lines != databases)
    std::fprintf(stderr, "the run compacted %zu of %zu databases:\n%s", lines, databases, out.c_str());
  return lines == databases;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 950;
  const std::string generation = argc > 2 ? argv[2] : "TV1";
  if (generation != "TV1" && generation != "TV2") {
    std::fprintf(stderr, "generation: TV1 or TV2\n");
    return 2;
  }
  const bool first = generation == "TV1";
  // The history database takes most of the installation (TV2's helper and schedule
  // databases are small): sized like compact_bench's.
  tav::GenerateOptions options = bench::HistoryOptions(megabytes, first ? "3" : "4");
  options.generation = generation;
  const fs::path dir = fs::temp_directory_path() / ("run-bench-" + std::to_string(::getpid()));
  const fs::path prefix = dir / "prefix";
  const fs::path installation =
      first ? prefix / "drive_c" / "Tavimer" : prefix / "drive_c" / "users" / "me" / "Documents" / "Tavimer2";
  const fs::path pristine = dir / "pristine";
  const fs::path copy = dir / "yardstick-copy";
  const fs::path log = dir / "run.log";
  const size_t databases = first ? 2 : 4;
  fs::remove_all(dir);
  fs::create_directories(dir);
  if (!MakePrefix(prefix) || !bench::Generate(pristine, options)) return 1;
  if (!bench::Shell("sync")) return 1;
  std::printf("%s (Jet %s), installation %.1f MB in %zu databases\n", generation.c_str(), first ? "3" : "4",
              FolderBytes(pristine) / 1048576.0, databases);

  if (std::getenv("BENCH_KEEP") != nullptr) {
    if (!bench::Shell("cp -r " + bench::Quoted(pristine) + " " + bench::Quoted(installation) + " && sync"))
      return 1;
    std::printf("kept: WINEPREFIX=%s %s --generation %s </dev/null\n(pristine copy in %s)\n", prefix.c_str(),
                TAVIMER_MAINT_PATH, generation.c_str(), pristine.c_str());
    return 0;
  }

  bench::Pairing pairing;
  pairing.a_name = "tavimer-maint --generation " + generation + " + sync";
  pairing.a = [&](bench::Cost& cost) {
    return RunProgram(prefix, generation, log, cost) && bench::Shell("sync") &&
           EveryDatabaseCompacted(log, databases);
  };
  pairing.b_name = "cp -r + sync";
  pairing.b = [&](bench::Cost&) {
    return bench::Copy(pristine, copy);
  };  // the installation as the run finds it
  // A fresh installation before each run, on disk before the run starts.
  pairing.prepare = [&] {
    fs::remove_all(installation);
    return bench::Shell("cp -r " + bench::Quoted(pristine) + " " + bench::Quoted(installation) + " && sync");
  };
  pairing.after_b = [&] { fs::remove_all(copy); };
  const bool ran = bench::RunPairs(pairing, bench::Pairs());
  if (ran) std::printf("installation after the run %.1f MB\n", FolderBytes(installation) / 1048576.0);
  fs::remove_all(dir);
  return ran ? 0 : 1;
}
