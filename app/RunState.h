#pragma once
// The run state shared by the start-up routine, installation discovery and the
// maintenance cycle. One instance lives for the whole run (Run()).

#include <memory>
#include <string>

namespace tav {

class DaoEngine;

struct RunState {
  // Data root of the chosen installation, exactly as discovery formed it; may be empty.
  std::string BasePath;
  // Database password in use; empty means none.
  std::string DbPassword;
  // The database in hand failed to open and has not been repaired.
  bool NeedsRepair = false;
  // The compacted copy was smaller and replaced the database file.
  bool WasCompacted = false;
};

// The program-wide run state.
RunState& Run();

}  // namespace tav
