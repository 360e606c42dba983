#pragma once
// The main window's file list and results display: a read-only, multi-line text box with a
// vertical scroll bar that hands back exactly the text it was given. The program's routines
// write and search its lines with CR LF breaks, which the display shows as plain line
// breaks; `Text` keeps them as written and `SelStart` counts characters of that text.

#include "gui/VbControls.h"

namespace tav {

class ResultsBox : public TextBox {
  Q_OBJECT
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(int SelStart READ SelStart WRITE SetSelStart)

 public:
  explicit ResultsBox(QWidget* parent);

  QString Text() const { return text_; }
  void SetText(const QString& text);
  int SelStart() const;
  // Puts the caret before character `position` of Text (clamped) and scrolls it into view.
  void SetSelStart(int position);

 private:
  QString text_;
};

}  // namespace tav
