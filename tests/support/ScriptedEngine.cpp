#include "tests/support/ScriptedEngine.h"

#include <filesystem>
#include <fstream>

#include "platform/base/VbError.h"
#include "platform/host/WinPath.h"

namespace tav::testing {

namespace {

constexpr const char* kSource = "DAO.DBEngine";

class ScriptedDatabase : public DaoDatabase {
 public:
  ScriptedDatabase(ScriptedEngine& engine, std::string name) : engine_(engine), name_(std::move(name)) {}
  ~ScriptedDatabase() override { Close(); }
  void Close() override {
    if (open_) engine_.Closed(name_);
    open_ = false;
  }

 private:
  ScriptedEngine& engine_;
  std::string name_;
  bool open_ = true;
};

class ScriptedWorkspace : public DaoWorkspace {
 public:
  explicit ScriptedWorkspace(ScriptedEngine& engine) : engine_(engine) {}
  std::unique_ptr<DaoDatabase> OpenDatabase(const std::string& name, std::optional<bool> options,
                                            std::optional<bool> readOnly,
                                            std::optional<std::string> connect) override {
    return engine_.Open(name, options, readOnly, std::move(connect));
  }

 private:
  ScriptedEngine& engine_;
};

// Forwards to an engine owned elsewhere.
class EngineHandle : public DaoEngine {
 public:
  explicit EngineHandle(DaoEngine& engine) : engine_(engine) {}
  DaoWorkspace& Workspaces(int16_t index) override { return engine_.Workspaces(index); }
  void RepairDatabase(const std::string& name) override { engine_.RepairDatabase(name); }
  void CompactDatabase(const std::string& source, const std::string& destination,
                       std::optional<std::string> locale, std::optional<int32_t> options,
                       std::optional<std::string> password) override {
    engine_.CompactDatabase(source, destination, std::move(locale), options, std::move(password));
  }

 private:
  DaoEngine& engine_;
};

VbError BadPassword() { return VbError(kErrNotValidPassword, kSource, "Not a valid password."); }

}  // namespace

ScriptedEngine::ScriptedEngine(CallLog* log)
    : log_(log), workspace_(std::make_unique<ScriptedWorkspace>(*this)) {}

ScriptedEngine::~ScriptedEngine() = default;

std::unique_ptr<DaoEngine> ScriptedEngine::Handle() { return std::make_unique<EngineHandle>(*this); }

void ScriptedEngine::RequirePassword(const std::string& path, const std::string& password) {
  passwords_[path] = password;
}

void ScriptedEngine::FailOpen(const std::string& path, int32_t number, const std::string& description) {
  openFailures_[path].push_back({number, description});
}

void ScriptedEngine::FailRepair(const std::string& path, int32_t number, const std::string& description) {
  repairFailures_[path].push_back({number, description});
}

void ScriptedEngine::FailCompact(const std::string& path, int32_t number, const std::string& description) {
  compactFailures_[path].push_back({number, description});
}

void ScriptedEngine::CompactTo(const std::string& path, int64_t length) { compactLengths_[path] = length; }

std::vector<EngineCall> ScriptedEngine::Calls(const std::string& op) const {
  std::vector<EngineCall> out;
  for (const auto& c : calls_)
    if (c.op == op) out.push_back(c);
  return out;
}

int ScriptedEngine::OpenHandles() const {
  int total = 0;
  for (const auto& [name, count] : handles_) total += count;
  return total;
}

DaoWorkspace& ScriptedEngine::Workspaces(int16_t index) {
  if (index != 0) throw VbError(3265, kSource, "Item not found in this collection.");
  return *workspace_;
}

EngineCall& ScriptedEngine::Record(std::string op, const std::string& name) {
  if (log_) log_->Add(op + " " + name);
  EngineCall call;
  call.op = std::move(op);
  call.name = name;
  call.openHandles = handles_[name];
  calls_.push_back(std::move(call));
  return calls_.back();
}

void ScriptedEngine::ThrowScripted(FailureQueue& queue, const std::string& name) {
  auto it = queue.find(name);
  if (it == queue.end() || it->second.empty()) return;
  Failure f = it->second.front();
  it->second.pop_front();
  throw VbError(f.number, kSource, f.description);
}

void ScriptedEngine::RequireFile(const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(HostPath(name), ec))
    throw VbError(3024, kSource, "Could not find file '" + name + "'.");
}

std::unique_ptr<DaoDatabase> ScriptedEngine::Open(const std::string& name, std::optional<bool> options,
                                                  std::optional<bool> readOnly,
                                                  std::optional<std::string> connect) {
  EngineCall& call = Record("OpenDatabase", name);
  call.options = options;
  call.readOnly = readOnly;
  call.connect = connect;
  ThrowScripted(openFailures_, name);
  RequireFile(name);
  auto pw = passwords_.find(name);
  if (pw != passwords_.end() && connect != "; pwd=" + pw->second + ";") throw BadPassword();
  ++handles_[name];
  return std::make_unique<ScriptedDatabase>(*this, name);
}

void ScriptedEngine::Closed(const std::string& name) {
  Record("Close", name);
  --handles_[name];
}

void ScriptedEngine::RepairDatabase(const std::string& name) {
  Record("RepairDatabase", name);
  ThrowScripted(repairFailures_, name);
  RequireFile(name);
}

void ScriptedEngine::CompactDatabase(const std::string& source, const std::string& destination,
                                     std::optional<std::string> locale, std::optional<int32_t> options,
                                     std::optional<std::string> password) {
  EngineCall& call = Record("CompactDatabase", source);
  call.destination = destination;
  call.locale = locale;
  call.compactOptions = options;
  call.password = password;
  ThrowScripted(compactFailures_, source);
  RequireFile(source);
  auto pw = passwords_.find(source);
  if (pw != passwords_.end() && password.value_or("") != ";pwd=" + pw->second) throw BadPassword();
  std::error_code ec;
  auto target = HostPath(destination);
  if (std::filesystem::exists(target, ec)) throw VbError(3204, kSource, "Database already exists.");
  auto length = compactLengths_.count(source) != 0
                    ? compactLengths_[source]
                    : static_cast<int64_t>(std::filesystem::file_size(HostPath(source)));
  std::ofstream out(target, std::ios::binary);
  if (!out) throw VbError(3044, kSource, "'" + destination + "' isn't a valid path.");
  out << std::string(static_cast<size_t>(length), 'C');
  out.close();
  if (afterCompact_) afterCompact_(destination);
}

}  // namespace tav::testing
