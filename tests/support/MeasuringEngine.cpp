#include "tests/support/MeasuringEngine.h"

#include <filesystem>

#include "platform/host/WinPath.h"

namespace tav::testing {

namespace {

class MeasuringEngine : public DaoEngine {
 public:
  MeasuringEngine(std::unique_ptr<DaoEngine> real, SizeLog& log) : real_(std::move(real)), log_(log) {}

  DaoWorkspace& Workspaces(int16_t index) override { return real_->Workspaces(index); }
  void RepairDatabase(const std::string& name) override { real_->RepairDatabase(name); }
  void CompactDatabase(const std::string& source, const std::string& destination,
                       std::optional<std::string> locale, std::optional<int32_t> options,
                       std::optional<std::string> password) override {
    real_->CompactDatabase(source, destination, locale, options, password);
    log_[source] = {std::filesystem::file_size(HostPath(source)),
                    std::filesystem::file_size(HostPath(destination))};
  }

 private:
  std::unique_ptr<DaoEngine> real_;
  SizeLog& log_;
};

}  // namespace

std::unique_ptr<DaoEngine> MeasureCompactions(std::unique_ptr<DaoEngine> real, SizeLog& log) {
  return std::make_unique<MeasuringEngine>(std::move(real), log);
}

}  // namespace tav::testing
