#pragma once

/// Which front-end a run uses: LIFTO_UI=gui or LIFTO_UI=console chooses; otherwise the Qt
/// front-end where a display is available (DISPLAY or WAYLAND_DISPLAY set), else the console.
namespace lifto::console {

enum class FrontEndKind { Gui, Console };

/// The choice for this process's environment.
FrontEndKind ChooseFrontEnd();

/// The rule itself, on given values (each may be null for an unset variable).
FrontEndKind ChooseFrontEnd(const char* liftoUi, const char* display, const char* waylandDisplay);

}  // namespace lifto::console
