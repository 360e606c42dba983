#include "platform/dao/JetDaoEngine.h"

#include <filesystem>
#include <system_error>

#include "jet/read/Database.h"
#include "platform/dao/ConnectString.h"
#include "platform/dao/DaoErrors.h"
#include "platform/dao/DatabaseHold.h"
#include "platform/dao/JetMaintenance.h"
#include "platform/host/WinPath.h"

namespace tav {

namespace {

namespace fs = std::filesystem;

class JetDaoDatabase : public DaoDatabase {
 public:
  JetDaoDatabase(std::unique_ptr<jet::Database> database, std::unique_ptr<DatabaseLock> lock)
      : database_(std::move(database)), lock_(std::move(lock)) {}
  ~JetDaoDatabase() override { Close(); }

  void Close() override {
    database_.reset();
    lock_.reset();
  }

 private:
  std::unique_ptr<jet::Database> database_;
  std::unique_ptr<DatabaseLock> lock_;
};

// The host path of an existing database file, or the engine's error for `name`.
fs::path ExistingDatabase(const std::string& name, const char* source) {
  fs::path host = HostPath(name);
  if (host.empty()) throw DaoError(kErrInvalidPath, name, source);
  std::error_code ec;
  if (!fs::is_directory(host.parent_path(), ec)) throw DaoError(kErrInvalidPath, name, source);
  if (!fs::is_regular_file(host, ec)) throw DaoError(kErrFileNotFoundDao, name, source);
  return host;
}

// Opens the database file for reading with `password`; the engine's open never writes.
std::unique_ptr<jet::Database> OpenJet(const fs::path& host, const std::string& password,
                                       const std::string& name, const char* source) {
  auto file = jet::PosixFileSystem().Open(host.string(), jet::OpenMode::kReadOnly);
  if (!file.ok()) throw DaoError(file.status(), name, source);
  auto database = jet::Database::Open(std::move(file).value(), {.password = password});
  if (!database.ok()) throw DaoError(database.status(), name, source);
  return std::move(database).value();
}

class JetWorkspace : public DaoWorkspace {
 public:
  std::unique_ptr<DaoDatabase> OpenDatabase(const std::string& name, std::optional<bool> options,
                                            std::optional<bool> /*readOnly*/,
                                            std::optional<std::string> connect) override {
    fs::path host = ExistingDatabase(name, kSourceWorkspace);
    const jet::LockMode mode = options.value_or(false) ? jet::LockMode::kExclusive : jet::LockMode::kShared;
    auto lock = LockForEngine(host, mode, name, kSourceWorkspace);
    auto database = OpenJet(host, ConnectPassword(connect.value_or("")), name, kSourceWorkspace);
    return std::make_unique<JetDaoDatabase>(std::move(database), std::move(lock));
  }
};

class JetDaoEngine : public DaoEngine {
 public:
  DaoWorkspace& Workspaces(int16_t index) override {
    if (index != 0) throw DaoError(kErrItemNotFound, "", kSourceEngine);
    return workspace_;
  }

  void RepairDatabase(const std::string& name) override {
    fs::path host = ExistingDatabase(name, kSourceEngine);
    // The repair locks the file exclusively itself; this keeps anyone else out meanwhile.
    auto hold = LockForEngine(host, jet::LockMode::kHold, name, kSourceEngine);
    RepairDatabaseFile(host, name);
  }

  void CompactDatabase(const std::string& source, const std::string& destination,
                       std::optional<std::string> /*locale*/, std::optional<int32_t> /*options*/,
                       std::optional<std::string> password) override {
    fs::path target = HostPath(destination);
    std::error_code ec;
    if (target.empty() || !fs::is_directory(target.parent_path(), ec))
      throw DaoError(kErrInvalidPath, destination, kSourceEngine);
    if (fs::exists(target, ec)) throw DaoError(kErrDatabaseExists, destination, kSourceEngine);
    fs::path host = ExistingDatabase(source, kSourceEngine);
    auto lock = LockForEngine(host, jet::LockMode::kExclusive, source, kSourceEngine);
    auto database = OpenJet(host, ConnectPassword(password.value_or("")), source, kSourceEngine);
    CompactDatabaseFile(*database, target, destination);
  }

 private:
  JetWorkspace workspace_;
};

}  // namespace

std::unique_ptr<DaoEngine> MakeJetDaoEngine() { return std::make_unique<JetDaoEngine>(); }

}  // namespace tav
