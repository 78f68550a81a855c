#pragma once

/// The window front-end as a module of its own (build/atualizar-gui.so, installed beside
/// atualizar): a console run does not load Qt and the libraries it pulls in. The module carries
/// its own private copy of the core and exports this one entry.
namespace lifto::gui {

inline constexpr const char* kGuiModuleFile = "atualizar-gui.so";
inline constexpr const char* kGuiModuleEntry = "lifto_atualizar_gui";

/// The entry's type: gui::RunAtualizarWithGui behind a C name.
extern "C" {
typedef int GuiModuleEntry(int argc, char** argv, const char* fileVersion);
}

}  // namespace lifto::gui
