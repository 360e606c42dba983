// The lock family on Windows (FileLock.h) and the table of this process's open files that
// it needs (WindowsFileLock.h).
#include "jet/io/WindowsFileLock.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "jet/io/LockCounts.h"
#include "jet/io/WindowsError.h"
#include "jet/io/WindowsText.h"

namespace jet {

void OpenHandle::Close() { Reset(INVALID_HANDLE_VALUE); }

void OpenHandle::Reset(HANDLE handle) {
  if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  handle_ = handle;
}

namespace {

constexpr DWORD kShareUse = FILE_SHARE_READ | FILE_SHARE_WRITE;  // what a kShared lock allows others
constexpr DWORD kShareNothing = 0;                               // what kExclusive and kHold allow

// A file's identity: its volume's serial number and its index on the volume.
using Key = std::pair<DWORD, uint64_t>;

// What this process has open of one file, and its locks on it.
struct Entry : LockCounts {
  std::vector<std::weak_ptr<OpenHandle>> opens;  // the file layer's handles, the locks' among them
  std::shared_ptr<OpenHandle> locks;             // the locks' handle, while there are locks
  bool strict = false;                           // the locks' handle shares nothing
  bool writable = false;                         // the locks' handle may write

  // Handles of the file layer still open, other than the locks' one.
  size_t OtherOpens() const {
    size_t count = 0;
    for (const auto& open : opens) {
      auto handle = open.lock();
      if (handle && handle != locks && handle->get() != INVALID_HANDLE_VALUE) ++count;
    }
    return count;
  }
  bool Idle() const { return Empty() && OtherOpens() == 0 && !locks; }
};

struct Table {
  std::mutex mutex;
  std::map<Key, std::shared_ptr<Entry>> files;
};

Table& TheTable() {
  // Never destroyed: locks may be given up during exit.
  static Table* table = new Table;
  return *table;
}

// Forgets the files this process no longer has open. Called with the table locked.
void Sweep(Table& table) {
  for (auto it = table.files.begin(); it != table.files.end();) {
    Entry& entry = *it->second;
    std::erase_if(entry.opens, [](const std::weak_ptr<OpenHandle>& open) { return open.expired(); });
    it = entry.Idle() ? table.files.erase(it) : std::next(it);
  }
}

HANDLE Create(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

Result<Key> KeyOfHandle(HANDLE handle, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info))
    return WindowsError(::GetLastError(), "cannot look at", path);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    return Status(ErrorKind::kNotFound, "is a folder, not a file").AtFile(path);
  return Key{info.dwVolumeSerialNumber,
             (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// The identity of the file at `path`, through an open that asks for no access to its data
// and so meets no share mode.
Result<Key> KeyOfPath(const std::string& path) {
  HANDLE handle = Create(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (handle == INVALID_HANDLE_VALUE) return WindowsError(::GetLastError(), "cannot open", path);
  Result<Key> key = KeyOfHandle(handle, path);
  ::CloseHandle(handle);
  return key;
}

std::shared_ptr<Entry>& EntryOf(Table& table, const Key& key) {
  auto& entry = table.files[key];
  if (!entry) entry = std::make_shared<Entry>();
  return entry;
}

Status InUseHere(const std::string& path) {
  return Status(ErrorKind::kInUse, "the file is in use by this program").AtFile(path);
}

// Gives `entry` a locks' handle with the share mode its locks want once `mode` is added.
// Called with the table locked.
Status OpenLocks(Entry& entry, LockMode mode, const std::string& path) {
  const bool strict = mode != LockMode::kShared || entry.exclusive + entry.holds > 0;
  if (entry.locks && (entry.strict || !strict)) return Status::Ok();
  // This process's own opens would refuse an open that shares nothing: they step aside for
  // it and come back on its open file.
  std::vector<std::shared_ptr<OpenHandle>> aside;
  if (strict) {
    for (const auto& open : entry.opens) {
      auto handle = open.lock();
      if (handle && handle != entry.locks && handle->get() != INVALID_HANDLE_VALUE) aside.push_back(handle);
    }
    for (const auto& handle : aside) handle->Close();
  }
  if (entry.locks) entry.locks->Close();
  const DWORD share = strict ? kShareNothing : kShareUse;
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  HANDLE handle = Create(path, access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  DWORD error = ::GetLastError();
  if (handle == INVALID_HANDLE_VALUE && error == ERROR_ACCESS_DENIED) {
    access = GENERIC_READ;  // a read-only file: kept from others all the same
    handle = Create(path, access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    error = ::GetLastError();
  }
  if (handle == INVALID_HANDLE_VALUE) {
    if (entry.locks) {
      // Back to the share mode the other locks had.
      const DWORD before = entry.writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
      HANDLE again = Create(path, before, entry.strict ? kShareNothing : kShareUse, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL);
      entry.locks = again == INVALID_HANDLE_VALUE ? nullptr : std::make_shared<OpenHandle>(again, before);
      if (entry.locks) entry.opens.push_back(entry.locks);
    }
    for (const auto& own : aside)
      own->Reset(Create(path, own->access(), kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (error == ERROR_SHARING_VIOLATION)
      return Status(ErrorKind::kInUse, "the file is in use by another program").AtFile(path);
    return WindowsError(error, "cannot lock", path);
  }
  entry.locks = std::make_shared<OpenHandle>(handle, access);
  entry.opens.push_back(entry.locks);
  entry.strict = strict;
  entry.writable = access & GENERIC_WRITE;
  for (const auto& own : aside) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, own->access() & access,
                          FALSE, 0))
      own->Reset(copy);
  }
  return Status::Ok();
}

// A handle for `access` on the same open file as `handle`.
Result<std::shared_ptr<OpenHandle>> Duplicate(Entry& entry, HANDLE handle, DWORD access,
                                              const std::string& path) {
  HANDLE copy = INVALID_HANDLE_VALUE;
  if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, access, FALSE, 0))
    return WindowsError(::GetLastError(), "cannot open", path);
  auto opened = std::make_shared<OpenHandle>(copy, access);
  entry.opens.push_back(opened);
  return opened;
}

class WindowsFileLock final : public FileLock {
 public:
  WindowsFileLock(std::shared_ptr<Entry> entry, LockMode mode, std::string path)
      : entry_(std::move(entry)), mode_(mode), path_(std::move(path)) {}
  WindowsFileLock(const WindowsFileLock&) = delete;
  WindowsFileLock& operator=(const WindowsFileLock&) = delete;

  ~WindowsFileLock() override {
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    --entry_->CountOf(mode_);
    if (entry_->Empty() && entry_->locks) {
      entry_->locks->Close();
      entry_->locks.reset();
      entry_->strict = false;
    }
    Sweep(table);
  }

  bool TryMakeExclusive() override {
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    Entry& entry = *entry_;
    if (mode_ == LockMode::kExclusive) return true;
    if (entry.Total() != 1 || !entry.locks) return false;  // this lock is not the process's only one
    --entry.CountOf(mode_);
    if (!OpenLocks(entry, LockMode::kExclusive, path_).ok()) {
      ++entry.CountOf(mode_);
      return false;
    }
    ++entry.exclusive;
    mode_ = LockMode::kExclusive;
    return true;
  }

 private:
  std::shared_ptr<Entry> entry_;
  LockMode mode_;
  std::string path_;
};

// Takes the lock, with the table locked; the entry it went to in `locked`.
Result<std::unique_ptr<FileLock>> Lock(Table& table, const std::string& path, LockMode mode,
                                       std::shared_ptr<Entry>& locked) {
  JET_ASSIGN_OR_RETURN(const Key key, KeyOfPath(path));
  Sweep(table);
  std::shared_ptr<Entry> entry = EntryOf(table, key);
  if (!entry->Allows(mode)) return InUseHere(path);
  Status opened = OpenLocks(*entry, mode, path);
  if (!opened.ok()) {
    Sweep(table);
    return opened;
  }
  ++entry->CountOf(mode);
  locked = entry;
  return std::unique_ptr<FileLock>(std::make_unique<WindowsFileLock>(entry, mode, path));
}

}  // namespace

Result<std::shared_ptr<OpenHandle>> OpenShared(const std::string& path, DWORD access, DWORD disposition,
                                               DWORD attributes) {
  HANDLE handle = Create(path, access, kShareAll, disposition, attributes);
  const DWORD error = ::GetLastError();
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  Sweep(table);
  if (handle != INVALID_HANDLE_VALUE) {
    Result<Key> key = KeyOfHandle(handle, path);
    if (!key.ok()) {
      ::CloseHandle(handle);
      return key.status();
    }
    auto opened = std::make_shared<OpenHandle>(handle, access);
    EntryOf(table, *key)->opens.push_back(opened);
    return opened;
  }
  if (error == ERROR_ACCESS_DENIED) {
    const DWORD attributes_now = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes_now != INVALID_FILE_ATTRIBUTES && (attributes_now & FILE_ATTRIBUTE_DIRECTORY))
      return Status(ErrorKind::kNotFound, "is a folder, not a file").AtFile(path);
  }
  if (error == ERROR_SHARING_VIOLATION && disposition != CREATE_NEW) {
    // Refused by this process's own locks, or by another program's share mode.
    Result<Key> key = KeyOfPath(path);
    if (key.ok()) {
      auto it = table.files.find(*key);
      if (it != table.files.end() && it->second->locks && it->second->strict)
        return Duplicate(*it->second, it->second->locks->get(), access, path);
    }
  }
  return WindowsError(error, disposition == CREATE_NEW ? "cannot create" : "cannot open", path);
}

Result<LockedHandle> OpenLocked(const std::string& path, LockMode mode, DWORD access) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  std::shared_ptr<Entry> entry;
  JET_ASSIGN_OR_RETURN(std::unique_ptr<FileLock> lock, Lock(table, path, mode, entry));
  Result<std::shared_ptr<OpenHandle>> handle = Duplicate(*entry, entry->locks->get(), access, path);
  if (!handle.ok()) return handle.status();  // the lock goes with it
  return LockedHandle{std::move(lock), std::move(handle).value()};
}

void CloseEverywhere(const std::string& path) {
  Result<Key> key = KeyOfPath(path);
  if (!key.ok()) return;
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto it = table.files.find(*key);
  if (it == table.files.end()) return;
  Entry& entry = *it->second;
  for (const auto& open : entry.opens) {
    if (auto handle = open.lock()) handle->Close();
  }
  entry.opens.clear();
  entry.locks.reset();
  table.files.erase(it);  // its locks keep the entry, apart from a file that may come there
}

Result<std::unique_ptr<FileLock>> LockPath(const std::string& path, LockMode mode) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.mutex);
  std::shared_ptr<Entry> entry;
  return Lock(table, path, mode, entry);
}

namespace {

// LockedByOthers, with `self` (when given) one of this process's handles of the file that is
// not counted among its opens.
ForeignLock Probe(const std::string& path, OpenHandle* self) {
  Result<Key> key = KeyOfPath(path);
  if (!key.ok()) return ForeignLock::kNone;
  size_t own = 0;
  bool selfOpen = false;
  {
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    Sweep(table);
    auto it = table.files.find(*key);
    if (it != table.files.end()) {
      const Entry& entry = *it->second;
      // Nobody else had the file open when the locks' handle took it unshared, and nobody
      // could open it since.
      if (entry.locks && entry.strict) return ForeignLock::kNone;
      own = entry.OtherOpens() + (entry.locks ? 1 : 0);
      for (const auto& open : entry.opens) {
        if (self != nullptr && open.lock().get() == self && self->get() != INVALID_HANDLE_VALUE)
          selfOpen = true;
      }
      if (selfOpen) --own;
    }
  }
  if (own == 0) {
    // The exclusive open: Windows refuses it while anyone else has the file open, so the
    // handle of the asking File steps aside for it.
    if (selfOpen) self->Close();
    HANDLE alone = Create(path, GENERIC_READ, kShareNothing, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    const DWORD error = ::GetLastError();
    if (alone != INVALID_HANDLE_VALUE) ::CloseHandle(alone);
    if (selfOpen) self->Reset(Create(path, self->access(), kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (alone != INVALID_HANDLE_VALUE) return ForeignLock::kNone;
    if (error != ERROR_SHARING_VIOLATION) return ForeignLock::kNone;
  }
  // An open sharing everything: refused only by another program's open that shares no
  // reading (this process's own opens all share reading).
  HANDLE shared = Create(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (shared == INVALID_HANDLE_VALUE)
    return ::GetLastError() == ERROR_SHARING_VIOLATION ? ForeignLock::kExclusive : ForeignLock::kNone;
  ForeignLock seen = own == 0 ? ForeignLock::kSome : ForeignLock::kNone;
  if (seen == ForeignLock::kNone) {
    // While this process has the file open itself, another program shows only by the byte
    // ranges it locks (as Jet's engine does): they keep out a lock over the whole file.
    OVERLAPPED at{};
    if (::LockFileEx(shared, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &at)) {
      ::UnlockFileEx(shared, 0, MAXDWORD, MAXDWORD, &at);
    } else if (::GetLastError() == ERROR_LOCK_VIOLATION) {
      seen = ForeignLock::kSome;
    }
  }
  ::CloseHandle(shared);
  return seen;
}

}  // namespace

ForeignLock LockedByOthers(const std::string& path) { return Probe(path, nullptr); }

ForeignLock LockedByOthersThan(const std::string& path, OpenHandle& self) { return Probe(path, &self); }

}  // namespace jet
