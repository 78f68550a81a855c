#include "update/InstallRoots.h"

#include <variant>

#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "project/KnownPrograms.h"
#include "support/Utilities.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

constexpr const char* kAppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

void CancelUpdate(const std::string& reason) {
  support::ShowKindMessage(Ansi("Atualização cancelada") + "\r" + reason + "\r" +
                               "Contacte o suporte da Vornel",
                           2);
}

}  // namespace

std::string AppPathFolder(const std::string& programFile) {
  // Without a program file the key would be "App Paths" itself.
  if (programFile.empty()) return {};
  const auto value = support::ReadRegistryValue(platform::RootKey::LocalMachine,
                                                kAppPathsKey + programFile, "Path",
                                                support::kRegString);
  const auto* text = std::get_if<std::string>(&value);
  return text ? *text : std::string();
}

std::optional<RootFolders> FindInstallRoots(const std::string& prog, const std::string& alias) {
  if (prog.empty()) {
    CancelUpdate(Ansi("Programa não configurado no script"));
    return std::nullopt;
  }
  if (alias.empty()) {
    CancelUpdate(Ansi("Alias não configurado no script"));
    return std::nullopt;
  }
  RootFolders roots;
  roots.windows = support::WindowsFolder();
  roots.servidor = support::AliasPath(alias, true);
  if (roots.servidor.empty()) {
    CancelUpdate(Ansi("Alias não existe no computador"));
    return std::nullopt;
  }
  roots.ponto = AppPathFolder(prog);
  if (roots.ponto.empty()) {
    CancelUpdate("O " + prog + Ansi(" não esta listado no Registro do Windows"));
    return std::nullopt;
  }
  return roots;
}

RootFolders ProgramRoots(const UpdateContext& context) {
  RootFolders roots;
  const auto match = project::FindKnownProgram(context.programaExe);
  roots.ponto = AppPathFolder(match.Found() ? std::string(match.Program().programFile)
                                            : context.programaExe);
  roots.servidor = context.pastaServidor;
  roots.windows = support::WindowsFolder();
  return roots;
}

std::optional<std::string> ReplacePlaceholder(std::string_view text, const RootFolders& roots) {
  const std::pair<std::string_view, const std::string*> kinds[] = {
      {"<PONTO>", &roots.ponto}, {"<SERVIDOR>", &roots.servidor}, {"<WINDOWS>", &roots.windows}};
  for (const auto& [placeholder, root] : kinds) {
    // Found in its exact case, replaced in any case: a script written by hand may mix both.
    if (text.find(placeholder) != std::string_view::npos) {
      return ReplaceAllNoCase(text, placeholder, *root);
    }
  }
  return std::nullopt;
}

}  // namespace lifto::update
