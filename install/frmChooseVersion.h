#pragma once
// The main window: the user picks the Tavimer generation, sees the database files that
// the run will process and starts it; during the run `txtFiles` is the results display,
// and after it `cmdEnd` ends the program.
//
// The window answers its caller through its "Tag" property: "TV1", "TV2" or empty.

#include <QImage>
#include <array>

#include "platform/qt/QtWindowServices.h"
#include "platform/qt/VbControls.h"

class QCloseEvent;
class QPaintEvent;

namespace tav {

class ButtonPlus;
class ResultsBox;

class frmChooseVersion : public VbForm, public FormLoadHandler {
  Q_OBJECT
 public:
  // The window's states, from its creation to the end of the run.
  enum class State { Choosing, Chosen, Working, Finished };

  explicit frmChooseVersion(QtWindowServices& services);

  // Load handler: localises the designed "#n" captions.
  void Form_Load(Form& self) override;

  // Event handlers of the buttons.
  void cmdTV_Click(int index);
  void cmdStart_Click();
  void cmdEnd_Click();

  State CurrentState() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void SetTabOrder();
  QString TagText() const;

  QtWindowServices& services_;
  QImage picture_;
  bool started_ = false;

  Label* Label1 = nullptr;
  Label* Label2 = nullptr;
  Label* lblWhich = nullptr;
  std::array<ButtonPlus*, 2> cmdTV{};
  Shape* shpSelected = nullptr;
  ResultsBox* txtFiles = nullptr;
  Label* lblStart = nullptr;
  ButtonPlus* cmdStart = nullptr;
  ButtonPlus* cmdEnd = nullptr;
};

// Registers the main window as "frmChooseVersion".
void RegisterMainWindow(QtWindowServices& services);

}  // namespace tav
