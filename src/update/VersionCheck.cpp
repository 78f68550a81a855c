#include "update/VersionCheck.h"

#include <charconv>
#include <limits>
#include <optional>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"
#include "project/KnownPrograms.h"
#include "project/Script.h"
#include "support/Ui.h"
#include "support/Utilities.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

std::string WithoutDots(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c != '.') result += c;
  }
  return result;
}

/// "NUMDISCOS" read as the tool's integer reader reads it: blanks around, an optional sign,
/// decimal digits, within the range of an int.
std::optional<int> ReadInteger(std::string_view text) {
  const std::string trimmed = TrimText(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty() || digits.front() == '+') return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

/// The adjustment dialog's type choice: 0 "Atualização", 1 "Requerimento", nullopt for
/// anything else.
std::optional<int> TypeItem(std::string_view answer) {
  const std::string upper = platform::Upper1252(TrimText(answer));
  if (upper.starts_with("ATU")) return 0;
  if (upper.starts_with("REQ")) return 1;
  return std::nullopt;
}

/// A field of the answered dialog by its name in any case, the last one given winning: an answer
/// typed as "c_tipos" must not leave the default "Atualização" standing unnoticed.
std::string Answer(const support::DialogRequest& dialog, std::string_view field) {
  const std::string wanted = platform::Upper1252(field);
  for (auto it = dialog.fields.rbegin(); it != dialog.fields.rend(); ++it) {
    if (platform::Upper1252(it->first) == wanted) return it->second;
  }
  return {};
}

/// Asks for the type and number of disks. @return false when the person cancelled
bool AskDiskInformation(UpdateContext& context) {
  support::DialogRequest dialog{kAjustaVersaoDialog,
                                {{kAjustaVersaoTipos, Ansi("Atualização")},
                                 {kAjustaVersaoNumero, "1"}}};
  while (support::CurrentUi().RunDialog(dialog)) {
    const auto type = TypeItem(Answer(dialog, kAjustaVersaoTipos));
    const auto number = ReadInteger(Answer(dialog, kAjustaVersaoNumero));
    if (type && number && *number >= 1 && *number <= kMaxDiscos) {
      context.tipoAtualizacao = *type == 0 ? "ATU" : "REQ";
      context.numDiscos = *number;
      return true;
    }
    // The form's controls admit only their items and 1 to 50; an answer typed on another
    // front-end is put right by the person rather than guessed at.
    support::ShowKindMessage(Ansi("Informe o tipo de disco, Atualização ou Requerimento, e a "
                                  "quantidade de discos, de 1 a 50."),
                             1);
  }
  return false;
}

/// The installed version text: the whole "FileVersion" (or its first two numbers when the
/// offered version has at most two digits), ‘0.0.0.0’ without an executable or version.
std::string InstalledVersion(const std::string& executable, std::size_t offeredDigits) {
  if (executable.empty() || !platform::FileExists(executable)) return "0.0.0.0";
  const std::string major = support::FileVersionText(executable, 0);
  if (major.empty()) return "0.0.0.0";
  std::string version = major;
  if (offeredDigits > 2) version += "." + support::FileVersionText(executable, 1);
  return TrimText(version);
}

}  // namespace

std::uint64_t VersionNumber(std::string_view digits) {
  std::uint64_t value = 0;
  bool valid = !digits.empty();
  for (char c : digits) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    const auto digit = static_cast<std::uint64_t>(c - '0');
    // Checked: a long run of digits must fail, never wrap round into a small number.
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
      valid = false;
      break;
    }
    value = value * 10 + digit;
  }
  if (!valid) {
    throw platform::db::EConvertError(Ansi("'") + std::string(digits) +
                                      Ansi("' não é um valor inteiro válido"));
  }
  return value;
}

bool CheckVersion(UpdateContext& context, const std::string& scriptPath) {
  auto& ui = support::CurrentUi();
  context.aliasPrograma.clear();
  const std::string savedStatus = context.statusBar;
  SetStatus(context, Ansi("Verificando Versão da Atualização"));
  ui.ProcessMessages();

  const project::ScriptLines script = project::LoadScript(scriptPath);
  const std::string versao = project::FindKeyValue(script, "VERSAO");
  const std::string prog = project::FindKeyValue(script, "PROG");
  const std::string verwin = project::FindKeyValue(script, "VERWIN");
  const std::string executar = project::FindKeyValue(script, "EXECUTAR");
  const std::string tipo = project::FindKeyValue(script, "TIPO");
  const std::string numdiscos = project::FindKeyValue(script, "NUMDISCOS");
  const std::string alias = project::FindKeyValue(script, "ALIAS");

  for (const auto& program : project::KnownPrograms()) {
    if (program.programFile == prog) {
      context.LblTitulo = std::string(program.displayName) + " " + versao;
      break;
    }
  }
  context.comandoExecutar = executar;

  if (!tipo.empty() && !numdiscos.empty()) {
    const auto count = ReadInteger(numdiscos);
    // A set of no disks (or fewer) would only fail later, in the restore.
    if (!count || *count < 1) {
      support::ShowKindMessage("Erro ao ler chave NUMDISCOS, Abortando...", 4);
      return false;
    }
    context.tipoAtualizacao = tipo;
    context.numDiscos = *count;
  } else if (!AskDiskInformation(context)) {
    support::ShowKindMessage(
        Ansi("Não informadas as informações sobre esta versão, abortando atualização..."), 1);
    return false;
  }

  SetStatus(context, Ansi("Verificando Versão do Windows"));
  context.programaWindows = verwin == "1" || verwin.empty();
  std::string executable;
  if (context.programaWindows) {
    context.aliasPrograma = alias;
    context.programaExe = prog;
    context.pastaServidor = support::AliasPath(alias, true);
    // Without the alias's folder the path would name a file at the root of the current drive.
    if (!context.pastaServidor.empty()) executable = context.pastaServidor + "\\" + prog;
  } else {
    support::ShowKindMessage(Ansi("Versao MS-Dos Não implementada"), 4);
  }

  SetStatus(context, Ansi("Verificando Versão Atual Instalada"));
  bool result = true;
  if (!versao.empty()) {
    const std::string offered = WithoutDots(versao);
    const std::string installed = WithoutDots(InstalledVersion(executable, offered.size()));
    const std::uint64_t offeredNumber = VersionNumber(offered);
    const std::uint64_t installedNumber = VersionNumber(installed);
    if (installedNumber > offeredNumber) {
      result = support::AskConfirmation(Ansi("Deseja atualizar o sistema com a versão: ") +
                                            offered + " ,atualmente instalada: " + installed +
                                            " ?",
                                        Ansi("Confirmação"), 1);
    } else if (installedNumber == offeredNumber) {
      // The server's files are already this version: they are not installed again.
      context.C_rede = false;
    }
  }

  SetStatus(context, savedStatus);
  ui.ProcessMessages();
  return result;
}

}  // namespace lifto::update
