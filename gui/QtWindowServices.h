#pragma once
// Window services on Qt Widgets.
//
// Forms are registered by name with a factory that builds the form's widget (a VbForm
// holding controls from gui/VbControls.h and gui/ButtonPlus.h), or by their design, which
// each instance renders with those widgets (gui/DesignedWindow.h), together with the
// pictures and icons that designs name. CreateForm gives an unloaded QtForm; Load() calls
// the factory and then the widget's load handler when the widget implements
// FormLoadHandler.
//
// Properties by name go through the Qt meta-object: a property is found only when the
// object's class declares it. The form's collection of controls is every descendant marked
// by DesignControl, in creation order; a control of a control array (its `Index` 0 or
// more) is named "name(index)", e.g. "cmdTV(1)".
//
// The form's `Tag` is the dynamic property "Tag" of its widget, so the form's own handlers
// set it with setProperty("Tag", ...). A form closed by the user loses its tag.

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/window/FormHandlers.h"
#include "platform/window/WindowServices.h"

namespace tav {

// Implemented by a form widget that has a load handler; `self` is the form being loaded.
class FormLoadHandler {
 public:
  virtual ~FormLoadHandler() = default;
  virtual void Form_Load(Form& self) = 0;
};

class QtWindowServices;

class QtForm : public Form {
 public:
  using Factory = std::function<std::unique_ptr<QWidget>(QtWindowServices&)>;
  QtForm(std::string name, Factory factory, QtWindowServices& services);
  ~QtForm() override;

  const std::string& Name() const override { return name_; }
  void Load() override;
  void ShowModal() override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  std::string Tag() const override;
  void SetTag(const std::string& tag) override;
  std::vector<std::string> ControlNames() const override;
  std::string ControlType(std::string_view control) const override;
  bool GetProperty(std::string_view control, std::string_view property, PropValue& out) const override;
  bool SetProperty(std::string_view control, std::string_view property, const PropValue& value) override;
  void Refresh(std::string_view control) override;

  // The loaded widget, or null before Load() and after Unload().
  QWidget* Widget() const { return widget_; }
  // A control by its collection name ("" = the form itself); null when there is none.
  QWidget* Control(std::string_view control) const;

 private:
  void ShowCentredOnce();

  std::string name_;
  Factory factory_;
  QtWindowServices& services_;
  QPointer<QWidget> widget_;  // owned; deleted by Unload() or the destructor
  std::unique_ptr<QObject> closeWatcher_;
  bool centred_ = false;
};

class QtWindowServices : public WindowServices {
 public:
  using FormFactory = QtForm::Factory;

  void RegisterForm(std::string name, FormFactory factory);
  // Registers the form of a design under its name; each instance is the design rendered
  // with Qt widgets, with handlers of its own.
  void RegisterForm(const FormClass& form);
  // The pictures and icons that designs name, drawn afresh for each window that shows them.
  void RegisterPicture(std::string name, std::function<QImage()> draw);
  void RegisterIcon(std::string name, std::function<QIcon()> draw);
  // A registered picture or icon; a null one for a name never registered.
  QImage Picture(std::string_view name) const;
  QIcon Icon(std::string_view name) const;

  // Throws std::out_of_range for a name that was never registered.
  std::unique_ptr<Form> CreateForm(std::string_view name) override;
  int MsgBox(const std::string& text, int style) override;
  void DoEvents() override;
  [[noreturn]] void End() override;
  bool InitCommonControls(uint32_t classFlags) override;

 private:
  std::map<std::string, FormFactory, std::less<>> factories_;
  std::map<std::string, std::function<QImage()>, std::less<>> pictures_;
  std::map<std::string, std::function<QIcon()>, std::less<>> icons_;
};

}  // namespace tav
