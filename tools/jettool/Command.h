#pragma once
// Shared plumbing for the jettool subcommands. Each subcommand lives in its own file and
// exposes one Register* function; main.cpp lists them in its table.

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "jet/Database.h"
#include "jet/Status.h"

namespace tav::jettool {

// Set by the subcommand callbacks; main returns it.
struct RunResult {
  int exit_code = 0;
};

using Registrar = void (*)(CLI::App& app, RunResult& result);

void RegisterInfo(CLI::App& app, RunResult& result);
void RegisterTables(CLI::App& app, RunResult& result);
void RegisterSchema(CLI::App& app, RunResult& result);
void RegisterExport(CLI::App& app, RunResult& result);
void RegisterCheck(CLI::App& app, RunResult& result);
void RegisterGenerate(CLI::App& app, RunResult& result);
void RegisterCompact(CLI::App& app, RunResult& result);
void RegisterDelete(CLI::App& app, RunResult& result);
void RegisterRepair(CLI::App& app, RunResult& result);

// Prints "error NNNN: description" on stderr and returns exit code 2.
int ReportError(const jet::Status& status);

// Opens `path` read-only with `password`.
jet::Result<std::unique_ptr<jet::Database>> OpenDatabase(const std::string& path, const std::string& password);

// Adds the FILE argument and the --password option every database subcommand takes.
struct DatabaseArgs {
  std::string path;
  std::string password;
};
void AddDatabaseArgs(CLI::App& sub, DatabaseArgs& args);

}  // namespace tav::jettool
