#pragma once
// The one database engine of the run, created on first use.

#include <functional>
#include <memory>

#include "platform/dao/DaoEngine.h"

namespace tav {

using DbEngineFactory = std::function<std::unique_ptr<DaoEngine>()>;

// Chooses how the engine is made (the real one at start-up, a scripted one in tests) and
// drops any engine made before.
void SetDbEngineFactory(DbEngineFactory factory);

// The engine, created by the factory the first time it is needed. Throws VbError when it
// cannot be created.
DaoEngine& DBEngine();

}  // namespace tav
