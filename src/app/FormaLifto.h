#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Controls.h"
#include "app/EditPage.h"
#include "app/FormaLiftoServices.h"
#include "app/MessageLoop.h"
#include "project/Catalogue.h"
#include "project/DiskGeneration.h"
#include "update/UpdateContext.h"
#include "update/UpdateWindow.h"

/// The main window of atualizar, TFormaLifto, as plain C++: its controls kept as data, the run
/// state that the update, download and generation steps share, and its event handlers. A
/// front-end renders the state and forwards events (clicks, text changes, activation, paint);
/// everything a person must see or answer goes through support::CurrentUi().
///
/// Exit status: a run mode that must do work by itself (path mode, "/R", "/L", "/I", "/D", "/E"
/// with a project) starts as not done (1) and becomes 0 only when the work reports success
/// (MarkWorkDone); the three failures of the start-up end with 1; closing the window in the
/// interactive and edit modes leaves 0 unless a failure set 1.
namespace lifto::app {

class TFormaversoes;

class TFormaLifto : public update::UpdateWindow {
 public:
  /// Height of the window in each layout (pixels, as the form designer's).
  static constexpr int kAltura = 260;
  static constexpr int kAlturaPainel = 220;
  static constexpr int kAlturaEdicao = 384;
  /// Where the status panel sits when it shows (pixels from the form's left and top).
  static constexpr int kPainelEsquerda = 3;
  static constexpr int kPainelTopo = 8;
  /// The delay timer's interval.
  static constexpr int kTempoMs = 3000;

  /// @param arguments the command line (1252, after the program's name)
  /// @param fileVersion the tool's own file version ("8.2.0.0"); the caption shows "8.2"
  /// @param loop the message loop that runs C_tempo; must outlive the window
  TFormaLifto(CommandLine arguments, std::string fileVersion, MessageLoop& loop,
              FormaLiftoServices services = DefaultFormaLiftoServices());
  ~TFormaLifto() override;
  TFormaLifto(const TFormaLifto&) = delete;
  TFormaLifto& operator=(const TFormaLifto&) = delete;

  // ---- Event handlers ----
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormPaint();
  void FormClose();
  void C_tempoTimer();
  void C_origemDadosClick();
  void bot_procurarClick();
  void C_caminhoOrigemChange();
  void bot_sairClick();
  /// The update procedure: the button "&Atualizar" and the delay timer.
  void bot_atualizarClick();
  void bot_confinetClick();
  void bot_gerarClick();
  void bot_alvoClick();
  /// Enables or disables C_dados, C_opcoes, C_origemDados, bot_confinet and bot_atualizar.
  void EnableUpdateControls(bool flag);

  // ---- Events a front-end forwards ----
  /// The person chose an item of C_origemDados.
  void ChooseOrigemDados(int itemIndex);
  /// The window's close box: FormClose, then the tool ends.
  void Close();
  /// Asks for a paint of the window: FormPaint runs from the message loop once the current
  /// handler has returned, as when the window system repaints a changed window.
  void Invalidate();

  // ---- The status-text convention ----
  /// "status": panel 0 of C_status, copied into Panelstatus and labelstatus; repaints.
  void SetStatus(const std::string& text);
  /// "status bar": panel 0 of C_status alone; repaints.
  void SetStatusBar(const std::string& text);
  /// labelstatus2, which the procedures write beside the status; repaints.
  void SetLabelStatus2(const std::string& text);

  // ---- The update server, through the internet helper ----
  /// Dials when AutoDial asks for it and the machine is offline, logs in and checks that the
  /// server is in service (net::ConnectToServer with this window's dial-up state).
  /// @return true when logged in and in service; false after the message of what failed
  bool ConnectToServer();
  /// Logs out, and hangs up when DialedHere.
  void DisconnectFromServer();
  /// A status text of the connection: into Panelstatus and labelstatus when modoPainel, and into
  /// panel 0 of the status bar of the window that runs the operation (C_status when
  /// barraPrincipal is 1, else versionListStatus); then pending window messages run.
  void ShowConnectionStatus(const std::string& text);
  /// Panel 0 of the version list window's status bar, set by that window while it is open.
  std::function<void(const std::string&)> versionListStatus;
  /// The version list window of the application (not owned; the downloads show it).
  TFormaversoes* Formaversoes = nullptr;

  // ---- Ending the tool ----
  /// Ends the tool with an exit status (0 work done, 1 failure or refusal).
  void EndTool(int exitStatus) override;
  /// The work of the run succeeded: the tool ends with 0.
  void MarkWorkDone();
  /// The run failed and the window stays open: closing it later ends the tool with 1.
  void MarkFailed() override;
  /// Closes the window after a refusal or a stop: the tool ends with 1.
  void CloseWindow() override;

  // ---- What the update procedure asks of the window ----
  update::UpdateContext& Context() override { return context; }
  int SourceItem() const override { return C_origemDados.itemIndex; }
  void SetSourceFolder(const std::string& text) override { C_caminhoOrigem.SetText(text); }
  std::vector<std::string>& VersionItems() override { return c_versao.items; }
  int& VersionItemIndex() override { return c_versao.itemIndex; }
  bool& VersionListEnabled() override { return c_versao.enabled; }
  /// Panelstatus at kPainelEsquerda, kPainelTopo; bot_atualizar, bot_confinet and Titulo1 hidden; 220 high.
  void ShowWorkingLayout() override;
  void CountDiskConfirmed() override { ++geracao.discosGerados; }

  /// Whether the run mode does its work by itself (path mode, "/R", "/L", "/I", "/D", "/E" with
  /// a project): such a run ends when its work ends.
  bool RunsByItself() const;

  const CommandLine& commandLine() const { return commandLine_; }
  MessageLoop& loop() { return loop_; }
  FormaLiftoServices& services() { return services_; }

  // ---- The window ----
  std::string caption;
  int height = kAltura;
  bool enabled = true;
  bool visible = false;
  /// The name of the control that has the focus ("C_caminhoOrigem"), empty for none.
  std::string focusedControl;
  /// Counts the times the logic gave a control the focus, so a view moves it again each time.
  int focusRequests = 0;
  void SetFocus(const std::string& controlName);

  /// The run state that the update steps share: the fields of the main-window state table
  /// (modoCaminho, scriptEscolhido, arquivoAtu, erroAtualizacao, programaExe, aliasPrograma,
  /// pastaServidor, programaWindows, tipoAtualizacao, numDiscos, discoCopiado, comandoExecutar,
  /// listaBackup, autoAtualizacao) and the values of the controls bound below to it.
  update::UpdateContext context;

  // ---- Controls ----
  TComboBox C_origemDados;  ///< "Origem de Dados:", items "Disco" and "Internet"
  TGroupBox C_dados;
  TEdit C_caminhoOrigem{context.C_caminhoOrigem};
  TButton bot_procurar;
  TComboBox c_versao;  ///< the script list; disabled until filled
  TGroupBox C_opcoes;
  TCheckBox C_local{context.C_local};
  TCheckBox C_rede{context.C_rede};
  TCheckBox C_windows{context.C_windows};
  TGroupBox Titulo1;  ///< the title bar carrying the buttons
  TButton bot_sair;
  TButton bot_atualizar;
  TButton bot_gerar;
  TButton bot_alvo;
  TButton bot_confinet;
  TPageControl C_pag;  ///< pages "C_atualizacao" and "C_edicao"
  TPanel Panelstatus{context.Panelstatus};  ///< the large black status panel
  TLabel LblTitulo{context.LblTitulo};
  TLabel labelstatus{context.labelstatus};
  TLabel labelstatus2{context.labelstatus2};
  TStatusBar C_status{context.statusBar};
  TProgressBar c_barra{context.c_barra};
  TTimer C_tempo;

  // ---- Run state of the window beyond the update steps' ----
  bool iniciarNaPintura = false;
  bool modoPainel = false;
  std::vector<std::string> DownloadRecords;
  int barraPrincipal = 1;
  // The dial-up link.
  std::string DialupName;
  bool AutoDial = true;
  bool DialedHere = false;
  // Disk generation (pastaGeracao, nomeAtu, caminhoAtu, listaArquivos, discosGerados).
  project::GenerationState geracao;
  // The catalogue tables of edit mode, and the client choice's search over TabEscr.
  project::CatalogueTables catalogue;
  project::ClientChoice clientes{catalogue.TabEscr};
  /// Edit mode: the page C_edicao, the project editor.
  EditPage C_edicao{*this};

 private:
  bool ShowEditMode();
  void ShowSelfReplacement();
  bool ShowUpdateModes();
  bool PrepareAutomaticUpdate();
  void SetHeight(int newHeight);
  void ShowPanelStatus();

  CommandLine commandLine_;
  std::string fileVersion_;
  MessageLoop& loop_;
  FormaLiftoServices services_;
  bool automaticPrepared_ = false;
  bool closed_ = false;
  /// Lets a paint queued in the loop find out that the window is gone.
  std::shared_ptr<TFormaLifto*> self_ = std::make_shared<TFormaLifto*>(this);
};

/// The caption's version: the part of a file version before its second "." ("8.2.0.0" → "8.2"),
/// the whole text when it has fewer than two dots (FileVersionText kind 0).
std::string FileVersionKind0(const std::string& version);

/// Path mode: the script named by the first argument, without its leading "/"; a bare file name
/// is taken in the folder of the tool's own executable, where the update procedure looks for it.
std::string ScriptPathOfCommandLine(const CommandLine& commandLine);

}  // namespace lifto::app
