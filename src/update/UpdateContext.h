#pragma once

#include <string>
#include <vector>

/// The run state that the main window shares with the steps of an update: the version check and
/// install roots, the backup and copy of the files, the log, the marker and the user check.
///
/// `TFormaLifto` holds one `UpdateContext` and passes it to each step; the steps read and write
/// only these fields, so that they are tested without a window. The window's view renders the
/// status texts and the install options from here. Names are the tool's own (`pastaServidor`,
/// `C_rede`, `labelstatus2`). Texts are 1252; paths are Windows paths.
namespace lifto::update {

struct UpdateContext {
  // ---- Command line, as the program received it ----

  /// First argument: a switch ("/R", "/L", "/E"...), a script path, or empty.
  std::string firstArgument;
  /// Second argument: "/KORAMI.EXE", "/NV:1234" (notification handle of the caller), or empty.
  std::string secondArgument;
  /// The tool's own executable (Windows form). Empty: the running program's path is used.
  std::string ownExecutable;

  // ---- Fields of the main window ----

  bool modoCaminho = false;       ///< started with a script path on the command line
  std::string scriptEscolhido;    ///< file name of the script to install (marker, log, download)
  std::string arquivoAtu;         ///< file name (no folder) of the archive to restore
  bool erroAtualizacao = false;   ///< the archive reported an error or a disk was declined
  std::string programaExe;        ///< executable name of the program being updated ("KORAMI.EXE")
  std::string aliasPrograma;      ///< database alias of that program
  std::string pastaServidor;      ///< server folder: parent of the alias folder ("F:\KORAMI")
  bool programaWindows = false;   ///< a Windows program, whose folders come from its alias
  std::string tipoAtualizacao;    ///< "TIPO" of the script ("ATU...", "REQ")
  int numDiscos = 0;              ///< "NUMDISCOS" of the script
  int discoCopiado = 0;           ///< disk being copied into the updates folder
  std::string comandoExecutar;    ///< "EXECUTAR" of the script
  std::vector<std::string> listaBackup;  ///< "[BACKUP]" entries as "key=value"
  bool autoAtualizacao = false;   ///< the tool's own executable was among the installed files

  // ---- Controls that the steps read or change ----

  bool C_local = true;    ///< "Arquivos Locais": install "[PONTO]"
  bool C_rede = true;     ///< "Arquivos da Rede do Sistema": install "[SERVIDOR]" and run "EXECUTAR"
  bool C_windows = true;  ///< install "[WINDOWS]"
  std::string C_caminhoOrigem;  ///< text of the source folder box
  std::string LblTitulo;        ///< title on the status panel (program and version)

  std::string statusBar;     ///< panel 0 of the status bar C_status
  std::string Panelstatus;   ///< caption of the large status panel
  std::string labelstatus;   ///< first status line of the panel
  std::string labelstatus2;  ///< second status line (file being copied)
  int c_barra = 0;           ///< progress bar, 0 to 100
};

/// "status": the text goes into the status bar, the status panel and `labelstatus`; repaints.
void SetStatus(UpdateContext& context, const std::string& text);
/// "status bar": the text goes into panel 0 of the status bar alone; repaints.
void SetStatusBar(UpdateContext& context, const std::string& text);
/// Sets `labelstatus2` and repaints it at once.
void SetLabelStatus2(UpdateContext& context, const std::string& text);

/// True when the caller named its window after "/NV" (exact case) in the second argument.
bool CalledWithNotification(const UpdateContext& context);

/// The tool's own executable: `ownExecutable`, or the running program's path when that is empty.
std::string OwnExecutablePath(const UpdateContext& context);
/// The file name of the tool's own executable ("ATUALIZAR.EXE" on Windows, "atualizar" here).
std::string OwnExecutableName(const UpdateContext& context);

}  // namespace lifto::update
