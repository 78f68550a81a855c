#include "app/Controls.h"

namespace lifto::app {

void TEdit::SetText(const std::string& text) {
  // As the designer's edit box: only a real change is a change.
  if (text == text_) return;
  text_ = text;
  selStart_ = static_cast<int>(text_.size());
  selLength_ = 0;
  if (onChange) onChange();
}

void TEdit::SelectAll() {
  selStart_ = 0;
  selLength_ = static_cast<int>(text_.size());
}

std::string TComboBox::SelectedText() const {
  if (itemIndex < 0 || itemIndex >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(itemIndex)];
}

}  // namespace lifto::app
