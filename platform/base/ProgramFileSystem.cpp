#include "platform/base/ProgramFileSystem.h"

namespace tav {

namespace {

jet::FileSystem*& Chosen() {
  static jet::FileSystem* chosen = nullptr;
  return chosen;
}

}  // namespace

jet::FileSystem& ProgramFileSystem() {
  jet::FileSystem* chosen = Chosen();
  return chosen != nullptr ? *chosen : jet::PosixFileSystem();
}

ProgramFileSystemOverride::ProgramFileSystemOverride(jet::FileSystem& files) : before_(Chosen()) {
  Chosen() = &files;
}

ProgramFileSystemOverride::~ProgramFileSystemOverride() { Chosen() = before_; }

}  // namespace tav
