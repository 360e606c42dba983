#pragma once
// The file of the running program, as the system names it.

#include <filesystem>

namespace tav {

// The host path of the running executable; an empty path when the system does not tell.
std::filesystem::path ProgramFile();

}  // namespace tav
