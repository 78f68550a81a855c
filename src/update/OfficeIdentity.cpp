#include "update/OfficeIdentity.h"

#include "project/ScriptText.h"
#include "support/TabelaRede.h"
#include "support/Utilities.h"
#include "update/InstallRoots.h"

namespace lifto::update {
namespace {

// The separator of the fields of "especif.txt": character 200 of code page 1252.
const std::string kEspecifSeparator(1, '\xC8');

}  // namespace

std::string OfficeTablePath(const UpdateContext& context) {
  if (context.programaWindows) return context.pastaServidor + "\\DADOS\\INDECR.DBF";
  return AppPathFolder(context.programaExe) + "\\INDECR.DBF";
}

std::optional<OfficeIdentity> ReadOfficeTable(const std::string& tablePath) {
  support::TTabelaRede table;
  table.SetName("TabIndecr");
  table.SetTableName(tablePath);
  try {
    table.Open();
    // A table without a record names no office: reading its fields would give nothing to
    // compare, and "especif.txt" could then match a line with empty fields.
    if (table.IsEmpty()) return std::nullopt;
    OfficeIdentity office{project::UpperCase(table.FieldAsText("ESCRITORIO")),
                          project::UpperCase(table.FieldAsText("CIDADE")),
                          project::UpperCase(table.FieldAsText("UF"))};
    table.Close();
    return office;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string OfficeSpecificScript(const std::vector<std::string>& lines, const OfficeIdentity& office,
                                 const std::string& programFile) {
  const std::string program = project::UpperCase(programFile);
  for (const auto& line : lines) {
    const std::string padded = support::PadSeparators(line, kEspecifSeparator);
    auto field = [&](int n) {
      return project::UpperCase(support::GetField(padded, n, kEspecifSeparator));
    };
    if (field(1) == office.escritorio && field(2) == office.cidade && field(3) == office.uf &&
        field(4) == program) {
      // The file name is compared nowhere: it is taken as the server spells it, since the
      // server's file names are case-sensitive.
      return support::GetField(padded, 5, kEspecifSeparator);
    }
  }
  return {};
}

}  // namespace lifto::update
