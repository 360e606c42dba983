#pragma once
// File-system services on Windows paths (mapped through WinPath). Failures are thrown as
// VbError with the runtime's numbers (platform/base/OsError.h): 53 "File not found",
// 76 "Path not found", 70 "Permission denied", 75 "Path/File access error", ...

#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

// Existence tests: an invalid, unreachable or over-long path counts as missing.
bool FileExists(std::string_view windowsPath);
bool FolderExists(std::string_view windowsPath);

// Deletes a file. A file in use by another program (platform/dao/DatabaseUse.h: the lock file
// of a database in use, a database open elsewhere), or locked by this program, is refused
// with 70 and stays.
void KillFile(std::string_view windowsPath);

// Length of a file in bytes as a 32-bit signed number; a file of 2 GiB or more gives
// 6 "Overflow" rather than a wrapped, negative length.
int32_t FileLength(std::string_view windowsPath);

// Opens the file for text output (creating it, or emptying it), writes `text` as it
// stands and closes it. A file in use by another program, or locked by this program, is
// refused with 70 before anything is emptied.
void WriteTextFile(std::string_view windowsPath, std::string_view text);

// The folder of the running executable, as a Windows path without a trailing separator.
std::string AppFolder();

}  // namespace tav
