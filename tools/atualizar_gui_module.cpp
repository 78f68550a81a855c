// The window front-end of atualizar as a loadable module: its one exported entry.
#include "gui/GuiModule.h"
#include "gui/GuiProgram.h"

extern "C" __attribute__((visibility("default"))) int lifto_atualizar_gui(int argc, char** argv,
                                                                          const char* fileVersion) {
  return lifto::gui::RunAtualizarWithGui(argc, argv, fileVersion);
}

// The program calls the entry through this type.
[[maybe_unused]] static constexpr lifto::gui::GuiModuleEntry* kEntryHasItsType = &lifto_atualizar_gui;
