#pragma once
// A form design (platform/window/FormDesign.h) rendered with Qt widgets: the window with its
// frame, title, icon, back colour, background picture and font, and each control of the
// design as the widget of its kind (VbControls.h, ButtonPlus.h) in the designed collection
// order, with its designed settings and the keyboard order of the tab indexes. Twips become
// pixels at 15 to the pixel.
//
// The window routes its events to the form's handlers: the load handler when QtForm loads
// it, button presses, text changes and typed characters, and a close by the window
// system's means.
//
// A font that names a face is set with the stand-ins "DejaVu Sans" and "Sans Serif" behind
// it; once the form is loaded, each caption in such a font that does not fit its control
// gets a slightly smaller size, never below 6 points. A font without a face is the
// application's own, at the design's size in pixels (points at 96 dots per inch).

#include <QImage>
#include <memory>

#include "gui/QtWindowServices.h"
#include "gui/VbControls.h"
#include "platform/window/FormHandlers.h"

class QCloseEvent;
class QPaintEvent;

namespace tav {

class DesignedWindow : public VbForm, public FormLoadHandler {
  Q_OBJECT
 public:
  DesignedWindow(const FormDesign& design, std::unique_ptr<FormHandlers> handlers,
                 const QtWindowServices& services);

  void Form_Load(Form& self) override;
  FormHandlers& Handlers() const { return *handlers_; }
  // The form this window shows, from its load on; null before.
  Form* Instance() const { return self_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* CreateControl(const ControlDesign& control, const QtWindowServices& services);
  void SetTabOrder();
  void FitCaptions();

  const FormDesign& design_;
  std::unique_ptr<FormHandlers> handlers_;
  QImage picture_;
  Form* self_ = nullptr;  // the form being shown, from its load on
};

}  // namespace tav
