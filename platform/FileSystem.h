#pragma once
// File-system services on Windows paths (mapped through WinPath). Failures are thrown as
// VbError with the runtime's numbers: 53 "File not found", 70 "Permission denied",
// 75 "Path/File access error".

#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

// Existence tests: an invalid, unreachable or over-long path counts as missing.
bool FileExists(std::string_view windowsPath);
bool FolderExists(std::string_view windowsPath);

// Deletes a file. A lock file that another process still holds is refused (70).
void KillFile(std::string_view windowsPath);

// Length of a file in bytes as a 32-bit signed number.
int32_t FileLength(std::string_view windowsPath);

// The folder of the running executable, as a Windows path without a trailing separator.
std::string AppFolder();

}  // namespace tav
