#pragma once
// A database engine for tests. Files are real (Windows paths mapped to host paths): an
// open, repair or compaction of a missing file fails with 3024, as the real engine's
// would. Beyond that, outcomes are scripted per path, and every call is recorded with its
// arguments and the number of handles then open on the file.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dao/DaoEngine.h"
#include "tests/support/CallLog.h"

namespace tav::testing {

struct EngineCall {
  std::string op;  // OpenDatabase, Close, RepairDatabase or CompactDatabase
  std::string name;
  std::optional<bool> options;
  std::optional<bool> readOnly;
  std::optional<std::string> connect;
  std::string destination;
  std::optional<std::string> locale;
  std::optional<int32_t> compactOptions;
  std::optional<std::string> password;
  int openHandles = 0;  // handles open on `name` when the call came (this one excluded)
};

class ScriptedEngine : public DaoEngine {
 public:
  // `log` (optional) receives "<op> <name>" for every call; it must outlive the engine.
  explicit ScriptedEngine(CallLog* log = nullptr);
  ~ScriptedEngine() override;

  // An engine that forwards to this one, for SetDbEngineFactory. This one must outlive it.
  std::unique_ptr<DaoEngine> Handle();

  // Opens and compactions of `path` need `password`: opens through the connect string
  // "; pwd=<password>;", compactions through ";pwd=<password>". Else 3031.
  void RequirePassword(const std::string& path, const std::string& password);
  // The next call of that kind on `path` fails; queued, one per call.
  void FailOpen(const std::string& path, int32_t number, const std::string& description);
  void FailRepair(const std::string& path, int32_t number, const std::string& description);
  void FailCompact(const std::string& path, int32_t number, const std::string& description);
  // Length of the file a successful compaction of `path` writes; default: the source's.
  void CompactTo(const std::string& path, int64_t length);
  // Runs `hook` with the destination's Windows path after every successful compaction.
  void AfterCompact(std::function<void(const std::string&)> hook) { afterCompact_ = std::move(hook); }

  const std::vector<EngineCall>& Calls() const { return calls_; }
  std::vector<EngineCall> Calls(const std::string& op) const;
  int OpenHandles() const;

  DaoWorkspace& Workspaces(int16_t index) override;
  void RepairDatabase(const FileLocation& name) override;
  void CompactDatabase(const FileLocation& source, const FileLocation& destination,
                       std::optional<std::string> locale = std::nullopt,
                       std::optional<int32_t> options = std::nullopt,
                       std::optional<std::string> password = std::nullopt) override;

  // Used by the workspace and the databases it hands out.
  std::unique_ptr<DaoDatabase> Open(const FileLocation& name, std::optional<bool> options,
                                    std::optional<bool> readOnly, std::optional<std::string> connect);
  void Closed(const std::string& name);

 private:
  struct Failure {
    int32_t number;
    std::string description;
  };
  using FailureQueue = std::map<std::string, std::deque<Failure>>;

  EngineCall& Record(std::string op, const std::string& name);
  static void ThrowScripted(FailureQueue& queue, const std::string& name);
  static void RequireFile(const FileLocation& file);

  CallLog* log_;
  std::unique_ptr<DaoWorkspace> workspace_;
  std::map<std::string, std::string> passwords_;
  FailureQueue openFailures_, repairFailures_, compactFailures_;
  std::map<std::string, int64_t> compactLengths_;
  std::function<void(const std::string&)> afterCompact_;
  std::map<std::string, int> handles_;
  std::vector<EngineCall> calls_;
};

}  // namespace tav::testing
