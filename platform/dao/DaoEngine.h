#pragma once
// The database engine as the maintenance cycle sees it: a DAO-shaped DBEngine with a
// workspace that opens databases, and whole-file repair and compaction. Every failure is
// thrown as a VbError with a positive number and a description; 3031 means a missing or
// wrong password.
//
// Files are named by their location (platform/host/FileLocation.h): the Windows path, as
// DAO takes it, with the host file it was resolved to once. A path given as text is resolved
// on the way in.
//
// The real engine (platform/dao/JetDaoEngine.h) sits on the jet/ library; tests use a scripted
// one.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dao/DaoNumbers.h"
#include "platform/host/FileLocation.h"

namespace tav {

// An open database. Closing is idempotent; the destructor closes.
class DaoDatabase {
 public:
  virtual ~DaoDatabase() = default;
  virtual void Close() = 0;
};

class DaoWorkspace {
 public:
  virtual ~DaoWorkspace() = default;
  // OpenDatabase(name, options, readOnly, connect). `options` true asks for exclusive use;
  // omitted arguments take the engine's defaults (shared, read-write, no connect string).
  virtual std::unique_ptr<DaoDatabase> OpenDatabase(const FileLocation& name,
                                                    std::optional<bool> options = std::nullopt,
                                                    std::optional<bool> readOnly = std::nullopt,
                                                    std::optional<std::string> connect = std::nullopt) = 0;
};

class DaoEngine {
 public:
  virtual ~DaoEngine() = default;
  // Workspaces(index); index 0 is the default workspace. Throws for an index it lacks.
  virtual DaoWorkspace& Workspaces(int16_t index) = 0;
  // Repairs the database file in place.
  virtual void RepairDatabase(const FileLocation& name) = 0;
  // Compacts `source` into the new file `destination`; `password` is a connect-string
  // fragment such as ";pwd=secret" (empty for none). The source is never changed.
  virtual void CompactDatabase(const FileLocation& source, const FileLocation& destination,
                               std::optional<std::string> locale = std::nullopt,
                               std::optional<int32_t> options = std::nullopt,
                               std::optional<std::string> password = std::nullopt) = 0;
};

}  // namespace tav
