#include <unistd.h>

#include <gtest/gtest.h>
#include <shapefil.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "platform/Codepage.h"
#include "platform/db/DbErrors.h"
#include "platform/db/Table.h"
#include "support/DbSandbox.h"
#include "support/SecondUser.h"
#include "support/TempFolder.h"

namespace lifto::platform::db {
namespace {

using test::DbSandbox;
using test::ReadFileBytes;

constexpr const char* kNovo =
    "CREATE TABLE Novo (ID INTEGER PRIMARY KEY AUTOINCREMENT, USUARIO VARCHAR(10), "
    "NOMEMICRO CHAR(15), ATIVO BOOLEAN, DATA DATE, HORA TIME, QUANDO DATETIME, VALOR REAL, "
    "QTD INTEGER, OBS TEXT);"
    "INSERT INTO Novo (USUARIO, NOMEMICRO, ATIVO, DATA, HORA, VALOR, QTD) VALUES "
    "('ANA', 'PC1', 1, '2001-03-05', '10:22:31', 2.5, 7), ('RUI', 'PC2', 0, NULL, NULL, NULL, NULL);";

/// The engine's error code of what the call raises (0 when it raises nothing or something else).
template <typename Call>
std::pair<int, std::string> EngineError(Call&& call) {
  try {
    call();
  } catch (const EDBEngineError& e) {
    return {e.ErrorCode(), e.Message()};
  }
  return {0, {}};
}

class DbTableTest : public ::testing::Test {
 protected:
  DbTableTest() { sandbox.AddAlias("ALIAS_KORAMI", "F:\\DADOS\\"); }

  void OpenNovo(Table& table) {
    sandbox.CreateTable("Novo", kNovo);
    table.SetDatabaseName("alias_korami");
    table.SetTableName("NOVO");
    table.Open();
  }

  DbSandbox sandbox;
};

TEST_F(DbTableTest, DeclaredColumnTypesGiveFieldKindsSizesAndValues) {
  Table table;
  OpenNovo(table);
  EXPECT_EQ(table.FilePath(), "F:\\DADOS\\Novo.sqlite");
  const auto& f = table.Fields();
  ASSERT_EQ(f.size(), 10u);
  EXPECT_EQ(f[0].kind, FieldKind::AutoInc);
  EXPECT_TRUE(f[0].readOnly);
  EXPECT_EQ(f[1].kind, FieldKind::String);
  EXPECT_EQ(table.FieldDeclaredSize("usuario"), 10);
  EXPECT_EQ(table.FieldDeclaredSize("NOMEMICRO"), 15);
  EXPECT_EQ(f[3].kind, FieldKind::Boolean);
  EXPECT_EQ(f[4].kind, FieldKind::Date);
  EXPECT_EQ(f[5].kind, FieldKind::Time);
  EXPECT_EQ(f[6].kind, FieldKind::DateTime);
  EXPECT_EQ(f[7].kind, FieldKind::Float);
  EXPECT_EQ(f[8].kind, FieldKind::Integer);
  EXPECT_EQ(table.FieldDeclaredSize("QTD"), 0);

  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_FALSE(table.Eof());
  EXPECT_EQ(table.FieldAsText("USUARIO"), "ANA");
  EXPECT_TRUE(table.FieldAsBoolean("ATIVO"));
  EXPECT_EQ(table.FieldAsText("ATIVO"), "True");
  EXPECT_EQ(table.FieldAsText("DATA"), "05/03/2001");
  EXPECT_EQ(table.FieldAsDateTime("DATA"), MakeDateTime(2001, 3, 5));
  EXPECT_EQ(table.FieldAsText("HORA"), "10:22:31");
  EXPECT_EQ(table.FieldAsDateTime("HORA"), MakeDateTime(1899, 12, 30, 10, 22, 31));
  EXPECT_EQ(table.FieldAsText("VALOR"), "2,5");
  EXPECT_EQ(table.FieldAsInteger("QTD"), 7);
  table.Next();
  EXPECT_EQ(table.FieldAsText("USUARIO"), "RUI");
  EXPECT_FALSE(table.FieldAsBoolean("ATIVO"));
  EXPECT_TRUE(table.FieldIsNull("DATA"));
  EXPECT_EQ(table.FieldAsText("DATA"), "");
  EXPECT_EQ(table.FieldAsInteger("QTD"), 0);
  EXPECT_FALSE(table.Eof());
  table.Next();
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.FieldAsText("USUARIO"), "RUI");  // stays on the last record
}

TEST_F(DbTableTest, AppendEditDeleteCancelAndTheAutoIncrementReadBack) {
  Table table;
  OpenNovo(table);
  table.Append();
  EXPECT_EQ(table.State(), DataSetState::Insert);
  table.SetFieldText("USUARIO", Ansi("JOÃOZINHO DA SILVA"));  // cut to the declared 10
  table.SetFieldBoolean("ATIVO", true);
  table.SetFieldDateTime("DATA", MakeDateTime(2003, 2, 1, 9, 30));
  table.SetFieldDateTime("HORA", MakeDateTime(2003, 2, 1, 9, 30, 15));
  table.Post();
  EXPECT_EQ(table.State(), DataSetState::Browse);
  EXPECT_EQ(table.FieldAsInteger("ID"), 3);
  EXPECT_EQ(table.FieldAsText("USUARIO"), Ansi("JOÃOZINHO "));
  EXPECT_EQ(table.FieldAsText("DATA"), "01/02/2003");
  EXPECT_EQ(table.FieldAsText("HORA"), "09:30:15");
  EXPECT_EQ(table.RecordCount(), 3);
  // The text is kept as UTF-8 inside the SQLite file, for the site's own SQL tools.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open((sandbox.Dados() / "Novo.sqlite").c_str(), &raw), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(raw, "SELECT USUARIO FROM Novo WHERE ID = 3", -1, &stmt, nullptr);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))),
            "JOÃOZINHO ");
  sqlite3_finalize(stmt);
  sqlite3_close(raw);

  table.First();
  table.Edit();
  table.SetFieldText("NOMEMICRO", "PC9");
  table.Cancel();
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC1");
  table.Edit();
  table.SetFieldText("NOMEMICRO", "PC9");
  table.Post();
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC9");

  table.Delete();
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.FieldAsText("USUARIO"), "RUI");

  // Another program's change shows after a refresh.
  DbSandbox::ExecSql(sandbox.Dados() / "Novo.sqlite", "UPDATE Novo SET NOMEMICRO = 'PC7' WHERE ID = 2");
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC2");
  table.Refresh();
  EXPECT_EQ(table.FieldAsText("NOMEMICRO"), "PC7");

  table.Close();
  table.Open();
  EXPECT_EQ(table.RecordCount(), 2);
}

TEST_F(DbTableTest, FieldAccessRefusesWrongKindsAndBadValues) {
  Table table;
  OpenNovo(table);
  EXPECT_THROW(table.SetFieldText("USUARIO", "X"), EDatabaseError);  // not editing
  EXPECT_THROW(table.FieldAsText("NADA"), EDatabaseError);
  try {
    table.FieldAsBoolean("DATA");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), Ansi("Campo 'DATA' não é do tipo esperado"));
  }
  table.Edit();
  EXPECT_THROW(table.SetFieldText("QTD", "abc"), EConvertError);
  EXPECT_THROW(table.SetFieldInteger("ID", 9), EDatabaseError);
  table.SetFieldText("QTD", "12");
  table.SetFieldText("ATIVO", "False");
  table.SetFieldText("VALOR", "3,25");
  table.Post();
  EXPECT_EQ(table.FieldAsInteger("QTD"), 12);
  EXPECT_FALSE(table.FieldAsBoolean("ATIVO"));
  EXPECT_DOUBLE_EQ(table.FieldAsFloat("VALOR"), 3.25);
}

TEST_F(DbTableTest, NearestSearchOnANamedIndex) {
  sandbox.CreateTable("Escr",
                      "CREATE TABLE Escr (CONTROL INTEGER PRIMARY KEY, ABREV VARCHAR(10), "
                      "ESCRITORIO VARCHAR(40));"
                      "CREATE INDEX IABREV ON Escr (ABREV COLLATE NOCASE);"
                      "INSERT INTO Escr VALUES (1, 'CASA', 'Casa Contabil'), (2, 'ACME', 'Acme'), "
                      "(3, 'BETA', 'Beta');");
  Table table;
  table.SetDatabaseName("ALIAS_KORAMI");
  table.SetTableName("escr");
  table.Open();
  EXPECT_EQ(table.FieldAsText("ABREV"), "CASA");  // the key's order without an index
  table.SetIndexName("iabrev");
  EXPECT_EQ(table.FieldAsText("ABREV"), "CASA");  // the cursor stays on its record
  table.First();
  EXPECT_EQ(table.FieldAsText("ABREV"), "ACME");
  EXPECT_TRUE(table.FindNearest("be"));
  EXPECT_EQ(table.FieldAsText("ABREV"), "BETA");
  EXPECT_TRUE(table.FindNearest("BZ"));
  EXPECT_EQ(table.FieldAsText("ABREV"), "CASA");
  EXPECT_FALSE(table.FindNearest("ZZZ"));
  EXPECT_EQ(table.FieldAsText("ABREV"), "CASA");
  EXPECT_EQ(EngineError([&] { table.SetIndexName("IREQT"); }).first, code::kNoSuchIndex);
}

TEST_F(DbTableTest, MissingTablesFoldersAndAliasesRaiseTheirEngineErrors) {
  sandbox.AddAlias("ALIAS_G", "G:\\DADOS");
  sandbox.AddAlias("ALIAS_SUMIU", "F:\\SUMIU");
  Table table;
  table.SetDatabaseName("ALIAS_KORAMI");
  table.SetTableName("Nada");
  EXPECT_EQ(EngineError([&] { table.Open(); }),
            std::make_pair(code::kNoSuchTable, std::string("Table does not exist.\rTable: F:\\DADOS\\Nada.sqlite")));
  table.SetDatabaseName("ALIAS_G");
  EXPECT_EQ(EngineError([&] { table.Open(); }).first, code::kInvalidAliasPath);
  table.SetDatabaseName("ALIAS_SUMIU");
  EXPECT_EQ(EngineError([&] { table.Open(); }).first, code::kInvalidAliasPath);
  table.SetDatabaseName("ALIAS_NENHUM");
  EXPECT_EQ(EngineError([&] { table.Open(); }).first, code::kUnknownAlias);
  table.SetTableName("G:\\DADOS\\INDECR.DBF");
  EXPECT_EQ(EngineError([&] { table.Open(); }),
            std::make_pair(code::kPathNotFound, std::string("Path not found.\rFile: G:\\DADOS\\INDECR.DBF")));
  table.SetTableName("F:\\OUTRO\\INDECR.DBF");
  EXPECT_EQ(EngineError([&] { table.Open(); }).first, code::kPathNotFound);
  EXPECT_FALSE(table.Active());
}

TEST_F(DbTableTest, DamagedOrForeignFilesAreReportedAndNeverWritten) {
  const auto dados = sandbox.Dados();
  test::TempFolder scratch;
  DbSandbox::ExecSql(scratch.Path() / "other.sqlite", "CREATE TABLE Outra (A INTEGER);");
  const std::string foreignDb = ReadFileBytes(scratch.Path() / "other.sqlite");
  const std::pair<std::string, std::string> cases[] = {
      {"Novo.sqlite", "this is a text file, not a table\n"},
      {"Novo.sqlite", ""},
      {"Novo.sqlite", foreignDb},
      {"INDECR.DBF", std::string("\x03\x65\x01\x01\x05\x00\x00\x00", 8) + std::string(100, 'x')},
      {"INDECR.DBF", "plain text where a dBase file should be"},
  };
  for (const auto& [name, content] : cases) {
    std::filesystem::remove_all(dados);
    std::filesystem::create_directories(dados);
    const auto file = dados / name;
    {
      std::ofstream out(file, std::ios::binary);
      out << content;
    }
    Table table;
    table.SetDatabaseName("ALIAS_KORAMI");
    table.SetTableName(name == "INDECR.DBF" ? "INDECR.DBF" : "Novo");
    const auto [code, message] = EngineError([&] { table.Open(); });
    EXPECT_EQ(code, code::kHeaderCorrupt) << name << " " << content.size();
    EXPECT_EQ(message, "Corrupt table/index header.\rTable: F:\\DADOS\\" + name);
    EXPECT_EQ(ReadFileBytes(file), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dados),
                            std::filesystem::directory_iterator()),
              1);  // nothing made beside it
  }
}

TEST_F(DbTableTest, DbaseFilesAreReadAndWrittenWithTheirFieldTypes) {
  const auto file = sandbox.Dados() / "INDECR.DBF";
  {
    DBFHandle dbf = DBFCreate(file.c_str());
    DBFAddField(dbf, "ESCRITORIO", FTString, 30, 0);
    DBFAddField(dbf, "UF", FTString, 2, 0);
    DBFAddField(dbf, "NUM", FTInteger, 5, 0);
    DBFAddField(dbf, "VALOR", FTDouble, 8, 2);
    DBFAddField(dbf, "ATIVO", FTLogical, 1, 0);
    DBFAddNativeFieldType(dbf, "DATA", 'D', 8, 0);
    DBFWriteStringAttribute(dbf, 0, 0, Ansi("Escritório Central").c_str());
    DBFWriteStringAttribute(dbf, 0, 1, "SP");
    DBFWriteIntegerAttribute(dbf, 0, 2, 42);
    DBFWriteDoubleAttribute(dbf, 0, 3, 12.5);
    DBFWriteLogicalAttribute(dbf, 0, 4, 'T');
    DBFWriteAttributeDirectly(dbf, 0, 5, const_cast<char*>("20010305"));
    DBFClose(dbf);
  }
  Table table;
  table.SetTableName("f:\\dados\\indecr.dbf");  // a full path, in any case
  table.Open();
  EXPECT_EQ(table.FilePath(), "f:\\dados\\INDECR.dbf");  // as the library named it
  EXPECT_EQ(table.Field("ESCRITORIO").kind, FieldKind::String);
  EXPECT_EQ(table.FieldDeclaredSize("ESCRITORIO"), 30);
  EXPECT_EQ(table.Field("NUM").kind, FieldKind::Integer);
  EXPECT_EQ(table.Field("VALOR").kind, FieldKind::Float);
  EXPECT_EQ(table.Field("ATIVO").kind, FieldKind::Boolean);
  EXPECT_EQ(table.Field("DATA").kind, FieldKind::Date);
  EXPECT_EQ(table.FieldAsText("ESCRITORIO"), Ansi("Escritório Central"));
  EXPECT_EQ(table.FieldAsText("UF"), "SP");
  EXPECT_EQ(table.FieldAsInteger("NUM"), 42);
  EXPECT_DOUBLE_EQ(table.FieldAsFloat("VALOR"), 12.5);
  EXPECT_TRUE(table.FieldAsBoolean("ATIVO"));
  EXPECT_EQ(table.FieldAsText("DATA"), "05/03/2001");

  table.Append();
  table.SetFieldText("ESCRITORIO", "Filial");
  table.SetFieldInteger("NUM", 7);
  table.SetFieldDateTime("DATA", MakeDateTime(2003, 2, 1));
  table.Post();
  EXPECT_EQ(table.RecordCount(), 2);
  table.First();
  table.Edit();
  table.SetFieldText("UF", "RJ");
  table.SetFieldBoolean("ATIVO", false);
  table.Post();
  EXPECT_THROW(
      {
        table.Edit();
        table.SetFieldInteger("NUM", 1234567);  // wider than N(5)
        table.Post();
      },
      EDBEngineError);
  table.Cancel();
  table.Close();

  table.Open();
  EXPECT_EQ(table.FieldAsText("UF"), "RJ");
  EXPECT_FALSE(table.FieldAsBoolean("ATIVO"));
  EXPECT_EQ(table.FieldAsInteger("NUM"), 42);
  table.Next();
  EXPECT_EQ(table.FieldAsText("ESCRITORIO"), "Filial");
  EXPECT_EQ(table.FieldAsInteger("NUM"), 7);
  EXPECT_TRUE(table.FieldIsNull("VALOR"));
  EXPECT_EQ(table.FieldAsText("DATA"), "01/02/2003");
  table.Delete();
  table.SaveChanges();
  table.Close();
  table.Open();
  EXPECT_EQ(table.RecordCount(), 1);
  // The file stays one that the library reads as it wrote it.
  DBFHandle dbf = DBFOpen(file.c_str(), "rb");
  ASSERT_NE(dbf, nullptr);
  EXPECT_EQ(DBFGetRecordCount(dbf), 2);
  EXPECT_TRUE(DBFIsRecordDeleted(dbf, 1));
  EXPECT_STREQ(DBFReadStringAttribute(dbf, 0, 1), "RJ");
  DBFClose(dbf);
}

TEST_F(DbTableTest, AFolderLinkOfOurOwnIsFollowedAndATableLinkOfAnotherUserRefused) {
  namespace fs = std::filesystem;
  const auto dados = sandbox.Dados();
  sandbox.CreateTable("Novo", kNovo);
  const fs::path elsewhere = sandbox.Home().Home() / "elsewhere";
  fs::rename(dados, elsewhere);
  fs::create_directory_symlink(elsewhere, dados);
  Table table;
  table.SetDatabaseName("ALIAS_KORAMI");
  table.SetTableName("NOVO");
  table.Open();
  EXPECT_EQ(table.RecordCount(), 2);
  table.Close();

  if (!test::CanActAsSecondUser()) GTEST_SKIP() << test::kNeedsRoot;
  const fs::path victim = sandbox.Home().Home() / "victim.sqlite";
  fs::rename(elsewhere / "Novo.sqlite", victim);
  const std::string before = ReadFileBytes(victim);
  test::MakeShared(elsewhere);
  const std::string planted = (elsewhere / "Novo.sqlite").string();
  ASSERT_TRUE(test::AsSecondUser([&] { return ::symlink(victim.c_str(), planted.c_str()) == 0; }));
  EXPECT_EQ(EngineError([&] { table.Open(); }).first, code::kAccessDenied);
  EXPECT_EQ(ReadFileBytes(victim), before);
}

}  // namespace
}  // namespace lifto::platform::db
