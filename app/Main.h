#pragma once
// The start-up routine: prepares the common controls and the text table, lets the user
// choose the product version in the main window, and drives the maintenance run over that
// version's databases with the main window as the results display.

#include <cstdint>
#include <functional>
#include <memory>

#include "app/MaintenanceCycle.h"
#include "platform/window/WindowServices.h"

namespace tav {

// The extended combo-box class set of the common controls.
inline constexpr uint32_t kIccUserExClasses = 0x200;

// Initialises the common controls; true when that raised no error.
bool InitControls(WindowServices& ws);

// Makes the maintenance work for a run, given the loaded main window.
using CycleMaker = std::function<std::unique_ptr<DatabaseCycle>(WindowServices& ws, Form& mainWindow)>;

// The program's own logic, with the real maintenance cycle (the engine is DBEngine(), so
// its factory must be set first). The main window is created here, once, and returned
// still shown, with its end button visible: the caller keeps it until the program ends.
// Ends the program through ws.End() when no version was chosen, or when the run is
// cancelled at a password dialog or after too many wrong passwords.
//
// Each step that fails with a VbError is abandoned and the next one runs; nothing else
// is caught (so tav::ProgramEnded passes through).
std::unique_ptr<Form> Main(WindowServices& ws);

// The same with the maintenance work made by `makeCycle`.
std::unique_ptr<Form> Main(WindowServices& ws, const CycleMaker& makeCycle);

}  // namespace tav
