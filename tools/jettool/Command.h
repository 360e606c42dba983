#pragma once
// Shared plumbing for the jettool subcommands. Each subcommand lives in its own file and
// exposes one Register* function; main.cpp lists them in its table.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "jet/base/Status.h"
#include "jet/io/FileLock.h"
#include "jet/read/Database.h"

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
void RegisterKeys(CLI::App& app, RunResult& result);

// Prints "error NNNN: description" on stderr and returns exit code 2.
int ReportError(const jet::Status& status);

// Keeps other programs off the existing database at `path` while a command changes it.
// Error kInUse (3045) when another program uses it (platform/dao/DatabaseUse.h). A file that
// cannot be held for any other reason gives no lock: the command meets the cause itself.
jet::Result<std::unique_ptr<jet::FileLock>> HoldDatabase(const std::string& path);

// kInUse (3045) when another program uses the database at `path`, which need not exist:
// a database about to be created whose lock file is held elsewhere is in use too.
jet::Status RefuseInUse(const std::string& path);

// Adds the FILE argument and the --password option every database subcommand takes.
struct DatabaseArgs {
  std::string path;
  std::string password;
  uint16_t code_page = 0;  // 0: as the header says
};
void AddDatabaseArgs(CLI::App& sub, DatabaseArgs& args);
// Adds --code-page, for the subcommands that read text.
void AddCodePageOption(CLI::App& sub, DatabaseArgs& args);

// Opens the database read-only with the password and code page given.
jet::Result<std::unique_ptr<jet::Database>> OpenDatabase(const DatabaseArgs& args,
                                                         bool tolerate_damage = false);

}  // namespace tav::jettool
