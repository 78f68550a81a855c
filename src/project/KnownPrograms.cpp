#include "project/KnownPrograms.h"

#include "project/ScriptText.h"

namespace lifto::project {

const std::array<KnownProgram, 4>& KnownPrograms() {
  static const std::array<KnownProgram, 4> table = {{
      {"KORAMI.EXE", "TRELO-B System", "V", "ALIAS_KORAMI"},
      {"MORBA.EXE", "TRELO-A System", "V", "ALIAS_MORBA"},
      {"PAVRO.EXE", "PAVRO", "V", "ALIAS_PAVRO"},
      {"SELDOR.EXE", "Seldor System", "V", "ASELDOR"},
  }};
  return table;
}

const KnownProgram& KnownProgramMatch::Program() const {
  return KnownPrograms().at(static_cast<std::size_t>(row));
}

KnownProgramMatch FindKnownProgram(std::string_view name) {
  const std::string upperName = UpperCase(name);
  const auto& table = KnownPrograms();
  for (std::size_t row = 0; row < table.size(); ++row) {
    const std::string_view file = table[row].programFile;
    const std::string stem = UpperCase(file.substr(0, file.find('.')));
    if (upperName.find(stem) != std::string::npos) {
      return KnownProgramMatch{static_cast<int>(row), table[row].kindCode == "V"};
    }
  }
  return {};
}

const KnownProgram* KnownProgramOfAlias(std::string_view alias) {
  for (const KnownProgram& program : KnownPrograms()) {
    if (SameText(program.alias, alias)) return &program;
  }
  return nullptr;
}

}  // namespace lifto::project
