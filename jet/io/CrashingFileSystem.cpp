#include "jet/io/CrashingFileSystem.h"

#include <algorithm>
#include <filesystem>

namespace jet {

namespace {

// A file of a CrashingFileSystem: each call is a step, and a sync makes the contents durable
// in the model instead of on the disk.
class CrashingFile : public SteppingFile {
 public:
  CrashingFile(std::unique_ptr<File> inner, CrashingFileSystem& owner, size_t node)
      : SteppingFile(std::move(inner), owner), owner_(owner), node_(node) {}

  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    JET_RETURN_IF_ERROR(SteppingFile::WriteAt(offset, data));
    owner_.Changed(node_, {offset, std::vector<uint8_t>(data.begin(), data.end()), false});
    return Status::Ok();
  }
  Status Truncate(uint64_t size) override {
    JET_RETURN_IF_ERROR(SteppingFile::Truncate(size));
    owner_.Changed(node_, {size, {}, true});
    return Status::Ok();
  }
  Status Sync() override {
    JET_RETURN_IF_ERROR(owner_.Step(FileCall::kSync, Name()));
    owner_.Synced(inner(), node_);
    return Status::Ok();
  }

 private:
  CrashingFileSystem& owner_;
  size_t node_;
};

std::vector<uint8_t> ContentsOf(File& file) {
  auto size = file.Size();
  if (!size.ok()) return {};
  std::vector<uint8_t> bytes(*size);
  if (!file.ReadAt(0, bytes).ok()) return {};
  return bytes;
}

std::vector<uint8_t> ContentsAt(FileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, OpenMode::kReadOnly);
  return file.ok() ? ContentsOf(**file) : std::vector<uint8_t>{};
}

std::string Join(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace

std::string CrashingFileSystem::Key(const std::string& folder) {
  std::filesystem::path normal = std::filesystem::path(folder).lexically_normal();
  if (!normal.has_filename() && normal != normal.root_path()) normal = normal.parent_path();
  return normal.string();
}

Status CrashingFileSystem::Step(FileCall call, const std::string& path) {
  calls_.push_back({call, path});
  if (!cut_ && cut_at_ >= 0 && static_cast<int64_t>(calls_.size()) - 1 == cut_at_) {
    cut_ = calls_.back();
    at_cut_ = Take();
  }
  if (!cut_) return Status::Ok();
  return IoError("the power went off at call " + std::to_string(cut_at_) + " (" + cut_->ToString() + ")")
      .AtFile(path)
      .WithCause(OsCause::kDevice);
}

void CrashingFileSystem::See(const std::string& folder) {
  const std::string key = Key(folder);
  if (durable_.count(key) != 0) return;
  FolderState& entries = durable_[key];
  auto names = inner_.List(key);
  if (!names.ok()) return;
  for (const std::string& name : *names) {
    const std::string path = Join(key, name);
    auto stat = inner_.Stat(path);
    if (stat.ok() && stat->kind == FileKind::kFile) entries[name] = NodeOf(*stat, path, false);
  }
}

size_t CrashingFileSystem::NodeOf(const FileStat& stat, const std::string& path, bool new_file) {
  const std::pair<uint64_t, uint64_t> id{stat.device, stat.inode};
  auto known = node_of_.find(id);
  if (known != node_of_.end() && !new_file) return known->second;
  nodes_.push_back(Node{new_file ? std::vector<uint8_t>{} : ContentsAt(inner_, path), {}});
  node_of_[id] = nodes_.size() - 1;
  return nodes_.size() - 1;
}

void CrashingFileSystem::Synced(File& file, size_t node) {
  nodes_[node].durable = ContentsOf(file);
  nodes_[node].unsynced.clear();
}

void CrashingFileSystem::Changed(size_t node, Change change) {
  nodes_[node].unsynced.push_back(std::move(change));
}

std::vector<uint8_t> CrashingFileSystem::Replayed(const Node& node, size_t kept) const {
  std::vector<uint8_t> bytes = node.durable;
  for (size_t i = 0; i < kept && i < node.unsynced.size(); ++i) {
    const Change& change = node.unsynced[i];
    if (change.truncation) {
      bytes.resize(change.offset);
      continue;
    }
    if (bytes.size() < change.offset + change.data.size()) bytes.resize(change.offset + change.data.size());
    std::copy(change.data.begin(), change.data.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(change.offset));
  }
  return bytes;
}

Result<std::unique_ptr<File>> CrashingFileSystem::Wrap(Result<std::unique_ptr<File>> opened,
                                                       const std::string& path, bool new_file) {
  if (!opened.ok()) return opened.status();
  std::unique_ptr<File> file = std::move(opened).value();
  auto stat = file->Stat();
  if (!stat.ok()) return stat.status();
  const size_t node = NodeOf(*stat, path, new_file);
  return std::unique_ptr<File>(std::make_unique<CrashingFile>(std::move(file), *this, node));
}

Result<std::unique_ptr<File>> CrashingFileSystem::Open(const std::string& path, OpenMode mode) {
  JET_RETURN_IF_ERROR(Step(mode == OpenMode::kCreateNew ? FileCall::kCreate : FileCall::kOpen, path));
  if (mode == OpenMode::kReadWriteExclusive) JET_RETURN_IF_ERROR(Step(FileCall::kLock, path));
  See(FolderOf(path));
  const bool existed = inner_.Stat(path).ok();
  return Wrap(inner_.Open(path, mode), path, !existed);
}

Result<std::unique_ptr<File>> CrashingFileSystem::CreateNew(const std::string& path, uint32_t mode) {
  JET_RETURN_IF_ERROR(Step(FileCall::kCreate, path));
  See(FolderOf(path));
  return Wrap(inner_.CreateNew(path, mode), path, true);
}

Status CrashingFileSystem::Rename(const std::string& from, const std::string& to) {
  JET_RETURN_IF_ERROR(Step(FileCall::kRename, from));
  See(FolderOf(from));
  See(FolderOf(to));
  // The file replaced keeps its node for the durable entries that still name it; its inode
  // may now be given to a new file.
  if (auto replaced = inner_.Stat(to); replaced.ok()) node_of_.erase({replaced->device, replaced->inode});
  return inner_.Rename(from, to);
}

Status CrashingFileSystem::Remove(const std::string& path) {
  JET_RETURN_IF_ERROR(Step(FileCall::kRemove, path));
  See(FolderOf(path));
  auto removed = inner_.Stat(path);
  Status status = inner_.Remove(path);
  if (status.ok() && removed.ok()) node_of_.erase({removed->device, removed->inode});
  return status;
}

Status CrashingFileSystem::SyncFolder(const std::string& folder) {
  JET_RETURN_IF_ERROR(Step(FileCall::kSyncFolder, folder));
  See(folder);
  const std::string key = Key(folder);
  JET_ASSIGN_OR_RETURN(const std::vector<std::string> names, inner_.List(key));
  FolderState now;
  for (const std::string& name : names) {
    const std::string path = Join(key, name);
    auto stat = inner_.Stat(path);
    if (stat.ok() && stat->kind == FileKind::kFile) now[name] = NodeOf(*stat, path, false);
  }
  durable_[key] = std::move(now);
  return Status::Ok();
}

Result<FileStat> CrashingFileSystem::Stat(const std::string& path) {
  JET_RETURN_IF_ERROR(Step(FileCall::kStat, path));
  return inner_.Stat(path);
}

Result<std::vector<std::string>> CrashingFileSystem::List(const std::string& folder) {
  JET_RETURN_IF_ERROR(Step(FileCall::kList, folder));
  See(folder);
  return inner_.List(folder);
}

Status CrashingFileSystem::SetOwner(const std::string& path, uint32_t owner, uint32_t group) {
  JET_RETURN_IF_ERROR(Step(FileCall::kSetOwner, path));
  return inner_.SetOwner(path, owner, group);
}

Status CrashingFileSystem::SetMode(const std::string& path, uint32_t mode) {
  JET_RETURN_IF_ERROR(Step(FileCall::kSetMode, path));
  return inner_.SetMode(path, mode);
}

Result<std::string> CrashingFileSystem::Resolve(const std::string& path) {
  JET_RETURN_IF_ERROR(Step(FileCall::kResolve, path));
  return inner_.Resolve(path);
}

Status CrashingFileSystem::LoseUnsynced(Loss loss) {
  // What each folder holds now, and the present contents of every file in them.
  std::map<std::string, FolderState> now;
  std::map<size_t, std::vector<uint8_t>> present;
  for (const auto& [folder, entries] : durable_) {
    JET_ASSIGN_OR_RETURN(const std::vector<std::string> names, inner_.List(folder));
    for (const std::string& name : names) {
      const std::string path = Join(folder, name);
      auto stat = inner_.Stat(path);
      if (!stat.ok() || stat->kind != FileKind::kFile) continue;
      const size_t node = NodeOf(*stat, path, false);
      now[folder][name] = node;
      present[node] = ContentsAt(inner_, path);
    }
  }
  for (const auto& [folder, durable] : durable_) {
    for (const auto& [name, node] : now[folder]) JET_RETURN_IF_ERROR(inner_.Remove(Join(folder, name)));
    for (const auto& [name, node] : loss.folderChanges ? durable : now[folder]) {
      const Node& state = nodes_[node];
      std::vector<uint8_t> bytes;
      switch (loss.writes) {
        case Loss::Writes::kAll:
          bytes = state.durable;
          break;
        case Loss::Writes::kSecondHalf:
          bytes = Replayed(state, (state.unsynced.size() + 1) / 2);
          break;
        case Loss::Writes::kNone:
          bytes = present.count(node) != 0 ? present[node] : Replayed(state, state.unsynced.size());
          break;
      }
      JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, inner_.CreateNew(Join(folder, name), 0644));
      JET_RETURN_IF_ERROR(file->WriteAt(0, bytes));
    }
  }
  return Status::Ok();
}

CrashingFileSystem::Snapshot CrashingFileSystem::Take() {
  Snapshot out;
  for (const auto& [folder, entries] : durable_) {
    auto names = inner_.List(folder);
    if (!names.ok()) continue;
    for (const std::string& name : *names) {
      const std::string path = Join(folder, name);
      auto stat = inner_.Stat(path);
      if (stat.ok() && stat->kind == FileKind::kFile) out[path] = ContentsAt(inner_, path);
    }
  }
  return out;
}

std::string CrashingFileSystem::ChangedSinceCut() {
  if (!cut_) return "";
  const Snapshot now = Take();
  for (const auto& [path, bytes] : at_cut_) {
    auto found = now.find(path);
    if (found == now.end()) return path + " was removed";
    if (found->second != bytes) return path + " was changed";
  }
  for (const auto& [path, bytes] : now) {
    if (at_cut_.count(path) == 0) return path + " was created";
  }
  return "";
}

}  // namespace jet
