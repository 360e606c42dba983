#pragma once
// A file system for tests that cuts the power: it passes every call to another one (the
// real disk, in a scratch folder) until the call numbered `cut_at` (from 0, counted as
// FaultyFileSystem counts them). That call and every later one then fail with kIo and reach
// nothing, as a program finds its disk gone at a power cut.
//
// Meanwhile it keeps what a power cut would leave, in the strictest reading of what the
// system promises:
//   - a file's contents are those of its last Sync (a file it created: empty until then);
//   - a folder's entries are those of its last SyncFolder: a creation, rename or removal
//     that no SyncFolder of its folder followed is undone.
// What was in a folder before the first call that names it, and what a file held before it
// was first opened, count as durable. LoseUnsynced() then puts every folder it has seen in
// that state, as the machine would find its disk on restart; without it, the disk stays as
// the process left it, which is what a killed process leaves. A power cut may also keep
// part of what was not synced: LoseUnsynced can keep the folders' changes or the files'
// writes, or keep the first half of each file's writes since its last sync (a torn write).
//
// Sync and SyncFolder are not passed on to the disk: their effect is this model's. Locks,
// the foreign-lock probe and every other call do reach it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/io/FileSystem.h"

namespace jet {

class CrashingFileSystem : public FileSystem, public SteppingFile::Steps {
 public:
  // `inner` must outlive this. A negative `cut_at` never cuts.
  CrashingFileSystem(FileSystem& inner, int64_t cut_at) : inner_(inner), cut_at_(cut_at) {}

  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override;
  Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status Remove(const std::string& path) override;
  Status SyncFolder(const std::string& folder) override;
  Result<FileStat> Stat(const std::string& path) override;
  Result<std::vector<std::string>> List(const std::string& folder) override;
  Status SetOwner(const std::string& path, uint32_t owner, uint32_t group) override;
  Status SetMode(const std::string& path, uint32_t mode) override;
  Result<std::string> Resolve(const std::string& path) override;

  // A write or a truncation (`data` empty, the file cut to `offset`) since the last sync.
  struct Change {
    uint64_t offset;
    std::vector<uint8_t> data;
    bool truncation;
  };

  Status Step(FileCall call, const std::string& path) override;
  // Makes what `file` (of `node`) holds now its durable contents.
  void Synced(File& file, size_t node);
  // Notes a write to, or a truncation of, the file of `node`.
  void Changed(size_t node, Change change);

  // Every call made, the one the power went at included.
  const std::vector<RecordedCall>& calls() const { return calls_; }
  bool power_off() const { return cut_.has_value(); }
  // The call the power went at.
  const std::optional<RecordedCall>& cut() const { return cut_; }

  // What a power cut loses (see above).
  struct Loss {
    // The creations, renames and removals that no flush of their folder followed.
    bool folderChanges = true;
    // Which of each file's writes (and truncations) since its last sync.
    enum class Writes { kAll, kSecondHalf, kNone } writes = Writes::kAll;
  };
  // Puts every folder seen in its state after a power cut that lost `loss`. Call it once the
  // program has let go of every file.
  Status LoseUnsynced(Loss loss);
  Status LoseUnsynced() { return LoseUnsynced(Loss{}); }
  // "" when nothing in the folders seen has changed since the power went (nothing reached
  // the disk but through this file system), else the first change.
  std::string ChangedSinceCut();

 private:
  struct Node {
    std::vector<uint8_t> durable;
    std::vector<Change> unsynced;
  };
  using FolderState = std::map<std::string, size_t>;  // name -> node
  using Snapshot = std::map<std::string, std::vector<uint8_t>>;

  static std::string Key(const std::string& folder);
  // Notes the folder's present entries as durable, the first time it is named.
  void See(const std::string& folder);
  // The node of the file `stat` describes (at `path`): a new file's is new and empty; a file
  // met for the first time gets one that holds what the file holds now.
  size_t NodeOf(const FileStat& stat, const std::string& path, bool new_file);
  // The contents of `node` after a power cut that kept the first `kept` unsynced changes.
  std::vector<uint8_t> Replayed(const Node& node, size_t kept) const;
  Result<std::unique_ptr<File>> Wrap(Result<std::unique_ptr<File>> opened, const std::string& path,
                                     bool new_file);
  Snapshot Take();

  FileSystem& inner_;
  int64_t cut_at_;
  std::vector<RecordedCall> calls_;
  std::optional<RecordedCall> cut_;
  std::vector<Node> nodes_;
  std::map<std::pair<uint64_t, uint64_t>, size_t> node_of_;  // (device, inode) -> node
  std::map<std::string, FolderState> durable_;               // folder -> its durable entries
  Snapshot at_cut_;
};

}  // namespace jet
