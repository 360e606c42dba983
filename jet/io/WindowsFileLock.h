#pragma once
// Windows only. The table of what this process has open of each file, behind the Windows
// file layer (WindowsFile.cpp) and the Windows half of the lock family (FileLock.h).
//
// Windows decides sharing when a file is opened: an open that another handle's share mode
// does not allow fails with ERROR_SHARING_VIOLATION, whoever holds that handle, this process
// included. So the table keeps, for every file (by volume and file index), every handle the
// file layer has open on it, and the one handle its locks keep: opened sharing reading and
// writing while the process holds only kShared locks, sharing nothing while it holds a
// kExclusive or kHold lock. An open that the locks' handle refuses gets a duplicate of that
// handle instead: the same open file to Windows, so no sharing is checked, and positioned
// reads and writes need no file position of their own.
//
// The locks' handle is opened when the first lock is taken and keeps the strictest share
// mode it had until the last lock goes. Windows fixes a share mode at the open, so for a
// stricter one every other handle of this process on the file is closed while the locks'
// handle is opened afresh, and comes back as a duplicate of it (or, should the open be
// refused, opened again as it was): the process never stands in its own way, whether its
// locks are taken before or after its opens of the file.

#include <windows.h>

#include <memory>
#include <string>

#include "jet/base/Status.h"
#include "jet/io/FileLock.h"

namespace jet {

// What the file layer's opens share with other programs, when no lock keeps a file unshared.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// An open handle of the file layer, shared by the File that reads and writes through it and
// closed when the last user lets go, or at once by CloseEverywhere.
class OpenHandle {
 public:
  // `access` is what it was opened for (GENERIC_READ, GENERIC_WRITE).
  OpenHandle(HANDLE handle, DWORD access) : handle_(handle), access_(access) {}
  ~OpenHandle() { Close(); }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;

  // INVALID_HANDLE_VALUE once closed: every call on it then fails.
  HANDLE get() const { return handle_; }
  void Close();
  // Closes the handle and keeps `handle` in its place.
  void Reset(HANDLE handle);
  DWORD access() const { return access_; }

 private:
  HANDLE handle_;
  DWORD access_;
};

// Opens `path` with `access` (GENERIC_READ, GENERIC_WRITE) and `disposition` (OPEN_EXISTING,
// CREATE_NEW), sharing reading, writing and deleting, or through the locks' handle where a
// lock of this process keeps the file unshared. Errors as WindowsError gives them, kNotFound
// for a folder.
Result<std::shared_ptr<OpenHandle>> OpenShared(const std::string& path, DWORD access, DWORD disposition,
                                               DWORD attributes);

struct LockedHandle {
  std::unique_ptr<FileLock> lock;
  std::shared_ptr<OpenHandle> handle;
};

// Takes a lock of `mode` on the file at `path` (as LockPath) and opens the file for `access`
// through the locks' handle.
Result<LockedHandle> OpenLocked(const std::string& path, LockMode mode, DWORD access);

// What other programs keep of the file at `path` (FileLock.h: LockedByOthers), asked through
// `self`, a handle of the file layer on it, which is not counted among this process's opens.
// Windows tells another program's plain open only by refusing an exclusive one: when this
// process has the file open nowhere but in `self`, that handle is closed for the exclusive
// open and opened again as it was, for the same access and sharing everything (should the
// file be gone or kept unshared by then, `self` fails every later call).
ForeignLock LockedByOthersThan(const std::string& path, OpenHandle& self);

// Closes every handle this process has open on the file at `path`, the locks' one among them,
// so that the file can be replaced; its Files fail every later call and its locks keep
// nothing. Nothing happens when the file is missing or not open here.
void CloseEverywhere(const std::string& path);

}  // namespace jet
