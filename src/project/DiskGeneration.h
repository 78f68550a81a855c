#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "project/Script.h"

/// Update disk generation: the project open in the editor becomes an update set, the script copy
/// and the archive of every file it installs, in a folder or spread over diskettes in A: or B:.
/// The copy receives the number of disks and the set is recorded in the catalogue.
namespace lifto::project {

/// Volume size on a diskette: what the archive writer may fill of a 1.44 MB disk.
inline constexpr std::int32_t kDisketteMaxSize = 1437664;

/// The main window's fields that generation reads and writes. pastaGeracao survives runs; the
/// others are set afresh by every run.
struct GenerationState {
  std::string pastaGeracao;                ///< target folder; empty until chosen
  std::string nomeAtu;                     ///< archive file name ("ATUAL65.ATU")
  std::string caminhoAtu;                  ///< pastaGeracao + "\" + nomeAtu
  std::vector<std::string> listaArquivos;  ///< source files to archive
  int discosGerados = 0;                   ///< disks used: 1, and one per confirmed request
  /// Set while a signed set is written: called with each volume's path once it is complete and
  /// before the next disk is asked for (a diskette still in the drive); false stops the writing.
  std::function<bool(const std::string& volumePath)> volumeWritten;
};

/// What generation needs of the window, the editor and the archive component. The main window
/// implements it; tests use a fake.
class GenerationWindow {
 public:
  virtual ~GenerationWindow() = default;

  virtual GenerationState& Generation() = 0;
  /// The window's caption: the title of the "Arquivo não encontrado" box.
  virtual std::string Caption() const = 0;

  /// The editor: the project's path as its field shows it (empty for a project never saved), its
  /// lines, whether they changed since the last save, and the save itself.
  virtual std::string ProjectPath() const = 0;
  virtual const ScriptLines& Script() const = 0;
  virtual bool ProjectChanged() const = 0;
  virtual void SaveProject() = 0;

  /// Status texts and the progress bar: "status" (panel 0 and the update page's panel), "status
  /// bar" (panel 0 alone), `c_barra`.
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetStatusBar(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;

  /// `Backup` of the window's archive component `C_back`, with its form settings, the given
  /// `MaxSize` and the window's event handlers (which count confirmed disks into discosGerados
  /// and report errors). @return true when the archive was completely written
  /// @throw archive::ArchiveError as Backup does
  virtual bool Backup(const std::vector<std::string>& files, const std::string& archivePath,
                      std::int32_t maxSize) = 0;

  /// Records the set in the catalogue for the chosen client (nothing without one).
  /// @throw platform::db::EAbort when a row could not be posted after the table's retries
  virtual void RecordCatalogue() = 0;
};

/// "ATUAL65.ATU" for a project "C:\PROJ\ATUAL65.aex": the file name without its last three
/// characters, then "ATU".
std::string NomeAtu(const std::string& projectPath);
/// The folder and a name, with one "\" between them.
std::string PathInFolder(const std::string& folder, const std::string& name);
/// A path's folder without the file name and without a trailing backslash, unless it is a drive
/// root ("C:\").
std::string FolderOfProject(const std::string& projectPath);
/// 1,437,664 for a target beginning with "A" or "B" (a diskette drive; case matters), else 0.
std::int32_t MaxSizeFor(const std::string& caminhoAtu);

/// The source files of the script: field 1 of every entry from the "[PONTO]" header on.
/// @return the files, or nullopt after telling the person which one is missing ("Arquivo não
///         encontrado" in a box titled with the caption)
std::optional<std::vector<std::string>> CollectFileList(const ScriptLines& script,
                                                        const std::string& caption);

/// bot_alvoClick: the folder dialog for pastaGeracao, starting at it or, when it is empty, at the
/// project's folder. A cancelled dialog clears pastaGeracao.
void ChooseGenerationFolder(GenerationWindow& window);

enum class GenerationResult {
  NotGenerated,  ///< stopped or failed: no disk count, nothing recorded, no success message
  Generated,     ///< every volume and the script copy with its disk count; recorded when asked
  NotRecorded,   ///< the set is complete but its catalogue row could not be posted (told)
};

/// bot_gerarClick: checks, writes the set, writes the disk count into the copy and records it.
/// With a signing key in system.ini (SetSigning.h) each volume is signed as it is completed and
/// the script copy after its disk count; a key that cannot be used stops before anything is written.
/// @param byButton started by "&Gerar": the success message is shown
GenerationResult GenerateDisks(GenerationWindow& window, bool byButton);

}  // namespace lifto::project
