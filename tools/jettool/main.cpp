// jettool: inspect Jet databases from the command line. Exit codes: 0 success, 1 a check
// found problems, 2 an error (printed as "error NNNN: description").
#include <CLI/CLI.hpp>
#include <vector>

#include "platform/host/ProgramArguments.h"
#include "tools/jettool/Command.h"

namespace {

// One line per subcommand.
constexpr tav::jettool::Registrar kCommands[] = {
    tav::jettool::RegisterInfo,    tav::jettool::RegisterTables, tav::jettool::RegisterSchema,
    tav::jettool::RegisterExport,  tav::jettool::RegisterCheck,  tav::jettool::RegisterGenerate,
    tav::jettool::RegisterCompact, tav::jettool::RegisterDelete, tav::jettool::RegisterRepair,
    tav::jettool::RegisterKeys,
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Inspect Microsoft Jet (.mdb) databases"};
  app.require_subcommand(1);
  tav::jettool::RunResult result;
  for (auto registrar : kCommands) registrar(app, result);
  std::vector<std::string> arguments = tav::ProgramArguments(argc, argv);
  std::vector<char*> utf8;
  for (std::string& argument : arguments) utf8.push_back(argument.data());
  try {
    app.parse(static_cast<int>(utf8.size()), utf8.data());
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  return result.exit_code;
}
