#include "tests/support/GeneratedRun.h"

#include <cstdlib>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tools/generator/Generator.h"

namespace tav::testing {

bool PrepareVersion2Run(const std::filesystem::path& root, uint64_t rows, double deleted) {
  ::setenv("WINEPREFIX", "/nonexistent-wine-prefix-for-tests", 1);
  GenerateOptions options;
  options.generation = "TV2";
  options.rows = rows;
  options.deleted = deleted;
  options.password = "secret";
  if (!GenerateInstallation(root.string(), options).ok()) return false;
  tav::Run() = RunState{};
  tav::Run().BasePath = WindowsPath(root);
  return true;
}

void ScriptVersion2Run(ScriptedWindowServices& ws) {
  ws.OnModal("frmChooseVersion", [](Form& f) { f.SetTag("TV2"); });
  ws.OnEveryModal("frmPwd", [](Form& f) { f.SetTag("secret"); });
  ws.OnEveryModal("frmOptionalPwd", [](Form& f) { f.SetTag("secret"); });
  ws.AnswerEveryBox(vbCancel);
}

std::vector<ScriptedWindowServices::Box> RunVersion2(const std::filesystem::path& root,
                                                     jet::FileSystem& files) {
  tav::Run() = RunState{};
  tav::Run().BasePath = WindowsPath(root);
  SetDbEngineFactory(MakeJetDaoEngine);
  ProgramFileSystemOverride chosen(files);
  ScriptedWindowServices ws;
  ScriptVersion2Run(ws);
  try {
    (void)Main(ws);
  } catch (const ProgramEnded&) {
  }
  SetDbEngineFactory(nullptr);
  return ws.Boxes();
}

}  // namespace tav::testing
