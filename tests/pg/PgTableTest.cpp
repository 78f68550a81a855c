// The engine's tables on a PostgreSQL server: fields, values, the catalogue, searches and errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "pg/PgTestHelpers.h"
#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "platform/db/Table.h"
#include "support/Application.h"
#include "support/FakeUi.h"
#include "support/TabelaRede.h"
#include "support/TrataErro.h"

namespace lifto::test {
namespace {

namespace db = platform::db;
using db::FieldKind;

class PgTableTest : public PgTest {
 protected:
  static void Open(db::Table& table, const std::string& name, const std::string& alias = "ALIAS_VORN") {
    table.SetDatabaseName(alias);
    table.SetTableName(name);
    table.Open();
  }
};

TEST_F(PgTableTest, FieldKindsAndSizesComeFromTheColumnTypesAndValuesRoundTrip) {
  Cluster().Exec(
      "CREATE TABLE tipos (id serial PRIMARY KEY, nome varchar(10), fixo char(4), livre text, "
      "n smallint, g bigint, v numeric(10,2), d double precision, ok boolean, dia date, "
      "hora time, quando timestamp, outro bytea)");
  db::Table table;
  Open(table, "TIPOS.DB");  // the ending of a file table's name names the same table
  EXPECT_EQ(table.FilePath(), ":ALIAS_VORN:tipos");
  struct Expected {
    const char* name;
    FieldKind kind;
    int size;
    bool readOnly;
  };
  const std::vector<Expected> expected = {
      {"id", FieldKind::AutoInc, 0, true},   {"nome", FieldKind::String, 10, false},
      {"fixo", FieldKind::String, 4, false}, {"livre", FieldKind::String, 255, false},
      {"n", FieldKind::Integer, 0, false},   {"g", FieldKind::Integer, 0, false},
      {"v", FieldKind::Float, 0, false},     {"d", FieldKind::Float, 0, false},
      {"ok", FieldKind::Boolean, 0, false},  {"dia", FieldKind::Date, 0, false},
      {"hora", FieldKind::Time, 0, false},   {"quando", FieldKind::DateTime, 0, false},
      {"outro", FieldKind::String, 255, false}};
  ASSERT_EQ(table.Fields().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& field = table.Fields()[i];
    EXPECT_EQ(field.name, expected[i].name);
    EXPECT_EQ(field.kind, expected[i].kind) << field.name;
    EXPECT_EQ(field.size, expected[i].size) << field.name;
    EXPECT_EQ(field.readOnly, expected[i].readOnly) << field.name;
  }

  table.Append();
  table.SetFieldText("NOME", Ansi("Conceição Longo"));  // cut to the field's size
  table.SetFieldText("FIXO", "AB");
  table.SetFieldInteger("N", 12);
  table.SetFieldInteger("G", 5000000000);
  table.SetFieldText("V", "3,25");
  table.SetFieldFloat("D", 0.1);
  table.SetFieldBoolean("OK", true);
  table.SetFieldDateTime("DIA", db::MakeDateTime(2026, 12, 8, 10, 11, 12));
  table.SetFieldDateTime("HORA", db::MakeDateTime(2026, 12, 8, 10, 11, 12));
  table.SetFieldDateTime("QUANDO", db::MakeDateTime(1999, 2, 3, 4, 5, 6));
  table.Post();
  EXPECT_EQ(table.FieldAsInteger("ID"), 1);

  db::Table other;  // another session reads what the server holds
  Open(other, "tipos");
  EXPECT_EQ(other.FieldAsText("NOME"), Ansi("Conceição "));
  EXPECT_EQ(other.FieldAsText("FIXO"), "AB");  // not padded to the column's size
  EXPECT_TRUE(other.FieldIsNull("LIVRE"));
  EXPECT_EQ(other.FieldAsInteger("N"), 12);
  EXPECT_EQ(other.FieldAsInteger("G"), 5000000000);
  EXPECT_DOUBLE_EQ(other.FieldAsFloat("V"), 3.25);
  EXPECT_DOUBLE_EQ(other.FieldAsFloat("D"), 0.1);
  EXPECT_TRUE(other.FieldAsBoolean("OK"));
  EXPECT_EQ(other.FieldAsText("DIA"), "08/12/2026");
  EXPECT_EQ(other.FieldAsText("HORA"), "10:11:12");
  EXPECT_EQ(other.FieldAsText("QUANDO"), "03/02/1999 04:05:06");

  other.Edit();
  other.SetFieldBoolean("OK", false);
  other.ClearField("N");
  other.Post();
  table.Refresh();
  EXPECT_FALSE(table.FieldAsBoolean("OK"));
  EXPECT_TRUE(table.FieldIsNull("N"));
  table.Delete();
  EXPECT_TRUE(table.IsEmpty());
  other.Refresh();
  EXPECT_TRUE(other.IsEmpty());
}

TEST_F(PgTableTest, CatalogueRowsReadBackTheirControleAndClientsAreFoundThroughIabrev) {
  Cluster().Exec(kCatalogueSql);
  support::TTabelaRede discos, arquivos, escr;
  discos.SetTentativas(5);
  arquivos.SetTentativas(5);
  Open(arquivos, "ARQUIVOS");
  Open(discos, "DISCOS");
  Open(escr, "Escr");

  escr.SetIndexName("IABREV");
  escr.First();
  EXPECT_EQ(escr.FieldAsText("ABREV"), "acme");  // without regard to case
  EXPECT_TRUE(escr.FindNearest("be"));
  EXPECT_EQ(escr.FieldAsText("ABREV"), "BETA");
  EXPECT_TRUE(escr.FindNearest("Bz"));
  EXPECT_EQ(escr.FieldAsText("ABREV"), "CASA");
  EXPECT_FALSE(escr.FindNearest("ZZ"));
  EXPECT_EQ(EngineError([&] { escr.SetIndexName("IREQT"); }).first, db::code::kNoSuchIndex);

  for (int set = 1; set <= 2; ++set) {
    ASSERT_TRUE(discos.Incluir());
    discos.SetFieldText("AEX", "C:\\PROJ\\KORAMI.AEX");
    discos.SetFieldDateTime("DATA", db::MakeDateTime(2026, 12, 8));
    discos.SetFieldDateTime("HORA", db::MakeDateTime(1899, 12, 30, 14, 2, 3));
    discos.SetFieldText("ABREV", escr.FieldAsText("ABREV"));
    discos.SetFieldInteger("TIPO", 1);
    discos.SetFieldInteger("NUMDISCOS", set);
    discos.Gravar();
    EXPECT_TRUE(discos.Resultado());
    const auto controle = discos.FieldAsInteger("CONTROLE");
    EXPECT_EQ(controle, set);  // the number the server gave this session's row
    ASSERT_TRUE(arquivos.Incluir());
    arquivos.SetFieldInteger("DISCO", controle);
    arquivos.SetFieldText("CHAVE", "PONTO");
    arquivos.SetFieldText("NOMEARQ", Ansi("C:\\FONTES\\AÇÃO.EXE"));
    EXPECT_TRUE(arquivos.Gravar());
  }
  db::Table check;
  Open(check, "arquivos");
  EXPECT_EQ(check.RecordCount(), 2);
  check.Last();
  EXPECT_EQ(check.FieldAsInteger("DISCO"), 2);
  EXPECT_EQ(check.FieldAsText("NOMEARQ"), Ansi("C:\\FONTES\\AÇÃO.EXE"));
  EXPECT_TRUE(check.FieldIsNull("TAMARQ"));

  // A row that breaks the catalogue's link is refused whole.
  check.Append();
  check.SetFieldInteger("DISCO", 99);
  EXPECT_EQ(EngineError([&] { check.Post(); }).first, db::code::kKeyViolation);
  check.Cancel();
  check.Refresh();
  EXPECT_EQ(check.RecordCount(), 2);
}

TEST_F(PgTableTest, ATableWithoutAKeyIsReadAndAppendedButNotChanged) {
  Cluster().Exec(
      "CREATE TABLE novo (usuario varchar(10), nomemicro varchar(15), ativo boolean);"
      "INSERT INTO novo VALUES ('ANA', 'PC1', true), ('RUI', 'PC2', false)");
  db::Table table;
  Open(table, "Novo");
  std::vector<std::string> users;
  for (table.First(); !table.Eof(); table.Next()) users.push_back(table.FieldAsText("USUARIO"));
  EXPECT_EQ(users, (std::vector<std::string>{"ANA", "RUI"}));
  table.Append();
  table.SetFieldText("USUARIO", "EVA");
  table.Post();
  EXPECT_EQ(table.FieldAsText("USUARIO"), "EVA");  // the cursor is on the new row
  EXPECT_EQ(table.RecordCount(), 3);
  table.First();
  table.Edit();
  table.SetFieldText("NOMEMICRO", "PC9");
  EXPECT_EQ(EngineError([&] { table.Post(); }).first, db::code::kTableReadOnly);
  table.Cancel();
  table.Delete();
  EXPECT_EQ(table.RecordCount(), 2);
}

TEST_F(PgTableTest, AliasAndServerFailuresAreEngineErrorsThatNameNoCredential) {
  Cluster().Exec("CREATE TABLE novo (id serial PRIMARY KEY)");
  const auto lines = Cluster().AliasLines();
  // The alias's lines with one line replaced or added.
  const auto with = [&](const std::string& line) {
    auto all = lines;
    const std::string key = line.substr(0, line.find('=') + 1);
    const auto same = std::find_if(all.begin(), all.end(),
                                   [&](const std::string& l) { return l.rfind(key, 0) == 0; });
    if (same != all.end()) {
      *same = line;
    } else {
      all.push_back(line);
    }
    return all;
  };
  struct Case {
    std::vector<std::string> alias;
    std::string table;
    int code;
    std::string message;  // the message's beginning
  };
  const std::vector<Case> cases = {
      {lines, "NADA", db::code::kNoSuchTable, "Table does not exist.\rTable: :ALIAS_X:NADA"},
      {with("PORT=1"), "novo", db::code::kInvalidAliasPath,
       "Cannot connect to the database server.\rAlias: ALIAS_X\rServer: 127.0.0.1:1\r"},
      {with("USER=intruso"), "novo", db::code::kInvalidAliasPath,
       "Cannot connect to the database server.\rAlias: ALIAS_X\rServer: 127.0.0.1:"},
      {with("PASSWORD=segredo"), "novo", db::code::kInvalidAliasPath,
       "A password does not belong in aliases.ini"},
      {with("DATABASE="), "novo", db::code::kInvalidAliasPath,
       "The alias names no DATABASE on its server.\rAlias: ALIAS_X"},
  };
  for (const auto& c : cases) {
    Home().AddAliasLines("ALIAS_X", c.alias);
    db::Table table;
    const auto [code, message] = EngineError([&] { Open(table, c.table, "ALIAS_X"); });
    EXPECT_EQ(code, c.code) << message;
    EXPECT_EQ(message.substr(0, c.message.size()), c.message);
    EXPECT_EQ(message.find("segredo"), std::string::npos);
    EXPECT_FALSE(table.Active());
  }
}

TEST_F(PgTableTest, TheTranslatorExplainsAMissingServerTable) {
  FakeUi ui;
  FakeUi::Scope scope(ui);
  support::App().Reset();
  support::TTrataErro translator;
  translator.SetProgramStarter([](const std::string&) {});
  std::exception_ptr error;
  try {
    db::Table table;
    Open(table, "DISCOS");
  } catch (...) {
    error = std::current_exception();
  }
  translator.HandleException(error);
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{Ansi("O arquivo de dados :ALIAS_VORN:DISCOS não foi "
                                           "encontrado\rEntre em contato com a Vornel")}));
  EXPECT_TRUE(support::App().Terminated());
  support::App().Reset();
}

}  // namespace
}  // namespace lifto::test
