#include "app/FormaLifto.h"

#include "app/SelfReplacement.h"
#include "net/ServerConnection.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "support/Application.h"
#include "support/Ui.h"
#include "support/Utilities.h"
#include "update/Marker.h"

namespace lifto::app {
namespace {

support::Ui& Ui() { return support::CurrentUi(); }

// Where the delay timer's run must do work by itself, the run is not done until that work says so.
bool ExpectsWork(const CommandLine& commandLine) {
  switch (commandLine.Mode()) {
    case RunMode::ScriptPath:
    case RunMode::AutoUpdate:
    case RunMode::AutoUpdateLog:
    case RunMode::DownloadNewest:
    case RunMode::DownloadOffice:
      return true;
    case RunMode::Edit:
      return !commandLine.Argument(2).empty();
    case RunMode::Interactive:
    case RunMode::SelfReplacement:
      return false;
  }
  return false;
}

}  // namespace

std::string FileVersionKind0(const std::string& version) {
  const auto first = version.find('.');
  if (first == std::string::npos) return version;
  const auto second = version.find('.', first + 1);
  if (second == std::string::npos) return version;
  return version.substr(0, second);
}

std::string ScriptPathOfCommandLine(const CommandLine& commandLine) {
  std::string path = commandLine.ScriptArgument();
  if (path.find_first_of("\\/:") == std::string::npos && !path.empty()) {
    // A bare file name lies beside the tool's own executable.
    path = support::FolderPart(platform::OwnExecutablePath()) + path;
  }
  return path;
}

TFormaLifto::TFormaLifto(CommandLine arguments, std::string fileVersion, MessageLoop& loop,
                         FormaLiftoServices services)
    : C_tempo(loop, kTempoMs, false),
      commandLine_(std::move(arguments)),
      fileVersion_(std::move(fileVersion)),
      loop_(loop),
      services_(std::move(services)) {
  // The controls as the form designer leaves them.
  C_origemDados.items = {"Disco", "Internet"};
  C_origemDados.itemIndex = 0;
  C_dados.caption = "Caminho de Origem";
  c_versao.enabled = false;
  C_opcoes.caption = Ansi("Opções de Atualização");
  C_local.caption = "Arquivos Locais do Sistema";
  C_rede.caption = "Arquivos da Rede do Sistema";
  C_windows.caption = "Arquivos do Windows";
  Titulo1.caption = Ansi("Lifto - Atualização do programa");
  bot_sair.caption = "&Sair";
  bot_atualizar.caption = "&Atualizar";
  bot_gerar.caption = "&Gerar";
  bot_gerar.visible = false;
  bot_alvo.caption = "&Local";
  bot_alvo.visible = false;
  bot_confinet.caption = "&Configurar";
  C_pag.activePage = "C_atualizacao";
  Panelstatus.visible = false;
  context.firstArgument = commandLine_.Argument(1);
  context.secondArgument = commandLine_.Argument(2);
  C_caminhoOrigem.onChange = [this] { C_caminhoOrigemChange(); };
  C_tempo.OnTimer = [this] { C_tempoTimer(); };
  FormCreate();
}

TFormaLifto::~TFormaLifto() = default;

void TFormaLifto::Invalidate() {
  loop_.Post([self = std::weak_ptr<TFormaLifto*>(self_)] {
    if (auto alive = self.lock()) (*alive)->FormPaint();
  });
}

void TFormaLifto::FormCreate() { caption = "Lifto " + FileVersionKind0(fileVersion_); }

void TFormaLifto::FormShow() {
  visible = true;
  C_rede.checked = true;
  C_local.checked = true;
  C_windows.checked = true;
  iniciarNaPintura = false;
  context.modoCaminho = false;
  modoPainel = false;
  context.listaBackup.clear();
  DialedHere = false;
  barraPrincipal = 1;
  labelstatus.caption.clear();
  geracao.listaArquivos.clear();
  if (RunsByItself()) support::App().SetExitCode(1);

  if (commandLine_.Mode() == RunMode::SelfReplacement) {
    ShowSelfReplacement();
    return;
  }
  if (commandLine_.Mode() == RunMode::Edit) {
    if (!ShowEditMode()) return;
  } else {
    if (!ShowUpdateModes()) return;
    bot_gerar.visible = false;
    bot_alvo.visible = false;
    C_pag.activePage = "C_atualizacao";
  }

  c_barra.top = 4;
  C_caminhoOrigem.SetText("A:\\");
  geracao.pastaGeracao.clear();
  c_barra.position = 0;
  SetStatusBar("Status");
  services_.newProject(*this);
  ShowPanelStatus();
}

bool TFormaLifto::ShowEditMode() {
  bot_confinet.visible = false;
  services_.openCatalogueTables(*this);
  context.programaWindows = true;
  C_pag.activePage = "C_edicao";
  caption += Ansi(" (Modo Edição)");
  bot_atualizar.visible = false;
  bot_gerar.visible = true;
  bot_alvo.visible = true;
  SetHeight(kAlturaEdicao);
  const std::string project = commandLine_.Argument(2);
  if (project.empty()) return true;
  // The project is shown and loaded before its disks are generated; one that cannot be read
  // has been reported and generates nothing.
  if (!C_edicao.LoadProject(project)) {
    EndTool(1);
    return false;
  }
  geracao.pastaGeracao = project::FolderOfProject(project);
  const bool generated = services_.generateFromProject(*this, project);
  EndTool(generated ? 0 : 1);
  return false;
}

void TFormaLifto::ShowSelfReplacement() {
  support::ShowKindMessage(Ansi("Atualização do sistema realizada com Sucesso!"), 2);
  std::string oldPath = commandLine_.Argument(2);
  if (!oldPath.empty() && oldPath.front() == '/') oldPath.erase(0, 1);
  // A failed copy is not reported to the person; the exit status tells the caller. Only the
  // tool's own program is replaced: a "/C" naming any other file is refused.
  const std::string own = platform::OwnExecutablePath();
  const bool copied = IsToolProgram(oldPath, own) && ReplaceByCopy(own, oldPath);
  EndTool(copied ? 0 : 1);
}

bool TFormaLifto::ShowUpdateModes() {
  bot_atualizar.visible = true;
  SetHeight(kAltura);
  services_.readInternetSettings(*this);
  bot_confinet.visible = true;
  services_.waitMilliseconds(1000);

  switch (commandLine_.Mode()) {
    case RunMode::Interactive:
      caption += Ansi(" (Modo Atualização)");
      break;
    case RunMode::DownloadNewest:
    case RunMode::DownloadOffice:
      caption += " " + commandLine_.ProgramNameShown() + "(Download)";
      modoPainel = true;
      break;
    case RunMode::AutoUpdate:
    case RunMode::AutoUpdateLog:
      services_.waitMilliseconds(1500);
      Titulo1.visible = false;
      SetHeight(kAlturaPainel);
      caption += " " + commandLine_.ProgramNameShown() + Ansi("(Atualização Automatica)");
      modoPainel = true;
      break;
    default: {
      const std::string path = ScriptPathOfCommandLine(commandLine_);
      if (!platform::FileExists(path)) {
        support::ShowKindMessage(Ansi("Caminho inválido:") + path, 4);
        EndTool(1);
        return false;
      }
      caption += Ansi(" (Modo Atualização)");
      labelstatus.caption = Ansi("Iniciando processo de atualização...");
      Ui().Repaint();
      context.modoCaminho = true;
      iniciarNaPintura = true;
      modoPainel = true;
      bot_atualizar.visible = false;
      bot_confinet.visible = false;
      Titulo1.visible = false;
      SetHeight(kAlturaPainel);
      Invalidate();
      break;
    }
  }
  return true;
}

void TFormaLifto::FormActivate() {
  Ui().ProcessMessages();
  if (!commandLine_.IsAutoUpdate() && !commandLine_.IsAutoDownload()) {
    if (support::RemoveBlanks(commandLine_.Argument(1)).empty()) C_origemDadosClick();
    return;
  }
  // The window activates again after every message box; preparing again would arm the delay
  // timer a second time and start a second run.
  if (automaticPrepared_) return;
  automaticPrepared_ = true;
  if (commandLine_.IsAutoDownload()) {
    C_origemDados.itemIndex = 1;
  } else if (!PrepareAutomaticUpdate()) {
    return;
  }
  C_origemDadosClick();
  enabled = false;
  SetStatus(Ansi("Processando..."));
  Ui().ProcessMessages();
  C_tempo.SetInterval(kTempoMs);
  EnableUpdateControls(false);
  iniciarNaPintura = true;
  // The window has changed since its last paint; the paint that follows starts the delay.
  Invalidate();
}

bool TFormaLifto::PrepareAutomaticUpdate() {
  C_origemDados.itemIndex = 0;
  const std::string name = commandLine_.ProgramNameLookup();
  const auto folder = services_.knownProgramUpdatesFolder(name);
  if (!folder) {
    support::ShowKindMessage(
        "O Programa <" + name + Ansi("> não esta configurado para atualização Automatica"), 4);
    EndTool(1);
    return false;
  }
  C_caminhoOrigem.SetText(*folder);
  const std::string marker = *folder + "\\atualiza.ok";
  if (!platform::FileExists(marker)) {
    support::ShowKindMessage(
        Ansi("Foi detectado que o arquivo Atualiza.ok não consta no diretório especificado"), 2);
    EndTool(1);
    return false;
  }
  context.scriptEscolhido = update::ReadMarker(marker);
  return true;
}

void TFormaLifto::FormPaint() {
  if (!iniciarNaPintura) return;
  iniciarNaPintura = false;
  C_tempo.SetEnabled(true);
}

void TFormaLifto::C_tempoTimer() {
  Ui().ProcessMessages();
  C_tempo.SetEnabled(false);
  bot_atualizarClick();
  enabled = true;
}

void TFormaLifto::bot_atualizarClick() {
  if (C_origemDados.itemIndex == 1) {
    services_.download(*this);
  } else {
    services_.updateFromDisk(*this);
  }
}

void TFormaLifto::bot_confinetClick() { services_.configureInternet(*this); }

void TFormaLifto::bot_gerarClick() { services_.generateDisks(*this); }

void TFormaLifto::bot_alvoClick() { services_.chooseGenerationFolder(*this); }

void TFormaLifto::SetFocus(const std::string& controlName) {
  focusedControl = controlName;
  ++focusRequests;
}

void TFormaLifto::C_origemDadosClick() {
  const bool disco = C_origemDados.itemIndex == 0;
  C_caminhoOrigem.enabled = disco;
  bot_procurar.enabled = disco;
  C_dados.enabled = disco;
  if (C_origemDados.itemIndex == 1) bot_confinet.enabled = true;
  if (disco) {
    SetFocus("C_caminhoOrigem");
    C_caminhoOrigem.SelectAll();
    bot_confinet.enabled = false;
  }
}

void TFormaLifto::ChooseOrigemDados(int itemIndex) {
  C_origemDados.itemIndex = itemIndex;
  C_origemDadosClick();
}

void TFormaLifto::bot_procurarClick() {
  const auto folder = Ui().BrowseFolder("Selecione o Caminho de Origem", C_caminhoOrigem.Text());
  if (folder) C_caminhoOrigem.SetText(*folder);
}

void TFormaLifto::C_caminhoOrigemChange() { services_.fillVersionList(*this); }

void TFormaLifto::bot_sairClick() {
  if (DialedHere) services_.hangUp(*this);
  Close();
}

void TFormaLifto::Close() {
  FormClose();
  visible = false;
  support::App().Terminate();
}

void TFormaLifto::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (commandLine_.Mode() == RunMode::Edit) services_.closeCatalogueTables(*this);
  geracao.listaArquivos.clear();
  context.listaBackup.clear();
}

void TFormaLifto::EnableUpdateControls(bool flag) {
  C_dados.enabled = flag;
  C_opcoes.enabled = flag;
  C_origemDados.enabled = flag;
  bot_confinet.enabled = flag;
  bot_atualizar.enabled = flag;
}

void TFormaLifto::SetStatus(const std::string& text) { update::SetStatus(context, text); }

void TFormaLifto::SetStatusBar(const std::string& text) { update::SetStatusBar(context, text); }

void TFormaLifto::SetLabelStatus2(const std::string& text) { update::SetLabelStatus2(context, text); }

bool TFormaLifto::ConnectToServer() {
  return net::ConnectToServer({DialupName, AutoDial, DialedHere},
                              [this](const std::string& text) { ShowConnectionStatus(text); });
}

void TFormaLifto::DisconnectFromServer() { net::DisconnectFromServer({DialupName, AutoDial, DialedHere}); }

void TFormaLifto::ShowConnectionStatus(const std::string& text) {
  if (modoPainel) {
    context.Panelstatus = text;
    context.labelstatus = text;
  }
  if (barraPrincipal == 1) {
    context.statusBar = text;
  } else if (versionListStatus) {
    versionListStatus(text);
  }
  support::CurrentUi().Repaint();
  support::CurrentUi().ProcessMessages();
}

void TFormaLifto::EndTool(int exitStatus) {
  support::App().SetExitCode(exitStatus);
  support::App().Terminate();
}

void TFormaLifto::MarkWorkDone() { EndTool(0); }

bool TFormaLifto::RunsByItself() const { return ExpectsWork(commandLine_); }

void TFormaLifto::MarkFailed() { support::App().SetExitCode(1); }

void TFormaLifto::CloseWindow() {
  support::App().SetExitCode(1);
  Close();
}

void TFormaLifto::ShowWorkingLayout() {
  Panelstatus.visible = true;
  Panelstatus.left = kPainelEsquerda;
  Panelstatus.top = kPainelTopo;
  bot_atualizar.visible = false;
  bot_confinet.visible = false;
  Titulo1.visible = false;
  SetHeight(kAlturaPainel);
}

void TFormaLifto::SetHeight(int newHeight) { height = newHeight; }

void TFormaLifto::ShowPanelStatus() {
  Panelstatus.visible = modoPainel;
  if (modoPainel) {
    Panelstatus.left = kPainelEsquerda;
    Panelstatus.top = kPainelTopo;
  }
}

}  // namespace lifto::app
