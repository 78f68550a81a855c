#pragma once

#include <functional>
#include <string>

#include "project/DiskGeneration.h"

/// Disk generation and the catalogue wired into the main window: its archive component with the
/// handlers the update procedure also uses, its status texts, and the project of the editor or of
/// the command line.
namespace lifto::app {

class TFormaLifto;

/// The project that generation works on.
struct GenerationProject {
  std::string path;  ///< as the project field shows it
  const project::ScriptLines* lines = nullptr;
  bool changed = false;                ///< projetoAlterado
  std::function<void()> save;          ///< the editor's save; empty where there is nothing to save
  bool recordCatalogue = true;         ///< the command line records nothing
};

/// The main window as generation sees it.
class FormaLiftoGeneration : public project::GenerationWindow {
 public:
  /// @param form and project must outlive this object
  FormaLiftoGeneration(TFormaLifto& form, GenerationProject project);

  project::GenerationState& Generation() override;
  std::string Caption() const override;
  std::string ProjectPath() const override { return project_.path; }
  const project::ScriptLines& Script() const override { return *project_.lines; }
  bool ProjectChanged() const override { return project_.changed; }
  void SaveProject() override;
  void SetStatus(const std::string& text) override;
  void SetStatusBar(const std::string& text) override;
  void SetProgress(int percent) override;
  bool Backup(const std::vector<std::string>& files, const std::string& archivePath,
              std::int32_t maxSize) override;
  void RecordCatalogue() override;

 private:
  TFormaLifto& form_;
  GenerationProject project_;
};

/// The project of the edit page: its path, its lines, projetoAlterado and its save.
GenerationProject EditorProject(TFormaLifto& form);

/// Generation from the command line, once the editor has loaded the project and refreshed its
/// version: generates into pastaGeracao (the project's folder) and records nothing. An error that
/// ends the run (a source that cannot be read) is shown as uncaught errors are.
/// @return true when the set was completely written
bool GenerateFromProject(TFormaLifto& form, const std::string& projectPath);

/// A row of the client choice's list: "ABREV", two blanks, "ESCRITORIO".
std::string ClientItem(const std::string& abrev, const std::string& escritorio);

/// Opens the catalogue tables of edit mode and fills the client choice's list from "Escr".
void OpenCatalogueTables(TFormaLifto& form);
/// The text of C_clientes changed: TabEscr moves to the client found for it; a row picked from
/// the list puts its "ABREV" into the text.
void ClientChanged(TFormaLifto& form);
/// "&Gerar": generates the editor's project and records it for the chosen client. A set that was
/// not generated leaves the exit status 1; a generated one 0.
void GenerateDisksByButton(TFormaLifto& form);
/// "&Local": asks for pastaGeracao.
void ChooseGenerationFolder(TFormaLifto& form);
/// Closes them.
void CloseCatalogueTables(TFormaLifto& form);

}  // namespace lifto::app
