#pragma once
// The VB-style file operations on files named by their location (platform/host/FileLocation.h;
// a Windows path given as text is resolved on the way in), all through the program's file
// system (platform/base/ProgramFileSystem.h). Failures are thrown as VbError with the
// runtime's numbers (platform/base/OsError.h): 53 "File not found", 76 "Path not found",
// 70 "Permission denied", 61 "Disk full", 75 "Path/File access error", ...

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host/FileLocation.h"

namespace tav {

// Existence tests: an invalid, unreachable or over-long path counts as missing.
bool FileExists(const FileLocation& file);
bool FolderExists(const FileLocation& folder);

// Deletes a file. A file in use by another program (platform/dao/DatabaseUse.h: the lock file
// of a database in use, a database open elsewhere), or locked by this program, is refused
// with 70 and stays.
void KillFile(const FileLocation& file);

// Length of a file in bytes as a 32-bit signed number; a file of 2 GiB or more gives
// 6 "Overflow" rather than a wrapped, negative length.
int32_t FileLength(const FileLocation& file);

// Opens the file for text output (creating it, or emptying it), writes `text` as it
// stands and closes it. A file in use by another program, or locked by this program, is
// refused with 70 before anything is emptied.
void WriteTextFile(const FileLocation& file, std::string_view text);

// Finds out whether the existing file can be written at all: opens it for writing and closes
// it again, changing nothing. A file the system refuses (no permission, immutable, on a
// read-only medium) throws 70 with the system's reason in the description; a missing one 53.
void RequireWriteAccess(const FileLocation& file);

// The folder of the running executable, as a Windows path without a trailing separator.
std::string AppFolder();

}  // namespace tav
