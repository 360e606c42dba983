#include "gui/ResultsBox.h"

#include <algorithm>

namespace tav {
namespace {

// The display holds one character for each CR LF pair of the text.
bool IsPairedReturn(const QString& text, qsizetype i) {
  return text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
}

}  // namespace

ResultsBox::ResultsBox(QWidget* parent) : TextBox(parent, true) { SetLocked(true); }

void ResultsBox::SetText(const QString& text) {
  text_ = text;
  TextBox::SetText(text);
}

int ResultsBox::SelStart() const {
  const int shown = TextBox::SelStart();
  int position = 0;
  for (int display = 0; position < text_.size() && display < shown; ++display)
    position += IsPairedReturn(text_, position) ? 2 : 1;
  return position;
}

void ResultsBox::SetSelStart(int position) {
  position = std::clamp(position, 0, static_cast<int>(text_.size()));
  int display = 0;
  for (int i = 0; i < position; ++i)
    if (!IsPairedReturn(text_, i)) ++display;
  TextBox::SetSelStart(display);
}

}  // namespace tav
