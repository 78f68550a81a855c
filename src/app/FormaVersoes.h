#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "support/Ui.h"

/// The version list window TFormaversoes ("Lista de Versões", heading "Selecione a versão") as
/// plain C++: the person picks one of the installed known programs, the window logs in to the
/// update server and lists the versions offered for it, and "&Atualizar" on a version closes the
/// window with OK. The caller then downloads the version chosen (Version()) of the program chosen
/// (Program()), still logged in.
///
/// A front-end shows it in one of two ways. A view of its own (the Qt dialog) is installed with
/// SetModalView and works on the live window until ModalResult() is set, running Timer1 itself.
/// Without one the window goes through Ui::RunDialog as a request named "TFormaversoes" (see
/// AsRequest); OK presses "&Atualizar", cancelling presses the close button. Fields:
///   programas  the program list C_listaprog, names separated by "; " (program list shown)
///   programa   the program chosen, by its display name (without regard to case)
///   versoes    the version grid, rows ‘file - description’ separated by "; " (grid shown)
///   versao     the version chosen, by its file name (without regard to case)
namespace lifto::app {

class TFormaversoes {
 public:
  static constexpr const char* kName = "TFormaversoes";
  static constexpr int mrNone = 0;
  static constexpr int mrOk = 1;
  static constexpr int mrCancel = 2;
  /// Timer1's interval, and from how many programs the list takes two columns.
  static constexpr int kTimerMs = 400;
  static constexpr int kTwoColumnsFrom = 8;

  static constexpr const char* kProgramas = "programas";
  static constexpr const char* kPrograma = "programa";
  static constexpr const char* kVersoes = "versoes";
  static constexpr const char* kVersao = "versao";

  /// What the window reaches outside itself: the main window's connection and the helper's
  /// requests. Each is a plain function object so that tests replace it.
  struct Server {
    std::function<bool()> connectToServer;  ///< TFormaLifto::ConnectToServer
    std::function<void()> disconnectFromServer;
    std::function<bool(const std::string& folder)> changeRemoteDir;
    /// DownloadFile with C_barra as the progress bar.
    std::function<bool(const std::string& remotePath, const std::string& localPath)> downloadFile;
    std::function<std::optional<std::vector<std::string>>(const std::string& folder)> listRemoteDir;
    std::function<void(int seconds)> waitSeconds;
    /// Whether a known program is installed here (its "App Paths" entry has a "Path").
    std::function<bool(const std::string& programFile)> installed;
  };

  TFormaversoes();
  TFormaversoes(const TFormaversoes&) = delete;
  TFormaversoes& operator=(const TFormaversoes&) = delete;

  void UseServer(Server server) { server_ = std::move(server); }

  /// FormShow, then the person (or Timer1) until "&Atualizar" on the grid or the close button.
  /// @return true when it closed with OK
  bool ShowModal();

  using ModalView = std::function<void(TFormaversoes&)>;
  static void SetModalView(ModalView view);

  // ---- Event handlers ----
  void FormShow();
  void bot_downloadClick();
  void Timer1Timer();
  void bot_sairClick();
  /// Logs in, lists the chosen program's folder and fills the grid. @return the grid was filled
  bool FetchVersionList();

  // ---- The request of a front-end without its own view ----
  support::DialogRequest AsRequest() const;
  /// Chooses the program and the version that the answered request names.
  void ApplyRequest(const support::DialogRequest& answered);

  /// The program chosen in C_listaprog (display name), empty when none.
  std::string Program() const;
  /// The file name in the first column of the grid's selected row.
  std::string Version() const;
  int ModalResult() const { return modalResult_; }

  // ---- Controls ----
  std::string caption;
  std::string heading;
  struct RadioGroup : TControl {
    std::string caption;
    std::vector<std::string> items;
    int itemIndex = -1;
    int columns = 1;
  } C_listaprog;
  TGroupBox C_listaversoes;
  struct Grid : TControl {
    /// Row 0 is the header "Arquivos", "Descrição".
    std::vector<std::array<std::string, 2>> rows;
    int row = 1;  ///< the selected row
  } C_grade;
  std::string statusText;
  TStatusBar C_status{statusText};
  int barPosition = 0;
  TProgressBar C_barra{barPosition};
  struct Timer {
    bool enabled = false;
  } Timer1;
  TButton bot_download;
  TButton bot_sair;
  std::vector<std::string> Descriptions;

 private:
  void ResetGrid();
  void FillProgramList();
  void RunAsRequests();
  void Status(const std::string& text);
  bool FolderMissing(const std::string& folder);

  Server server_;
  int modalResult_ = mrNone;
};

/// The grid rows of a listing (step 8 of FetchVersionList): each name whose upper-case form holds
/// ".AEX", except "descricao.txt" and "versao.txt", with field 2 of the first line of
/// `descriptions` (already padded) whose field 1 equals the name without regard to case.
std::vector<std::array<std::string, 2>> VersionRows(const std::vector<std::string>& listing,
                                                    const std::vector<std::string>& descriptions);

}  // namespace lifto::app
