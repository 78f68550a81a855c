#include "pg/PgTestHelpers.h"

#include "platform/db/DbErrors.h"

namespace lifto::test {

const char* const kCatalogueSql = R"sql(
CREATE COLLATION sem_caixa (provider = icu, locale = 'und-u-ks-level2', deterministic = false);
CREATE TABLE escr (
  control    integer PRIMARY KEY,
  abrev      varchar(10),
  escritorio varchar(60)
);
CREATE INDEX iabrev ON escr (abrev COLLATE sem_caixa);
CREATE TABLE discos (
  controle   serial PRIMARY KEY,
  aex        varchar(255),
  data       date,
  hora       time,
  abrev      varchar(10),
  descricao  varchar(80),
  tipo       integer,
  prog       varchar(20),
  alias      varchar(30),
  numdiscos  integer,
  computador varchar(15)
);
CREATE TABLE arquivos (
  id         serial PRIMARY KEY,
  disco      integer REFERENCES discos,
  chave      varchar(8),
  nomearq    varchar(255),
  destinoarq varchar(255),
  tamarq     bigint,
  dataarq    date,
  horaarq    time
);
INSERT INTO escr VALUES (1, 'CASA', 'Casa Contabil'), (2, 'acme', 'Acme'), (3, 'BETA', 'Beta');
)sql";

void PgTest::SetUp() {
  try {
    cluster_ = &SharedPgCluster();
  } catch (const PgUnavailable& e) {
    GTEST_SKIP() << "PostgreSQL is not available here: " << e.what();
  }
  cluster_->Start();  // after a test that stopped it
  cluster_->Clear();
  home_.emplace(SandboxHome::Pairs{{"F", "srv"}});
  home_->AddAliasLines("ALIAS_VORN", cluster_->AliasLines());
}

std::pair<int, std::string> PgTest::EngineError(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::db::EDBEngineError& e) {
    return {e.ErrorCode(), e.Message()};
  }
  return {0, ""};
}

}  // namespace lifto::test
