#include "project/Script.h"
#include "project/ScriptText.h"

namespace lifto::project {

ScriptLines NewScript() {
  return {"[CONFIG]", "ALIAS=",   "PROG=", "TIPO=ATU",   "DESCRICAO=", "VERSAO=0.0.0.0",
          "VERWIN=1", "EXECUTAR=", "",     "[BACKUP]",   "",           "[PONTO]",
          "",         "[SERVIDOR]", "",    "[WINDOWS]"};
}

std::string FindKeyValue(const ScriptLines& lines, std::string_view key) {
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), key)) {
      return line.substr(eq + 1);
    }
  }
  return {};
}

std::string SectionOfLine(const ScriptLines& lines, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) return {};
  for (int line = index; line >= 0; --line) {
    const std::string& text = lines[static_cast<std::size_t>(line)];
    if (IsSectionHeader(text)) return text.size() < 2 ? std::string() : text.substr(1, text.size() - 2);
  }
  return {};
}

std::string FileNameOfPath(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(slash + 1));
}

}  // namespace lifto::project
