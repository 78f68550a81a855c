// Pictures of atualizar's windows for the README: the main window in update mode and in edit mode,
// the entry dialog for a "[PONTO]" file and the internet settings, rendered by the Qt views into
// PNG files.
// Usage: screenshots FOLDER (run with QT_QPA_PLATFORM=offscreen and a scratch LIFTO_HOME).
#include <iostream>
#include <string>

#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include "app/FormaConexao.h"
#include "app/FormaEdicao.h"
#include "app/FormaLifto.h"
#include "app/MessageLoop.h"
#include "gui/MainWindowView.h"
#include "gui/TFormaConexao.h"
#include "gui/TFormaEdicaoView.h"
#include "platform/Codepage.h"
#include "platform/Environment.h"

namespace {

using namespace lifto;

bool Save(QWidget& widget, const std::string& folder, const char* name) {
  widget.show();
  QApplication::processEvents();
  const std::string file = folder + "/" + name;
  if (!widget.grab().save(QString::fromStdString(file))) {
    std::cerr << "screenshots: cannot write " << file << std::endl;
    return false;
  }
  std::cout << file << std::endl;
  return true;
}

app::FormaLiftoServices QuietServices() {
  auto services = app::DefaultFormaLiftoServices();
  services.waitMilliseconds = [](int) {};
  services.fillVersionList = [](app::TFormaLifto&) {};
  services.refreshVersion = [](project::ScriptLines&) {};
  // The pictures need no catalogue.
  services.openCatalogueTables = [](app::TFormaLifto&) {};
  services.closeCatalogueTables = [](app::TFormaLifto&) {};
  return services;
}

bool MainWindow(const std::vector<std::string>& arguments, const std::string& folder, const char* name,
                const std::function<void(app::TFormaLifto&)>& prepare) {
  app::MessageLoop loop;
  app::TFormaLifto form(app::CommandLine(arguments), "8.2.0.0", loop, QuietServices());
  gui::MainWindowView view(form, loop);
  form.FormShow();
  prepare(form);
  view.Render();
  return Save(view, folder, name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: screenshots FOLDER" << std::endl;
    return 2;
  }
  const std::string folder = argv[1];
  int qtArgc = 1;
  QApplication qtApp(qtArgc, argv);
  platform::Environment::Current();

  bool ok = MainWindow({}, folder, "atualizar-atualizacao.png", [](app::TFormaLifto& form) {
    form.c_versao.items = {"ATUAL65.aex | ATUALIZACAO 6.5 | 6.5.0.12"};
    form.c_versao.itemIndex = 0;
    form.c_versao.enabled = true;
  });
  ok = MainWindow({"/E"}, folder, "atualizar-edicao.png", [](app::TFormaLifto& form) {
         auto& page = form.C_edicao;
         page.C_projeto.SetText("F:\\PROJ\\ATUAL65.aex");
         page.C_clientes.items = {"ACME  Escritório Acme Contabilidade"};
         page.C_clientes.columns = {{"ACME", "Escritório Acme Contabilidade"}};
         page.C_clientes.SetText("ACME");
         page.C_script.items = {"[CONFIG]", "ALIAS=ALIAS_KORAMI", "PROG=KORAMI.EXE", "TIPO=ATU",
                                "DESCRICAO=ATUALIZACAO 6.5", "VERSAO=6.5.0.12", "VERWIN=1", "EXECUTAR=", "",
                                "[BACKUP]", "B_ARQ10=<PONTO>\\INDICE.IDX", "", "[PONTO]",
                                "P_ARQ13=C:\\FONTES\\KORAMI.EXE , \\", "", "[SERVIDOR]",
                                "S_ARQ16=C:\\FONTES\\TABSQL.DB , \\DADOS\\", "", "[WINDOWS]",
                                "W_ARQ19=C:\\FONTES\\MINHADLL.DLL , \\SYSTEM\\"};
         for (auto& line : page.C_script.items) line = Ansi(line);
         page.C_clientes.items[0] = Ansi(page.C_clientes.items[0]);
         page.C_clientes.columns[0][1] = Ansi(page.C_clientes.columns[0][1]);
         page.C_script.itemIndex = 13;
       }) && ok;

  app::TFormaEdicao dialog;
  dialog.Tag = 0;
  dialog.SetTipo("PONTO");
  dialog.FormShow();
  dialog.FormActivate();
  dialog.C_dadochave1.SetText("C:\\FONTES\\KORAMI.EXE");
  dialog.c_dadochave2.SetText("\\");
  dialog.ChkInclui.checked = true;
  gui::TFormaEdicaoView view(dialog);
  view.Render();
  ok = Save(view, folder, "atualizar-edicao-dados.png") && ok;

  gui::TFormaConexao conexao;
  conexao.Load(app::conexao::MakeRequest({"Provedor", Ansi("Escritório")}, "Provedor", false));
  ok = Save(conexao, folder, "atualizar-conexao.png") && ok;
  return ok ? 0 : 1;
}
