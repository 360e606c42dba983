#pragma once
// The main window: the user picks the Tavimer generation, sees the database files that
// the run will process and starts it; during the run `txtFiles` is the results display,
// and after it `cmdEnd` ends the program.
//
// The window answers its caller through its Tag: "TV1", "TV2" or empty. Closing it before
// Start discards the choice, as if the window were destroyed with its tag; during the run a
// close is refused, so no database is ever left half copied; once the run is over, closing
// ends the program like the End button.

#include <string_view>

#include "platform/window/FormHandlers.h"

namespace tav {

// The window as designed: its controls, their places, captions and look.
const FormDesign& frmChooseVersionDesign();

class frmChooseVersion : public FormHandlers {
 public:
  // The window's states, from its creation to the end of the run.
  enum class State { Choosing, Chosen, Working, Finished };

  explicit frmChooseVersion(WindowServices& services) : services_(services) {}

  // Localises the designed "#n" captions.
  void Form_Load(Form& self) override;
  void Click(Form& self, std::string_view control, int index) override;
  bool QueryUnload(Form& self) override;

  void cmdTV_Click(Form& self, int index);
  void cmdStart_Click(Form& self);
  void cmdEnd_Click(Form& self);

  State CurrentState(const Form& self) const;

 private:
  WindowServices& services_;
  bool started_ = false;
};

// The main window's design with its handlers, as "frmChooseVersion".
FormClass MainWindowForm();

}  // namespace tav
