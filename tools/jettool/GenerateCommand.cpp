// generate DIR --generation TV1|TV2 [--rows N] [--deleted FRACTION] [--password P] [--jet 3|4] [--seed S]:
// lays out a Tavimer installation filled with made-up data.
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "tools/generator/Generator.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

struct GenerateArgs {
  std::string dir;
  std::string generation;
  uint64_t rows = 1000;
  double deleted = 0.0;
  std::string password;
  int jet = 4;
  uint64_t seed = 1;
};

// A one-line bar on stderr, redrawn in place.
void DrawProgress(uint64_t done, uint64_t total) {
  constexpr int kWidth = 40;
  const int filled = total == 0 ? kWidth : static_cast<int>(kWidth * done / total);
  std::fprintf(stderr, "\r[%s%s] %llu/%llu rows", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, ' ').c_str(), static_cast<unsigned long long>(done),
               static_cast<unsigned long long>(total));
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

int RunGenerate(const GenerateArgs& args) {
  GenerateOptions options;
  options.generation = args.generation;
  options.rows = args.rows;
  options.deleted = args.deleted;
  options.password = args.password;
  options.version = args.jet == 3 ? jet::JetVersion::kJet3 : jet::JetVersion::kJet4;
  options.seed = args.seed;
  if (isatty(STDERR_FILENO)) options.progress = DrawProgress;
  options.before_create = RefuseInUse;
  const jet::Status status = GenerateInstallation(args.dir, options);
  if (!status.ok()) return ReportError(status);
  return 0;
}

}  // namespace

void RegisterGenerate(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<GenerateArgs>();
  CLI::App* sub = app.add_subcommand("generate", "Lay out a Tavimer installation with made-up databases");
  sub->add_option("DIR", args->dir, "Folder to fill (created when missing)")->required();
  sub->add_option("--generation", args->generation, "TV1 or TV2")
      ->required()
      ->check(CLI::IsMember({"TV1", "TV2"}));
  sub->add_option("--rows", args->rows, "Recipients to write (history gets twice as many)");
  sub->add_option("--deleted", args->deleted, "Share of rows left behind deleted, 0 to below 1")
      ->check(CLI::Range(0.0, 0.99));
  sub->add_option("--password", args->password, "Database password of list.mdb");
  sub->add_option("--jet", args->jet, "Jet version, 3 or 4")->check(CLI::IsMember({3, 4}));
  sub->add_option("--seed", args->seed, "Seed of the made-up data");
  sub->callback([args, &result] { result.exit_code = RunGenerate(*args); });
}

}  // namespace tav::jettool
