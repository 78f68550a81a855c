#include "console/FrontEnd.h"

#include <cstdlib>
#include <string_view>

namespace lifto::console {
namespace {

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

FrontEndKind ChooseFrontEnd(const char* liftoUi, const char* display, const char* waylandDisplay) {
  if (IsSet(liftoUi)) {
    if (EqualsIgnoringCase(liftoUi, "console")) return FrontEndKind::Console;
    if (EqualsIgnoringCase(liftoUi, "gui")) return FrontEndKind::Gui;
  }
  return IsSet(display) || IsSet(waylandDisplay) ? FrontEndKind::Gui : FrontEndKind::Console;
}

FrontEndKind ChooseFrontEnd() {
  return ChooseFrontEnd(std::getenv("LIFTO_UI"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
}

}  // namespace lifto::console
