#include "support/TrataErro.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "platform/db/Table.h"
#include "platform/db/TableLock.h"
#include "support/Application.h"
#include "support/DbSandbox.h"
#include "support/FakeUi.h"
#include "support/ForkedProcess.h"

namespace lifto::support {
namespace {

namespace db = platform::db;
using test::FakeUi;

template <typename Call>
std::exception_ptr Raised(Call&& call) {
  try {
    call();
  } catch (...) {
    return std::current_exception();
  }
  ADD_FAILURE() << "nothing was raised";
  return nullptr;
}

class TrataErroTest : public ::testing::Test {
 protected:
  TrataErroTest() : scope(ui) {
    App().Reset();
    App().SetTitle("Programa");
    sandbox.AddAlias("ALIAS_KORAMI", "F:\\KORAMI\\DADOS");
    std::filesystem::create_directories(sandbox.Home().HostPath("F:\\KORAMI\\DADOS"));
    translator.SetOwnExecutable("F:\\TOOL\\atualizar.exe");
    translator.SetProgramStarter([this](const std::string& command) { started.push_back(command); });
  }
  ~TrataErroTest() override { App().Reset(); }

  /// The engine error of opening a table.
  static std::exception_ptr OpenError(const std::string& database, const std::string& table) {
    return Raised([&] {
      db::Table t;
      t.SetDatabaseName(database);
      t.SetTableName(table);
      t.Open();
    });
  }

  /// F:\KORAMI\DADOS\Novo.sqlite, made with the SQL given.
  void CreateNovo(const std::string& sql) {
    test::DbSandbox::ExecSql(sandbox.Home().HostPath("F:\\KORAMI\\DADOS") / "Novo.sqlite", sql);
  }

  /// The one message shown (kind, text).
  std::pair<int, std::string> Shown() const {
    EXPECT_EQ(ui.messages.size(), 1u);
    if (ui.messages.empty()) return {0, {}};
    return {ui.messages[0].kind, ui.messages[0].text};
  }

  /// Hands an error to the translator afresh: no message shown yet, nothing started, the tool
  /// not ended. @return the one message shown (kind, text)
  std::pair<int, std::string> Translate(std::exception_ptr error) {
    ui.messages.clear();
    started.clear();
    App().Reset();
    App().SetTitle("Programa");
    translator.HandleException(std::move(error));
    return Shown();
  }

  test::DbSandbox sandbox;
  FakeUi ui;
  FakeUi::Scope scope;
  TTrataErro translator;
  std::vector<std::string> started;
};

TEST_F(TrataErroTest, ATableHeldOpenByAnotherUserIsExplainedAndEndsTheTool) {
  EXPECT_EQ(Translate(std::make_exception_ptr(db::EDBEngineError(
                db::code::kTableBusy, "Table is busy.\rTable: F:\\DADOS\\X.DB\rUser: MARIA"))),
            std::make_pair(2, Ansi("O arquivo de dados F:\\DADOS\\X.DB está aberto\r"
                                   "pelo Usuário MARIA.\r"
                                   "Verifique se o programa não está sendo executado e "
                                   "tente novamente")));
  EXPECT_EQ(ui.messages[0].title, Ansi("Informação"));
  EXPECT_TRUE(App().Terminated());

  // The same from the engine: another process holds the table while this one wants it alone.
  CreateNovo("CREATE TABLE Novo (A INTEGER);");
  test::ForkedProcess other([](const test::ForkedProcess::Channel& channel) {
    db::Table table;
    table.SetDatabaseName("ALIAS_KORAMI");
    table.SetTableName("Novo");
    table.Open();
    channel.Send('o');
    channel.Receive();
    return 0;
  });
  ASSERT_EQ(other.Receive(), 'o');
  EXPECT_EQ(Translate(Raised([] {
              db::Table table;
              table.SetDatabaseName("ALIAS_KORAMI");
              table.SetTableName("Novo");
              table.SetExclusive(true);
              table.Open();
            })).second,
            Ansi("O arquivo de dados F:\\KORAMI\\DADOS\\Novo.sqlite está aberto\r"
                 "pelo Usuário ") +
                db::CurrentUserName() +
                Ansi(".\rVerifique se o programa não está sendo executado e tente "
                     "novamente"));
}

TEST_F(TrataErroTest, MissingIndexIreqtLetsTheToolGoOnOtherIndexesRunTheIndexProgram) {
  CreateNovo("CREATE TABLE Novo (A INTEGER);");
  translator.IndexCommand = "F:\\TOOL\\indices.exe /todos";
  const auto missingIndex = [](const std::string& index) {
    return Raised([&] {
      db::Table table;
      table.SetDatabaseName("ALIAS_KORAMI");
      table.SetTableName("Novo");
      table.SetIndexName(index);
      table.Open();
    });
  };
  EXPECT_EQ(Translate(missingIndex("IREQT")),
            std::make_pair(2, Ansi("O arquivo de índice IREQT não foi encontrado\r"
                                   "Entre no menu Utilitários - Atualizar arquivos de "
                                   "requerimentos.")));
  EXPECT_FALSE(App().Terminated());
  EXPECT_TRUE(started.empty());

  EXPECT_EQ(Translate(missingIndex("IOUTRO")).second,
            Ansi("O arquivo de índice IOUTRO não foi encontrado\r"
                 "Execute o programa de Criação de Índices e tente novamente"));
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(started, std::vector<std::string>{"F:\\TOOL\\indices.exe /todos"});
}

TEST_F(TrataErroTest, StructureErrorsInAnyLetterCaseAskForTheConversion) {
  const std::string structure =
      Ansi("A estrutura do banco de dados está errada, é necessário converte-la.\rMensagem Interna: ");
  const std::string tail = Ansi("\r\rA atualização do programa poderá corrigir o problema!");
  for (const std::string& text :
       std::vector<std::string>{Ansi("TAMANHO SEM COMBINAÇÃO PARA CAMPO X"),
                                Ansi("tamanho sem combinação para campo x"),
                                "Nenhum argumento para o formato '%s'"}) {
    EXPECT_EQ(Translate(std::make_exception_ptr(db::EConvertError(text))),
              std::make_pair(4, structure + text + tail));
    EXPECT_TRUE(App().Terminated());
  }

  // From the engine: a field that the program reads as another kind than the table declares.
  CreateNovo("CREATE TABLE Novo (DATA DATE); INSERT INTO Novo VALUES ('2001-01-01');");
  const auto vrn = sandbox.Home().Write("F:\\KORAMI\\atualizar.vrn", "");
  translator.AliasName = "ALIAS_KORAMI";
  translator.ConversionCommand = "F:\\TOOL\\conv.exe";
  translator.ConversionArgument = "F:\\KORAMI\\DADOS";
  EXPECT_EQ(Translate(Raised([] {
              db::Table table;
              table.SetDatabaseName("ALIAS_KORAMI");
              table.SetTableName("Novo");
              table.Open();
              table.FieldAsBoolean("DATA");
            })),
            std::make_pair(4, structure + Ansi("Campo 'DATA' não é do tipo esperado") + tail));
  EXPECT_FALSE(std::filesystem::exists(vrn));
  EXPECT_TRUE(std::filesystem::exists(vrn.parent_path() / "ATUALIZAR.vcx"));
  EXPECT_EQ(started, std::vector<std::string>{"F:\\TOOL\\conv.exe F:\\KORAMI\\DADOS"});
  EXPECT_GE(ui.processMessagesCalls, 1);

  // A database error of another text gets the standard display and the tool goes on.
  EXPECT_EQ(
      Translate(std::make_exception_ptr(db::EDatabaseError("Campo 'X' não encontrado"))).first, -1);
  EXPECT_FALSE(App().Terminated());
}

TEST_F(TrataErroTest, OtherErrorsTheTagSwitchAndTheSilentAbortGetNoTranslation) {
  EXPECT_EQ(Translate(std::make_exception_ptr(std::runtime_error("Access violation"))),
            std::make_pair(-1, std::string("Access violation")));
  EXPECT_EQ(ui.messages[0].title, "Programa");
  EXPECT_FALSE(App().Terminated());

  ui.messages.clear();
  App().SetTag(1);
  translator.HandleException(OpenError("ALIAS_KORAMI", "Nada"));
  EXPECT_EQ(Shown(), std::make_pair(-1, std::string("Table does not exist.\rTable: F:\\KORAMI\\DADOS\\Nada.sqlite")));
  EXPECT_FALSE(App().Terminated());

  ui.messages.clear();
  translator.HandleException(std::make_exception_ptr(db::EAbort()));
  EXPECT_TRUE(ui.messages.empty());

  // The retrying table's write error has no entries: its message is shown as it is.
  EXPECT_EQ(
      Translate(std::make_exception_ptr(
          db::EDBEngineError(Ansi("Erro de Gravação\rNão é possível gravar registro no momento")))),
      std::make_pair(-1, Ansi("Erro de Gravação\rNão é possível gravar registro no momento")));

  // Unrecognised entries each get the standard display.
  ui.messages.clear();
  translator.HandleException(std::make_exception_ptr(
      db::EDBEngineError({{0x3E01, "first"}, {0x3E02, "second"}})));
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_FALSE(App().Terminated());
}

TEST_F(TrataErroTest, WrongDataPathsGetTheServerOrTheDriveHint) {
  sandbox.AddAlias("ALIAS_SRV", "\\\\SERVIDOR\\DADOS");
  sandbox.AddAlias("ALIAS_G", "G:\\DADOS");
  translator.AliasName = "ALIAS_SRV";
  EXPECT_EQ(Translate(OpenError("ALIAS_SRV", "Novo")),
            std::make_pair(2, Ansi("O caminho do banco de dados configurado no Alias está "
                                   "incorreto:\r\rVerifique se o servidor está ligado e "
                                   "conectado em sua rede\r\rCaminho do banco de dados "
                                   "configurado: \\\\SERVIDOR\\DADOS")));
  EXPECT_TRUE(App().Terminated());

  translator.AliasName = "ALIAS_G";
  EXPECT_EQ(Translate(OpenError("ALIAS_G", "Novo")).second,
            Ansi("O caminho do banco de dados configurado no Alias está incorreto:"
                 "\r\rVerifique se a unidade mapeada de rede \"G\" está acessível"
                 "\r\rCaminho do banco de dados configurado: G:\\DADOS"));

  // A full path whose folder is missing: the hint comes from the engine's message.
  EXPECT_EQ(Translate(OpenError("", "G:\\DADOS\\INDECR.DBF")).second,
            Ansi("O caminho do banco de dados não foi encontrado\r\r"
                 "Verifique se a unidade mapeada de rede \"G\" está acessível\r\r"
                 "Caminho do banco de dados configurado:  G:\\DADOS\\"));
  EXPECT_EQ(Translate(OpenError("", "\\\\OUTRO\\DADOS\\INDECR.DBF")).second,
            Ansi("O caminho do banco de dados não foi encontrado\r\r"
                 "Verifique se o servidor está ligado e conectado em sua rede\r\r"
                 "Caminho do banco de dados configurado:  \\\\OUTRO\\DADOS\\"));
}

TEST_F(TrataErroTest, MissingAndDamagedDataFilesAndTheRepairCommand) {
  EXPECT_EQ(Translate(OpenError("ALIAS_KORAMI", "Nada")).second,
            Ansi("O arquivo de dados F:\\KORAMI\\DADOS\\Nada.sqlite não foi "
                 "encontrado\rEntre em contato com a Vornel"));
  EXPECT_TRUE(App().Terminated());
  EXPECT_TRUE(started.empty());  // no DataErrorCommand: nothing started

  sandbox.Home().Write("F:\\KORAMI\\DADOS\\Novo.sqlite", "not a table");
  translator.DataErrorCommand = "F:\\TOOL\\dados.exe";
  EXPECT_EQ(Translate(OpenError("ALIAS_KORAMI", "Novo")).second,
            Ansi("Seu arquivo de dados está corrompido: "
                 "F:\\KORAMI\\DADOS\\Novo.sqlite\rEntre em contato com a Vornel"));
  EXPECT_EQ(started, std::vector<std::string>{"F:\\TOOL\\dados.exe"});

  // With the data's alias set and the repair program beside the tool, the repair runs.
  sandbox.Home().Write("F:\\TOOL\\PDXRBLD.EXE", "");
  translator.AliasName = "ALIAS_KORAMI";
  EXPECT_EQ(Translate(OpenError("ALIAS_KORAMI", "Novo")).second,
            Ansi("Seu arquivo de dados está corrompido: F:\\KORAMI\\DADOS\\Novo.sqlite\r"
                 "O programa de reparo tentará reparar o arquivo. Clique em OK para "
                 "continuar e volte a executar esta operação."));
  EXPECT_EQ(started, std::vector<std::string>{"F:\\TOOL\\Pdxrbld.exe /aALIAS_KORAMI "
                                              "/TF:\\KORAMI\\DADOS\\Novo.sqlite -r+ -r2 -p"});
}

TEST_F(TrataErroTest, IndexAndOperatingSystemCodes) {
  translator.IndexCommand = "IDX";
  translator.DataErrorCommand = "DADOS";
  struct Case {
    int code;
    std::string message;
    std::string shown;  // empty: the standard display
    std::vector<std::string> started;
  };
  const Case cases[] = {
      {0x2302, "Corrupt file.\rIndex: F:\\D\\NOVO.PX",
       Ansi("Seu arquivo de índice está corrompido\rO programa de Criação de Índices será executado "
            "e depois tente novamente.\rMensagem Interna: Corrupt file.\rIndex: F:\\D\\NOVO.PX"),
       {"IDX"}},
      {0x2305, "Index is damaged.",
       Ansi("Seu arquivo de índice está corrompido\rO programa de Criação de Índices será "
            "executado.\rMensagem Interna: Index is damaged."),
       {"IDX"}},
      {0x2F02, "Index is out of date.\rIndex: NOVO.X02",
       Ansi("Seu arquivo de índice está desatualizado NOVO.X02\rO programa de Criação de Índices "
            "será executado e depois tente novamente"),
       {"IDX"}},
      {0x2B02, "File not found.\rFile: F:\\DADOS\\NOVO.MB",
       Ansi("O arquivo de dados F:\\DADOS\\NOVO.MB não foi encontrado\rEntre em contato com a Vornel"),
       {"DADOS"}},
      {0x2B02, "File not found.\rFile: F:\\DADOS\\NOVO.TXT", "", {}},
  };
  for (const auto& c : cases) {
    const auto [kind, text] =
        Translate(std::make_exception_ptr(db::EDBEngineError(c.code, c.message)));
    if (c.shown.empty()) {
      EXPECT_EQ(kind, -1) << c.message;
    } else {
      EXPECT_EQ(text, c.shown);
    }
    EXPECT_EQ(started, c.started) << c.message;
    EXPECT_TRUE(App().Terminated()) << c.message;
  }
}

TEST_F(TrataErroTest, InstalledAsTheApplicationsHandler) {
  InstallErrorTranslator().SetProgramStarter([](const std::string&) {});
  App().HandleException(OpenError("ALIAS_KORAMI", "Nada"));
  EXPECT_EQ(Shown().first, 2);
  EXPECT_TRUE(App().Terminated());
}

}  // namespace
}  // namespace lifto::support
