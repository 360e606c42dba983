#include "gui/QtWindowServices.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QMetaProperty>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "gui/DesignedWindow.h"

namespace tav {

namespace {

// Calls `onEvent` for every event of the watched object; the watcher owns nothing.
class EventWatcher : public QObject {
 public:
  using Handler = std::function<void(QEvent*)>;
  EventWatcher(QObject& watched, Handler onEvent) : handler_(std::move(onEvent)) {
    watched.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    handler_(event);
    return false;
  }

 private:
  Handler handler_;
};

std::string CollectionName(const QWidget& control) {
  bool isIndexed = false;
  const int index = control.property("Index").toInt(&isIndexed);
  return tav::CollectionName(control.objectName().toStdString(), isIndexed ? index : -1);
}

// The designed controls below `form`, in creation order.
std::vector<QWidget*> DesignedControls(const QWidget& form) {
  std::vector<QWidget*> controls;
  for (QWidget* w : form.findChildren<QWidget*>()) {
    if (w->property("vbOrder").isValid() && !w->objectName().isEmpty()) controls.push_back(w);
  }
  std::stable_sort(controls.begin(), controls.end(), [](QWidget* a, QWidget* b) {
    return a->property("vbOrder").toLongLong() < b->property("vbOrder").toLongLong();
  });
  return controls;
}

QMetaProperty DeclaredProperty(const QObject& object, std::string_view property) {
  const QByteArray key(property.data(), static_cast<qsizetype>(property.size()));
  const int at = object.metaObject()->indexOfProperty(key.constData());
  return at < 0 ? QMetaProperty() : object.metaObject()->property(at);
}

bool ToPropValue(const QVariant& v, PropValue& out) {
  switch (v.typeId()) {
    case QMetaType::QString:
      out = v.toString().toStdString();
      return true;
    case QMetaType::Bool:
      out = v.toBool();
      return true;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
      out = static_cast<int32_t>(v.toLongLong());
      return true;
    default:
      return false;
  }
}

QVariant ToVariant(const PropValue& value) {
  if (auto* s = std::get_if<std::string>(&value)) return QString::fromStdString(*s);
  if (auto* i = std::get_if<int32_t>(&value)) return QVariant(static_cast<int>(*i));
  return QVariant(std::get<bool>(value));
}

}  // namespace

// ---- QtForm

QtForm::QtForm(std::string name, Factory factory, QtWindowServices& services)
    : name_(std::move(name)), factory_(std::move(factory)), services_(services) {}

QtForm::~QtForm() {
  closeWatcher_.reset();
  delete widget_.data();
}

void QtForm::Load() {
  if (widget_) return;
  std::unique_ptr<QWidget> made = factory_(services_);
  widget_ = made.release();
  widget_->setProperty("Tag", QString());
  // Closing the window by the title bar discards it with its answer.
  QWidget* w = widget_;
  closeWatcher_ = std::make_unique<EventWatcher>(*w, [w](QEvent* e) {
    if (e->type() == QEvent::Close) w->setProperty("Tag", QString());
  });
  centred_ = false;
  if (auto* handler = dynamic_cast<FormLoadHandler*>(w)) handler->Form_Load(*this);
}

void QtForm::ShowCentredOnce() {
  if (!centred_) {
    centred_ = true;
    widget_->adjustSize();
    if (const QScreen* screen = widget_->screen()) {
      QRect frame = widget_->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      widget_->move(frame.topLeft());
    }
  }
  widget_->show();
  widget_->raise();
  widget_->activateWindow();
}

void QtForm::ShowModal() {
  Load();
  QPointer<QWidget> w = widget_;
  if (w->isVisible()) w->hide();
  w->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  EventWatcher hidden(*w, [&](QEvent* e) {
    if (e->type() == QEvent::Hide && w && !w->isVisible()) loop.quit();
  });
  QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
  ShowCentredOnce();
  if (w->isVisible()) loop.exec(QEventLoop::DialogExec);
  if (w && !w->isVisible()) w->setWindowModality(Qt::NonModal);
}

void QtForm::Show() {
  Load();
  ShowCentredOnce();
}

void QtForm::Hide() {
  if (widget_) widget_->hide();
}

void QtForm::Unload() {
  if (!widget_) return;
  closeWatcher_.reset();
  QWidget* w = widget_;
  widget_ = nullptr;
  w->hide();
  // Unload may run inside one of the form's own handlers: delete once it has returned.
  w->deleteLater();
}

std::string QtForm::Tag() const {
  return widget_ ? widget_->property("Tag").toString().toStdString() : std::string();
}

void QtForm::SetTag(const std::string& tag) {
  Load();
  widget_->setProperty("Tag", QString::fromStdString(tag));
}

std::vector<std::string> QtForm::ControlNames() const {
  std::vector<std::string> names;
  if (!widget_) return names;
  for (QWidget* c : DesignedControls(*widget_)) names.push_back(CollectionName(*c));
  return names;
}

QWidget* QtForm::Control(std::string_view control) const {
  if (!widget_) return nullptr;
  if (control.empty()) return widget_;
  for (QWidget* c : DesignedControls(*widget_)) {
    if (CollectionName(*c) == control) return c;
  }
  return nullptr;
}

std::string QtForm::ControlType(std::string_view control) const {
  const QWidget* c = Control(control);
  if (!c) return {};
  std::string type = c->metaObject()->className();
  const auto colon = type.rfind("::");
  return colon == std::string::npos ? type : type.substr(colon + 2);
}

bool QtForm::GetProperty(std::string_view control, std::string_view property, PropValue& out) const {
  const QWidget* c = Control(control);
  if (!c) return false;
  const QMetaProperty p = DeclaredProperty(*c, property);
  if (!p.isValid() || !p.isReadable()) return false;
  return ToPropValue(p.read(c), out);
}

bool QtForm::SetProperty(std::string_view control, std::string_view property, const PropValue& value) {
  QWidget* c = Control(control);
  if (!c) return false;
  const QMetaProperty p = DeclaredProperty(*c, property);
  if (!p.isValid() || !p.isWritable()) return false;
  return p.write(c, ToVariant(value));
}

void QtForm::Refresh(std::string_view control) {
  if (QWidget* c = Control(control)) {
    c->repaint();
    for (QWidget* child : c->findChildren<QWidget*>()) child->repaint();
  }
}

// ---- QtWindowServices

void QtWindowServices::RegisterForm(std::string name, FormFactory factory) {
  factories_[std::move(name)] = std::move(factory);
}

void QtWindowServices::RegisterForm(const FormClass& form) {
  RegisterForm(form.design->name, [form](QtWindowServices& services) -> std::unique_ptr<QWidget> {
    return std::make_unique<DesignedWindow>(*form.design, form.makeHandlers(services), services);
  });
}

void QtWindowServices::RegisterPicture(std::string name, std::function<QImage()> draw) {
  pictures_[std::move(name)] = std::move(draw);
}

void QtWindowServices::RegisterIcon(std::string name, std::function<QIcon()> draw) {
  icons_[std::move(name)] = std::move(draw);
}

QImage QtWindowServices::Picture(std::string_view name) const {
  auto it = pictures_.find(name);
  return it == pictures_.end() ? QImage() : it->second();
}

QIcon QtWindowServices::Icon(std::string_view name) const {
  auto it = icons_.find(name);
  return it == icons_.end() ? QIcon() : it->second();
}

std::unique_ptr<Form> QtWindowServices::CreateForm(std::string_view name) {
  auto it = factories_.find(name);
  if (it == factories_.end()) throw std::out_of_range("no form named " + std::string(name));
  return std::make_unique<QtForm>(it->first, it->second, *this);
}

int QtWindowServices::MsgBox(const std::string& text, int style) {
  QMessageBox box;
  box.setWindowTitle(QString::fromUtf8(kApplicationTitle));
  box.setText(QString::fromStdString(text));
  switch (style & 0x70) {
    case vbCritical:
      box.setIcon(QMessageBox::Critical);
      break;
    case vbExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case vbInformation:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  if ((style & 0x7) == vbRetryCancel) {
    box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Retry);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int pressed = box.exec();
  if (pressed == QMessageBox::Retry) return vbRetry;
  if (pressed == QMessageBox::Cancel) return vbCancel;
  return vbOK;
}

void QtWindowServices::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// Ends at once: no window is hidden or closed first, so no handler of any window runs.
void QtWindowServices::End() { std::exit(0); }

// Qt draws its own controls: there are no common controls to initialise.
bool QtWindowServices::InitCommonControls(uint32_t /*classFlags*/) { return true; }

}  // namespace tav
