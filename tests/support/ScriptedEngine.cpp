#include "tests/support/ScriptedEngine.h"

#include <filesystem>
#include <fstream>

#include "platform/base/VbError.h"

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
  std::unique_ptr<DaoDatabase> OpenDatabase(const FileLocation& name, std::optional<bool> options,
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
  void RepairDatabase(const FileLocation& name) override { engine_.RepairDatabase(name); }
  void CompactDatabase(const FileLocation& source, const FileLocation& destination,
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

void ScriptedEngine::RequireFile(const FileLocation& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file.host(), ec))
    throw VbError(3024, kSource, "Could not find file '" + file.windows() + "'.");
}

std::unique_ptr<DaoDatabase> ScriptedEngine::Open(const FileLocation& file, std::optional<bool> options,
                                                  std::optional<bool> readOnly,
                                                  std::optional<std::string> connect) {
  const std::string& name = file.windows();
  EngineCall& call = Record("OpenDatabase", name);
  call.options = options;
  call.readOnly = readOnly;
  call.connect = connect;
  ThrowScripted(openFailures_, name);
  RequireFile(file);
  auto pw = passwords_.find(name);
  if (pw != passwords_.end() && connect != "; pwd=" + pw->second + ";") throw BadPassword();
  ++handles_[name];
  return std::make_unique<ScriptedDatabase>(*this, name);
}

void ScriptedEngine::Closed(const std::string& name) {
  Record("Close", name);
  --handles_[name];
}

void ScriptedEngine::RepairDatabase(const FileLocation& file) {
  Record("RepairDatabase", file.windows());
  ThrowScripted(repairFailures_, file.windows());
  RequireFile(file);
}

void ScriptedEngine::CompactDatabase(const FileLocation& sourceFile, const FileLocation& destinationFile,
                                     std::optional<std::string> locale, std::optional<int32_t> options,
                                     std::optional<std::string> password) {
  const std::string& source = sourceFile.windows();
  const std::string& destination = destinationFile.windows();
  EngineCall& call = Record("CompactDatabase", source);
  call.destination = destination;
  call.locale = locale;
  call.compactOptions = options;
  call.password = password;
  ThrowScripted(compactFailures_, source);
  RequireFile(sourceFile);
  auto pw = passwords_.find(source);
  if (pw != passwords_.end() && password.value_or("") != ";pwd=" + pw->second) throw BadPassword();
  std::error_code ec;
  const auto& target = destinationFile.host();
  if (std::filesystem::exists(target, ec)) throw VbError(3204, kSource, "Database already exists.");
  auto length = compactLengths_.count(source) != 0
                    ? compactLengths_[source]
                    : static_cast<int64_t>(std::filesystem::file_size(sourceFile.host()));
  std::ofstream out(target, std::ios::binary);
  if (!out) throw VbError(3044, kSource, "'" + destination + "' isn't a valid path.");
  out << std::string(static_cast<size_t>(length), 'C');
  out.close();
  if (afterCompact_) afterCompact_(destination);
}

}  // namespace tav::testing
