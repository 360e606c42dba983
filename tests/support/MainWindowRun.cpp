#include "tests/support/MainWindowRun.h"

#include <QTimer>
#include <chrono>
#include <filesystem>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "gui/DesignedWindow.h"
#include "gui/ProgramWindows.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/registry/RegistryApi.h"

namespace tav::testing {

namespace fs = std::filesystem;

namespace {

// The steps of a test, each waiting for its window. The run goes on only through them, so
// a run that shows a modal window nobody waits for, or never shows an awaited one, would
// sit in a modal loop until the test's timeout: either fails the test at once instead and
// closes every window, which ends the run.
class Waits {
 public:
  static Waits& Get() {
    static Waits waits;
    return waits;
  }

  void Add(const char* name, std::function<void(QWidget&)> step) {
    pending_.push_back({name, std::move(step), Clock::now() + kLongest});
  }

  // Per test: polls while the test runs; a step still waiting at the end has failed.
  void Start() {
    pending_.clear();
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
  }
  void Stop() {
    timer_.stop();
    timer_.disconnect();
    for (const Pending& p : pending_) ADD_FAILURE() << p.name << " was never shown";
    pending_.clear();
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kLongest{60};
  struct Pending {
    std::string name;
    std::function<void(QWidget&)> step;
    Clock::time_point deadline;
  };

  void Poll() {
    if (polling_) return;
    polling_ = true;
    PollOnce();
    polling_ = false;
  }
  void PollOnce() {
    for (size_t i = 0; i < pending_.size(); ++i) {
      if (QWidget* w = TopLevel(pending_[i].name.c_str())) {
        auto step = std::move(pending_[i].step);
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        step(*w);
        return;
      }
      if (Clock::now() > pending_[i].deadline) {
        ADD_FAILURE() << pending_[i].name << " was not shown within " << kLongest.count() << " s";
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        CloseEverything();
        return;
      }
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    for (const Pending& p : pending_)
      if (TopLevel(p.name.c_str()) == modal) return;
    ADD_FAILURE() << "a window nobody waits for holds the run: " << modal->metaObject()->className() << " "
                  << modal->objectName().toStdString();
    CloseEverything();
  }
  static void CloseEverything() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) w->close();
  }

  std::vector<Pending> pending_;
  QTimer timer_;
  bool polling_ = false;
};

}  // namespace

int RecordingServices::MsgBox(const std::string& text, int style) {
  boxes.push_back({text, style});
  if ((style & 7) != vbRetryCancel) return vbOK;
  if (retries.empty()) return vbCancel;
  const int answer = retries.front();
  retries.erase(retries.begin());
  return answer;
}

void RecordingServices::End() {
  ended = true;
  throw ProgramEnded{};
}

void RecordingServices::DoEvents() {
  QtWindowServices::DoEvents();
  if (onDoEvents) onDoEvents();
}

QWidget* TopLevel(const char* name) {
  const QString className = QStringLiteral("tav::") + name;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && (w->objectName() == name || className == w->metaObject()->className())) return w;
  return nullptr;
}

frmChooseVersion::State MainWindowState(QWidget& window) {
  return static_cast<frmChooseVersion&>(static_cast<DesignedWindow&>(window).Handlers())
      .CurrentState(*static_cast<DesignedWindow&>(window).Instance());
}

ButtonPlus* FindButton(QWidget& form, const char* name, int index) {
  for (auto* b : form.findChildren<ButtonPlus*>(name))
    if (b->Index() == index) return b;
  return nullptr;
}

void WhenShown(const char* name, std::function<void(QWidget&)> step) {
  Waits::Get().Add(name, std::move(step));
}

std::string GenerateCommand(const fs::path& folder, const std::string& options) {
  const fs::path jettool = fs::path(TAVIMER_BINARY_DIR) / "tools" / "jettool";
  return jettool.string() + " generate '" + folder.string() + "' " + options +
         " --rows 150 --deleted 0.4 --seed 3 >/dev/null";
}

void MainWindowRunTest::SetUp() {
  App();
  // The registry is read from this test's own prefix.
  SetDefaultRegistryApi(nullptr);
  tav::Run() = RunState{};
  RegisterProgramWindows(services_);
  SetDbEngineFactory(MakeJetDaoEngine);
  Waits::Get().Start();
}

void MainWindowRunTest::TearDown() {
  Waits::Get().Stop();
  window_.reset();
  SetDbEngineFactory(MakeJetDaoEngine);
  SetDefaultRegistryApi(nullptr);
  tav::Run() = RunState{};
}

void MainWindowRunTest::Place(const std::string& fixture, const std::string& relative) {
  fs::path target = prefix_.DriveC() / relative;
  fs::create_directories(target.parent_path());
  fs::copy_file(fs::path(TAVIMER_FIXTURES_DIR) / "jet" / fixture, target);
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
}

void MainWindowRunTest::RegisterFirstGeneration() {
  prefix_.UserReg("[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"C:\\\\Tavimer\"\n\n");
}

void MainWindowRunTest::RegisterDocuments() {
  prefix_.UserReg(
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
      "\"Personal\"=\"C:\\\\users\\\\me\\\\Documents\"\n\n");
}

void MainWindowRunTest::RunChoosing(int version, std::function<void(QWidget&, const char*)> shoot) {
  WhenShown("frmChooseVersion", [version, shoot](QWidget& w) {
    if (shoot) shoot(w, "choosing");
    FindButton(w, "cmdTV", version)->Press();
    if (shoot) shoot(w, "chosen-tv2");
    FindButton(w, "cmdStart")->Press();
  });
  window_ = Main(services_);
}

std::string MainWindowRunTest::Results() { return PropText(*window_, "txtFiles", "Text"); }

bool MainWindowRunTest::EndButtonShown() {
  PropValue v;
  return window_->GetProperty("cmdEnd", "Visible", v) && std::get<bool>(v);
}

}  // namespace tav::testing
