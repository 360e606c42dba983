#pragma once
// The database engine of the program: the DAO-shaped interface of platform/dao/DaoEngine.h on
// top of the jet/ library, with the engine's locking (platform/dao/DatabaseLock.h), its
// connect strings (platform/dao/ConnectString.h) and its error numbers
// (platform/dao/DaoErrors.h). Files are named by their location (platform/host/FileLocation.h)
// and reached through the program's file system (platform/base/ProgramFileSystem.h).
//
// OpenDatabase checks, in order: a path that maps to no host file (3044), a missing folder
// (3044), a missing file (3024), the locks and whether another program uses the database
// (3045 in use, 3356 opened exclusively elsewhere, 3051 no permission), then the file
// itself (3343 not a Jet database, 3031 missing or wrong password, 3049 damaged).
// Repair and compaction refuse a database in use the same way.

#include <memory>

#include "platform/dao/DaoEngine.h"

namespace tav {

std::unique_ptr<DaoEngine> MakeJetDaoEngine();

}  // namespace tav
