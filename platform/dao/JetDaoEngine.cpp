#include "platform/dao/JetDaoEngine.h"

#include "jet/read/Database.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/ConnectString.h"
#include "platform/dao/DaoErrors.h"
#include "platform/dao/DatabaseHold.h"
#include "platform/dao/JetMaintenance.h"

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

std::optional<jet::FileKind> KindAt(const fs::path& host) {
  auto stat = ProgramFileSystem().Stat(host.string());
  if (!stat.ok()) return std::nullopt;
  return stat->kind;
}

bool IsFolder(const fs::path& host) { return KindAt(host) == jet::FileKind::kFolder; }

// The host path of an existing database file, or the engine's error for it.
const fs::path& ExistingDatabase(const FileLocation& database, const char* source) {
  const fs::path& host = database.host();
  if (host.empty() || !IsFolder(host.parent_path()))
    throw DaoError(kErrInvalidPath, database.windows(), source);
  if (KindAt(host) != jet::FileKind::kFile) throw DaoError(kErrFileNotFoundDao, database.windows(), source);
  return host;
}

// Opens the database file for reading with `password`; the engine's open never writes.
std::unique_ptr<jet::Database> OpenJet(const FileLocation& database, const std::string& password,
                                       const char* source) {
  auto file = ProgramFileSystem().Open(database.host().string(), jet::OpenMode::kReadOnly);
  if (!file.ok()) throw DaoError(file.status(), database.windows(), source);
  auto opened = jet::Database::Open(std::move(file).value(), {.password = password});
  if (!opened.ok()) throw DaoError(opened.status(), database.windows(), source);
  return std::move(opened).value();
}

class JetWorkspace : public DaoWorkspace {
 public:
  std::unique_ptr<DaoDatabase> OpenDatabase(const FileLocation& name, std::optional<bool> options,
                                            std::optional<bool> /*readOnly*/,
                                            std::optional<std::string> connect) override {
    const fs::path& host = ExistingDatabase(name, kSourceWorkspace);
    const jet::LockMode mode = options.value_or(false) ? jet::LockMode::kExclusive : jet::LockMode::kShared;
    auto lock = LockForEngine(host, mode, name.windows(), kSourceWorkspace);
    auto database = OpenJet(name, ConnectPassword(connect.value_or("")), kSourceWorkspace);
    return std::make_unique<JetDaoDatabase>(std::move(database), std::move(lock));
  }
};

class JetDaoEngine : public DaoEngine {
 public:
  DaoWorkspace& Workspaces(int16_t index) override {
    if (index != 0) throw DaoError(kErrItemNotFound, "", kSourceEngine);
    return workspace_;
  }

  void RepairDatabase(const FileLocation& name) override {
    const fs::path& host = ExistingDatabase(name, kSourceEngine);
    // The repair locks the file exclusively itself; this keeps anyone else out meanwhile.
    auto hold = LockForEngine(host, jet::LockMode::kHold, name.windows(), kSourceEngine);
    RepairDatabaseFile(host, name.windows());
  }

  void CompactDatabase(const FileLocation& source, const FileLocation& destination,
                       std::optional<std::string> /*locale*/, std::optional<int32_t> /*options*/,
                       std::optional<std::string> password) override {
    const fs::path& target = destination.host();
    if (target.empty() || !IsFolder(target.parent_path()))
      throw DaoError(kErrInvalidPath, destination.windows(), kSourceEngine);
    if (ProgramFileSystem().Stat(target.string()).ok())
      throw DaoError(kErrDatabaseExists, destination.windows(), kSourceEngine);
    const fs::path& host = ExistingDatabase(source, kSourceEngine);
    auto lock = LockForEngine(host, jet::LockMode::kExclusive, source.windows(), kSourceEngine);
    auto database = OpenJet(source, ConnectPassword(password.value_or("")), kSourceEngine);
    CompactDatabaseFile(*database, target, destination.windows());
  }

 private:
  JetWorkspace workspace_;
};

}  // namespace

std::unique_ptr<DaoEngine> MakeJetDaoEngine() { return std::make_unique<JetDaoEngine>(); }

}  // namespace tav
