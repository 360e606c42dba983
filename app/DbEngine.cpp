#include "app/DbEngine.h"

#include "platform/base/VbError.h"
#include "platform/dao/JetDaoEngine.h"

namespace tav {

namespace {

// The runtime's number and text for an object that could not be created.
constexpr int32_t kErrCannotCreateObject = 429;

struct EngineSlot {
  DbEngineFactory factory = [] { return MakeJetDaoEngine(); };
  std::unique_ptr<DaoEngine> engine;
};

EngineSlot& Slot() {
  static EngineSlot slot;
  return slot;
}

}  // namespace

void SetDbEngineFactory(DbEngineFactory factory) {
  EngineSlot& slot = Slot();
  slot.engine.reset();
  slot.factory = std::move(factory);
}

DaoEngine& DBEngine() {
  EngineSlot& slot = Slot();
  if (!slot.engine) {
    if (slot.factory) slot.engine = slot.factory();
    if (!slot.engine) throw VbError(kErrCannotCreateObject, "", "ActiveX component can't create object");
  }
  return *slot.engine;
}

}  // namespace tav
