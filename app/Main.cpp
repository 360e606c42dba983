#include "app/Main.h"

#include <string>

#include "app/DatabaseSet.h"
#include "app/RunState.h"
#include "platform/base/VbError.h"
#include "texts/TextTable.h"

namespace tav {

namespace {

// The start button leaves text 5 ("Working...") in txtFiles; the results follow it after
// a blank line.
constexpr int16_t kWorkingText = 5;

std::string RemoveAll(std::string text, const std::string& piece) {
  if (piece.empty()) return text;
  std::string out;
  size_t from = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, from)) {
    out.append(text, from, at - from);
    from = at + piece.size();
  }
  out.append(text, from);
  return out;
}

// Shows the main window modally and returns the version tag it answered.
std::string ChooseVersion(Form& window) {
  ErrorRecord err;
  Trap(err, [&] { window.Load(); });
  Trap(err, [&] { window.ShowModal(); });
  std::string tag;
  Trap(err, [&] { tag = window.Tag(); });
  return tag;
}

void WalkDatabases(DatabaseCycle& cycle, const std::string& versionTag) {
  const std::string basePath = Run().BasePath;
  for (DatabaseLocation at = FirstDatabase(basePath); !at.fileName.empty();
       at = NextDatabase(versionTag, basePath, at.fileName)) {
    ErrorRecord err;
    Trap(err, [&] { cycle.Maintain(at.folder, at.fileName); });
  }
}

// Turns txtFiles into the results view and reveals the end button.
void FinishResults(Form& window) {
  ErrorRecord err;
  std::string text;
  Trap(err, [&] {
    text = RemoveAll(PropText(window, "txtFiles", "Text"), GetText(kWorkingText) + "\r\n\r\n");
    window.SetProperty("txtFiles", "Text", text);
  });
  Trap(err, [&] { window.SetProperty("txtFiles", "SelStart", static_cast<int32_t>(text.size())); });
  Trap(err, [&] { window.SetProperty("cmdEnd", "Visible", true); });
}

}  // namespace

bool InitControls(WindowServices& ws) {
  try {
    return ws.InitCommonControls(kIccUserExClasses);
  } catch (const VbError&) {
    return false;
  }
}

std::unique_ptr<Form> Main(WindowServices& ws) {
  return Main(ws, [](WindowServices& services, Form& mainWindow) -> std::unique_ptr<DatabaseCycle> {
    return std::make_unique<MaintenanceCycle>(services, mainWindow);
  });
}

std::unique_ptr<Form> Main(WindowServices& ws, const CycleMaker& makeCycle) {
  ErrorRecord err;
  InitControls(ws);
  Trap(err, [] { LoadTexts(); });

  std::unique_ptr<Form> window;
  Trap(err, [&] { window = ws.CreateForm("frmChooseVersion"); });
  if (!window) ws.End();

  const std::string versionTag = ChooseVersion(*window);
  if (versionTag.empty()) {
    Trap(err, [&] { window->Unload(); });
    window.reset();
    ws.End();
  }
  Trap(err, [&] { window->Show(); });

  std::unique_ptr<DatabaseCycle> cycle;
  Trap(err, [&] { cycle = makeCycle(ws, *window); });
  if (cycle) {
    Trap(err, [&] { cycle->PasswordCheck(); });
    WalkDatabases(*cycle, versionTag);
  }
  FinishResults(*window);
  return window;
}

}  // namespace tav
