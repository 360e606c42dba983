#include "tests/support/MeasuringEngine.h"

#include <filesystem>

namespace tav::testing {

namespace {

class MeasuringEngine : public DaoEngine {
 public:
  MeasuringEngine(std::unique_ptr<DaoEngine> real, SizeLog& log) : real_(std::move(real)), log_(log) {}

  DaoWorkspace& Workspaces(int16_t index) override { return real_->Workspaces(index); }
  void RepairDatabase(const FileLocation& name) override { real_->RepairDatabase(name); }
  void CompactDatabase(const FileLocation& source, const FileLocation& destination,
                       std::optional<std::string> locale, std::optional<int32_t> options,
                       std::optional<std::string> password) override {
    real_->CompactDatabase(source, destination, locale, options, password);
    log_[source.windows()] = {std::filesystem::file_size(source.host()),
                              std::filesystem::file_size(destination.host())};
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
