#include "app/Controls.h"

#include "project/ScriptText.h"

namespace lifto::app {

void TEdit::SetText(const std::string& text) {
  // As the designer's edit box: only a real change is a change.
  const std::string given = upperCase ? project::UpperCase(text) : text;
  if (given == text_) return;
  text_ = given;
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

void TComboEdit::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  if (onChange) onChange();
}

std::string TListBox::SelectedText() const {
  if (itemIndex < 0 || itemIndex >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(itemIndex)];
}

}  // namespace lifto::app
