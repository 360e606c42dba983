// The File and FileSystem implementations over the Win32 API: the only code of the engine on
// Windows that opens, creates, renames or removes files. Paths arrive as UTF-8 and go to
// the wide calls; error codes become a Status through WindowsError.
#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "jet/io/File.h"
#include "jet/io/FileLock.h"
#include "jet/io/FileSystem.h"
#include "jet/io/WindowsError.h"
#include "jet/io/WindowsFileLock.h"
#include "jet/io/WindowsText.h"

namespace jet {
namespace {

// The most one ReadFile or WriteFile call moves.
constexpr size_t kMaxTransfer = size_t{1} << 30;

// A Stat of the file open on `handle`: Windows keeps no owner or permission bits, only the
// read-only attribute; the volume's serial number and the file's index name the file.
Result<FileStat> StatOfHandle(HANDLE handle, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info))
    return WindowsError(::GetLastError(), "cannot read the attributes of", path);
  FileStat out;
  out.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444u : 0666u;
  out.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder
             : ::GetFileType(handle) == FILE_TYPE_DISK               ? FileKind::kFile
                                                                     : FileKind::kOther;
  out.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  out.device = info.dwVolumeSerialNumber;
  out.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return out;
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

class WindowsFile : public File {
 public:
  WindowsFile(std::shared_ptr<OpenHandle> handle, std::string path, bool writable,
              std::unique_ptr<FileLock> lock)
      : handle_(std::move(handle)), path_(std::move(path)), writable_(writable), lock_(std::move(lock)) {}

  // Positioned reads: the offset goes with each call, so no file position is shared with
  // another File on the same open file.
  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    size_t done = 0;
    while (done < buffer.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min(buffer.size() - done, kMaxTransfer));
      if (!::ReadFile(handle_->get(), buffer.data() + done, want, &got, &at)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_HANDLE_EOF) return WindowsError(error, "cannot read", path_).AtOffset(offset);
        got = 0;
      }
      if (got == 0) return CorruptError("read past the end of the file").AtFile(path_).AtOffset(offset);
      done += got;
    }
    return Status::Ok();
  }

  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    size_t done = 0;
    while (done < data.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD put = 0;
      const DWORD want = static_cast<DWORD>(std::min(data.size() - done, kMaxTransfer));
      if (!::WriteFile(handle_->get(), data.data() + done, want, &put, &at))
        return WindowsError(::GetLastError(), "cannot write", path_).AtOffset(offset);
      if (put == 0) return WindowsError(ERROR_WRITE_FAULT, "cannot write", path_).AtOffset(offset);
      done += put;
    }
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_->get(), &size))
      return WindowsError(::GetLastError(), "cannot get the file size", path_);
    return static_cast<uint64_t>(size.QuadPart);
  }

  // FlushFileBuffers needs write access; nothing is written through a read-only File.
  Status Sync() override {
    if (!writable_) {
      if (handle_->get() == INVALID_HANDLE_VALUE)
        return WindowsError(ERROR_INVALID_HANDLE, "cannot flush", path_);
      return Status::Ok();
    }
    if (!::FlushFileBuffers(handle_->get())) return WindowsError(::GetLastError(), "cannot flush", path_);
    return Status::Ok();
  }

  Status Truncate(uint64_t size) override {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFileInformationByHandle(handle_->get(), FileEndOfFileInfo, &end, sizeof end))
      return WindowsError(::GetLastError(), "cannot truncate", path_);
    return Status::Ok();
  }

  std::string Name() const override { return path_; }

  Result<std::unique_ptr<FileLock>> Lock(LockMode mode) override { return LockPath(path_, mode); }
  ForeignLock ForeignLocks() override { return LockedByOthersThan(path_, *handle_); }
  Result<FileStat> Stat() override { return StatOfHandle(handle_->get(), path_); }

 private:
  std::shared_ptr<OpenHandle> handle_;
  std::string path_;
  bool writable_;
  std::unique_ptr<FileLock> lock_;  // kReadWriteExclusive only
};

Result<std::unique_ptr<File>> OpenFile(const std::string& path, DWORD access, DWORD disposition,
                                       DWORD attributes) {
  JET_ASSIGN_OR_RETURN(std::shared_ptr<OpenHandle> handle, OpenShared(path, access, disposition, attributes));
  return std::unique_ptr<File>(
      std::make_unique<WindowsFile>(std::move(handle), path, (access & GENERIC_WRITE) != 0, nullptr));
}

class Windows : public FileSystem {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override {
    switch (mode) {
      case OpenMode::kReadOnly:
        return OpenFile(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
      case OpenMode::kReadWrite:
        return OpenFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
      case OpenMode::kCreateNew:
        return OpenFile(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
      case OpenMode::kReadWriteCreate:
        return OpenFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
      case OpenMode::kReadWriteExclusive:
        break;
    }
    JET_ASSIGN_OR_RETURN(LockedHandle locked,
                         OpenLocked(path, LockMode::kExclusive, GENERIC_READ | GENERIC_WRITE));
    return std::unique_ptr<File>(
        std::make_unique<WindowsFile>(std::move(locked.handle), path, true, std::move(locked.lock)));
  }

  Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) override {
    return OpenFile(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                    (mode & 0200) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY);
  }

  Status Rename(const std::string& from, const std::string& to) override {
    CloseEverywhere(to);
    if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return WindowsError(::GetLastError(), "cannot rename " + from + " to", to);
    return Status::Ok();
  }

  // Windows deletes no file that an open of it shares no deleting with, and the locks' handle
  // shares nothing: what this process has open of the file goes first, as for a rename.
  Status Remove(const std::string& path) override {
    CloseEverywhere(path);
    if (!::DeleteFileW(Wide(path).c_str())) return WindowsError(::GetLastError(), "cannot remove", path);
    return Status::Ok();
  }

  // A folder is flushed through a handle that may write (FlushFileBuffers asks for it).
  Status SyncFolder(const std::string& folder) override {
    HANDLE handle = ::CreateFileW(Wide(folder).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
      return WindowsError(::GetLastError(), "cannot open the folder", folder);
    const bool flushed = ::FlushFileBuffers(handle);
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (!flushed) return WindowsError(error, "cannot flush the folder", folder);
    return Status::Ok();
  }

  // Through an open that asks for no access to the data, so that no share mode refuses it.
  Result<FileStat> Stat(const std::string& path) override {
    HANDLE handle = ::CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
      return WindowsError(::GetLastError(), "cannot read the attributes of", path);
    Result<FileStat> stat = StatOfHandle(handle, path);
    ::CloseHandle(handle);
    return stat;
  }

  Result<std::vector<std::string>> List(const std::string& folder) override {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = Wide(folder.empty() ? "." : folder) + L"\\*";
    HANDLE search =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND) return std::vector<std::string>{};  // an empty folder
      return WindowsError(error, "cannot list the folder", folder);
    }
    std::vector<std::string> names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(Utf8(name));
    } while (::FindNextFileW(search, &found));
    const DWORD error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) return WindowsError(error, "cannot list the folder", folder);
    return names;
  }

  Status SetOwner(const std::string& path, uint32_t, uint32_t) override {
    if (::GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
      return WindowsError(::GetLastError(), "cannot set the owner of", path);
    return Status::Ok();
  }

  Status SetMode(const std::string& path, uint32_t mode) override {
    const std::wstring wide = Wide(path);
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      return WindowsError(::GetLastError(), "cannot set the mode of", path);
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL);
    if ((mode & 0200) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (!::SetFileAttributesW(wide.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes))
      return WindowsError(::GetLastError(), "cannot set the mode of", path);
    return Status::Ok();
  }

  // The final path of the file, its links and junctions followed, as a drive path.
  Result<std::string> Resolve(const std::string& path) override {
    HANDLE handle = ::CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return WindowsError(::GetLastError(), "cannot resolve", path);
    std::vector<wchar_t> name(MAX_PATH + 1);
    DWORD length = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
    if (length >= name.size()) {
      name.resize(length + 1);
      length = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (length == 0 || length >= name.size()) return WindowsError(error, "cannot resolve", path);
    std::wstring resolved(name.data(), length);
    if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0) {
      resolved = L"\\\\" + resolved.substr(8);
    } else if (resolved.rfind(L"\\\\?\\", 0) == 0) {
      resolved = resolved.substr(4);
    }
    return Utf8(resolved);
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static Windows windows;
  return windows;
}

}  // namespace jet
