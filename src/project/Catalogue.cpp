#include "project/Catalogue.h"

#include <ctime>

#include "platform/Files.h"
#include "platform/db/DateTime.h"
#include "project/ScriptText.h"
#include "support/Clock.h"
#include "support/Utilities.h"

namespace lifto::project {
namespace {

namespace db = platform::db;

void SetUp(support::TTabelaRede& table, const char* name, const char* tableName) {
  table.SetName(name);
  table.SetDatabaseName(kCatalogueAlias);
  table.SetTableName(tableName);
  table.SetTentativas(5);
}

// A moment in local time, to the second, as the tables keep dates and times.
db::DateTime LocalDateTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return db::MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec);
}

bool BeginsWithoutCase(const std::string& text, const std::string& prefix) {
  return prefix.size() <= text.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// One "ARQUIVOS" row of a "key=value" text of a file section.
void RecordEntry(support::TTabelaRede& arquivos, int disco, const std::string& section,
                 const std::string& text) {
  if (!arquivos.Incluir()) return;
  arquivos.SetFieldInteger("DISCO", disco);
  arquivos.SetFieldText("CHAVE", section);
  const std::string field1 = support::GetField(text, 1, ",");
  const auto equals = field1.find('=');
  const std::string nome = equals == std::string::npos ? field1 : field1.substr(equals + 1);
  arquivos.SetFieldText("NOMEARQ", nome);
  arquivos.SetFieldText("DESTINOARQ", support::GetField(text, 2, ","));
  if (platform::FileExists(nome)) {
    const auto size = platform::FileSize(nome);
    const auto written = platform::GetLastWriteTime(nome);
    if (size) arquivos.SetFieldInteger("TAMARQ", static_cast<std::int64_t>(*size));
    if (written) {
      const db::DateTime stamp = LocalDateTime(*written);
      arquivos.SetFieldDateTime("DATAARQ", db::DatePart(stamp));
      arquivos.SetFieldDateTime("HORAARQ", db::TimePart(stamp));
    }
  }
  arquivos.Gravar();
}

}  // namespace

CatalogueTables::CatalogueTables() {
  SetUp(TabArquivos, "TabArquivos", "ARQUIVOS");
  SetUp(TabDiscos, "TabDiscos", "DISCOS");
  SetUp(TabEscr, "TabEscr", "Escr");
}

void CatalogueTables::Open() {
  TabArquivos.Open();
  TabDiscos.Open();
  TabEscr.Open();
}

void CatalogueTables::Close() {
  TabArquivos.Close();
  TabDiscos.Close();
  TabEscr.Close();
}

void ClientChoice::SetText(const std::string& text) {
  text_ = text;
  textoExiste_ = false;
  if (!table_.Active()) return;
  table_.SetIndexName("IABREV");
  if (!table_.FindNearest(text)) {
    table_.First();
    return;
  }
  textoExiste_ = !table_.IsEmpty() && BeginsWithoutCase(table_.FieldAsText("ABREV"), text);
}

void ClientChoice::Pick(int index) {
  const auto items = Items();
  if (index < 0 || index >= static_cast<int>(items.size())) return;
  SetText(items[static_cast<std::size_t>(index)].first);
}

std::vector<std::pair<std::string, std::string>> ClientChoice::Items() {
  std::vector<std::pair<std::string, std::string>> items;
  if (!table_.Active()) return items;
  table_.SetIndexName("IABREV");
  for (table_.First(); !table_.Eof(); table_.Next()) {
    items.emplace_back(table_.FieldAsText("ABREV"), table_.FieldAsText("ESCRITORIO"));
  }
  // The list is read without moving the choice.
  if (text_.empty()) {
    table_.First();
  } else {
    SetText(text_);
  }
  return items;
}

bool RecordCatalogue(CatalogueTables& tables, const ClientChoice& client, const GeneratedSet& set) {
  if (support::RemoveBlanks(client.Text()).empty() || !client.TextoExiste()) return false;
  support::TTabelaRede& discos = tables.TabDiscos;
  if (!discos.Incluir()) return false;
  const db::DateTime now = LocalDateTime(
      std::chrono::system_clock::to_time_t(support::CurrentClock().Now()));
  static const ScriptLines kNoScript;
  const ScriptLines& script = set.script != nullptr ? *set.script : kNoScript;
  discos.SetFieldText("AEX", set.projectPath);
  discos.SetFieldDateTime("DATA", db::DatePart(now));
  discos.SetFieldDateTime("HORA", db::TimePart(now));
  discos.SetFieldText("ABREV", tables.TabEscr.FieldAsText("ABREV"));
  discos.SetFieldText("DESCRICAO", FindKeyValue(script, "DESCRICAO"));
  discos.SetFieldInteger("TIPO", 1);
  discos.SetFieldText("PROG", FindKeyValue(script, "PROG"));
  discos.SetFieldText("ALIAS", FindKeyValue(script, "ALIAS"));
  discos.SetFieldInteger("NUMDISCOS", set.discosGerados);
  discos.SetFieldText("COMPUTADOR", support::ReadComputerIdentity().ComputerName);
  discos.Gravar();
  // The posted row stays the current one, so its number is this process's own even while other
  // workstations append rows of their own.
  const int disco = static_cast<int>(discos.FieldAsInteger("CONTROLE"));
  for (const char* section : {"PONTO", "SERVIDOR", "WINDOWS", "BACKUP"}) {
    for (const auto& text : ReadFileSection(set.projectPath, section)) {
      RecordEntry(tables.TabArquivos, disco, section, text);
    }
  }
  return true;
}

}  // namespace lifto::project
