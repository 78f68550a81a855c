#include "update/FinishUpdate.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "platform/Codepage.h"
#include "platform/Process.h"
#include "platform/SystemFolders.h"
#include "platform/TextCase.h"
#include "platform/WindowMessages.h"
#include "support/Utilities.h"
#include "update/InstallRoots.h"
#include "update/UpdateText.h"

namespace lifto::update {
namespace {

// The handle after "/NV" and its separator, read as the tool reads whole numbers: blanks before
// it, an optional sign, decimal digits, within 32 bits.
platform::WindowHandle NotificationHandle(const std::string& argument) {
  const std::string text = argument.size() > 4 ? argument.substr(4) : std::string();
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && text[at] == '+') ++at;
  std::int64_t value = 0;
  const char* first = text.data() + at;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last ||
      value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    throw std::runtime_error("'" + text + Ansi("' não é um valor inteiro válido"));
  }
  return static_cast<platform::WindowHandle>(static_cast<std::int32_t>(value));
}

}  // namespace

void FinishUpdate(UpdateContext& context) {
  if (CalledWithNotification(context)) {
    // The caller's answer is not looked at; a window that is gone is no failure of the update.
    platform::SendMessage(NotificationHandle(context.secondArgument), kUpdateDoneMessage, 1, 0);
  }
  if (!context.autoAtualizacao) {
    support::ShowKindMessage(Ansi("Atualização do Sistema Realizada com Sucesso!"), 2);
    return;
  }
  const std::string temp = platform::PrivateTempFolder();
  // One argument each: the old executable's path may hold blanks ("...\\my tools\\atualizar").
  platform::ShellOpenWithArguments(temp + "\\" + platform::Upper1252(OwnExecutableName(context)),
                                   {"/C", "/" + OwnExecutablePath(context)}, temp + "\\");
}

void RunAfterUpdate(UpdateContext& context) {
  if (!context.C_rede) return;
  const std::string upper = platform::Upper1252(context.comandoExecutar);
  std::string command = ReplacePlaceholder(upper, ProgramRoots(context)).value_or(upper);
  if (command.empty()) return;
  command = TrimText(command);

  std::string program = command;
  std::string parameters;
  if (const auto slash = command.find('/'); slash != std::string::npos) {
    program = TrimText(command.substr(0, slash));
    parameters = command.substr(slash);
  }
  const auto cut = program.find_last_of("\\:");
  const std::string folder = cut == std::string::npos ? std::string() : program.substr(0, cut + 1);
  platform::ShellOpen(program, parameters, folder);
}

}  // namespace lifto::update
