#include "support/TrataErro.h"

#include <algorithm>
#include <filesystem>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SystemFolders.h"
#include "platform/TextCase.h"
#include "platform/db/DbErrors.h"
#include "support/Application.h"
#include "support/Ui.h"
#include "support/Utilities.h"

namespace lifto::support {

namespace db = platform::db;

namespace {

/// Trim as the tool's runtime does it: every control character and blank at both ends.
std::string Trim(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto first = std::find_if_not(text.begin(), text.end(), isBlank);
  auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

/// The text after the first ":" (nothing without one).
std::string AfterFirstColon(const std::string& text) {
  const auto colon = text.find(':');
  return colon == std::string::npos ? std::string() : text.substr(colon + 1);
}

/// The advice about the network for a path: a server to switch on, or a mapped drive to reach.
std::string NetworkHint(const std::string& path) {
  if (Contains(path, "\\\\")) {
    return Ansi("Verifique se o servidor está ligado e conectado em sua rede");
  }
  const auto drive = path.find(":\\");
  if (drive != std::string::npos) {
    const std::string letter = drive > 0 ? path.substr(drive - 1, 1) : std::string();
    return Ansi("Verifique se a unidade mapeada de rede \"") + letter + Ansi("\" está acessível");
  }
  return {};
}

/// The path up to and including its last "\" or ":".
std::string FolderOf(const std::string& path) {
  const auto cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         platform::EqualsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

bool HostFileExists(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  std::error_code error;
  return host && std::filesystem::is_regular_file(*host, error);
}

}  // namespace

TTrataErro::TTrataErro()
    : starter_([](const std::string& commandLine) {
        platform::StartProcess(commandLine, platform::PriorityClass::Normal);
      }) {}

void TTrataErro::SetProgramStarter(std::function<void(const std::string&)> starter) {
  starter_ = std::move(starter);
}

void TTrataErro::Start(const std::string& commandLine) const {
  // An empty command starts nothing.
  if (Trim(commandLine).empty() || !starter_) return;
  try {
    starter_(commandLine);
  } catch (...) {
    // The handler raises nothing: a program that cannot be started is simply not started.
  }
}

std::string TTrataErro::OwnFolder() const {
  const std::string exe = ownExecutable_.empty() ? platform::OwnExecutablePath() : ownExecutable_;
  return FolderOf(exe);
}

void TTrataErro::HandleException(std::exception_ptr error) {
  if (!error) return;
  try {
    try {
      std::rethrow_exception(error);
    } catch (const db::EAbort&) {
      return;  // the silent abort: the user has been told already
    } catch (...) {
    }
    if (App().Tag() != 0) {
      App().ShowStandardError(error);
      return;
    }
    try {
      std::rethrow_exception(error);
    } catch (const db::EDBEngineError& engineError) {
      // The retrying table's write error carries only its message: shown as it is.
      if (engineError.Entries().empty()) App().ShowStandardError(error);
      for (const auto& entry : engineError.Entries()) {
        if (TranslateEntry(entry.code, engineError.Message(), error)) return;
        App().ShowStandardError(error);
      }
    } catch (const std::exception& other) {
      const bool databaseOrConversion = dynamic_cast<const db::EDatabaseError*>(&other) ||
                                        dynamic_cast<const db::EConvertError*>(&other);
      const std::string upper = platform::Upper1252(other.what());
      const auto mark = [](const char* text) { return platform::Upper1252(Ansi(text)); };
      if (databaseOrConversion &&
          (upper == mark("Nenhum argumento para o formato '%s'") ||
           Contains(upper, mark("Tamanho sem combinação para campo")) ||
           Contains(upper, mark("não é do tipo esperado")))) {
        StructureError(other.what());
      } else {
        App().ShowStandardError(error);
      }
    } catch (...) {
      App().ShowStandardError(error);
    }
  } catch (...) {
    // Nothing escapes the last handler of the application.
  }
}

bool TTrataErro::TranslateEntry(int code, const std::string& message,
                                std::exception_ptr error) {
  const std::string name = Trim(AfterFirstColon(message));
  const auto explain = [](const std::string& text) { ShowKindMessage(text, 2); };
  const std::string contact = "Entre em contato com a Vornel";

  if (code >= db::code::kHeaderCorrupt && code <= 0x2303) {
    // ".sqlite" is this engine's data file, as ".DB" and ".MB" are the older engine's.
    if (Contains(name, ".MB") || Contains(name, ".DB") || EndsWithNoCase(name, ".sqlite")) {
      const bool canRepair = !AliasName.empty() && HostFileExists(OwnFolder() + "Pdxrbld.exe");
      const std::string advice =
          canRepair ? Ansi("O programa de reparo tentará reparar o arquivo. Clique em OK para "
                           "continuar e volte a executar esta operação.")
                    : contact;
      explain(Ansi("Seu arquivo de dados está corrompido: ") + name + "\r" + advice);
      App().Terminate();
      if (Contains(advice, "reparo")) {
        Start(OwnFolder() + "Pdxrbld.exe /a" + AliasName + " /T" + name + " -r+ -r2 -p");
      } else {
        Start(DataErrorCommand);
      }
    } else {
      explain(Ansi("Seu arquivo de índice está corrompido\rO programa de Criação de Índices será "
                   "executado e depois tente novamente.\rMensagem Interna: ") +
              message);
      App().Terminate();
      Start(IndexCommand);
    }
    return true;
  }
  switch (code) {
    case db::code::kIndexCorrupt:
      explain(Ansi("Seu arquivo de índice está corrompido\rO programa de Criação de Índices será "
                   "executado.\rMensagem Interna: ") +
              message);
      App().Terminate();
      Start(IndexCommand);
      return true;
    case db::code::kInvalidAliasPath: {
      const std::string path = AliasPath(AliasName, false);
      std::string hint = NetworkHint(path);
      if (hint.empty()) hint = message;
      explain(Ansi("O caminho do banco de dados configurado no Alias está incorreto:\r\r") + hint +
              "\r\rCaminho do banco de dados configurado: " + path);
      App().Terminate();
      return true;
    }
    case db::code::kNoSuchIndex:
      if (name == "IREQT") {
        explain(Ansi("O arquivo de índice ") + name + Ansi(" não foi encontrado\r") +
                Ansi("Entre no menu Utilitários - Atualizar arquivos de requerimentos."));
        return true;  // the tool goes on
      }
      explain(Ansi("O arquivo de índice ") + name + Ansi(" não foi encontrado\r") +
              Ansi("Execute o programa de Criação de Índices e tente novamente"));
      App().Terminate();
      Start(IndexCommand);
      return true;
    case db::code::kNoSuchTable:
      explain(Ansi("O arquivo de dados ") + name + Ansi(" não foi encontrado") + "\r" + contact);
      App().Terminate();
      Start(DataErrorCommand);
      return true;
    case db::code::kTableBusy: {
      const std::string file = name.substr(0, name.find('\r'));
      const auto userMark = name.find("User:");
      const std::string user =
          userMark == std::string::npos ? std::string() : Trim(name.substr(userMark + 6));
      explain(Ansi("O arquivo de dados ") + file + Ansi(" está aberto") + "\r" +
              Ansi("pelo Usuário ") + user + "." + "\r" +
              Ansi("Verifique se o programa não está sendo executado e tente novamente"));
      App().Terminate();
      return true;
    }
    case db::code::kFileNotFound: {
      const auto memo = name.find(".MB");
      if (memo == std::string::npos) {
        App().ShowStandardError(error);
        App().Terminate();
        return true;
      }
      // The memo file's path starts at its drive letter, one character before the first ":".
      const auto colon = name.find(':');
      const std::size_t from = colon == std::string::npos || colon == 0 ? 0 : colon - 1;
      const std::string memoFile = from <= memo ? name.substr(from, memo + 3 - from) : name;
      explain(Ansi("O arquivo de dados ") + memoFile + Ansi(" não foi encontrado") + "\r" + contact);
      App().Terminate();
      Start(DataErrorCommand);
      return true;
    }
    case db::code::kPathNotFound: {
      const std::string folder = FolderOf(AfterFirstColon(message)).substr(0, 260);
      explain(Ansi("O caminho do banco de dados não foi encontrado\r\r") + NetworkHint(message) +
              "\r\rCaminho do banco de dados configurado: " + folder);
      App().Terminate();
      return true;
    }
    case 0x2F02:  // index out of date
      explain(Ansi("Seu arquivo de índice está desatualizado ") + name + "\r" +
              Ansi("O programa de Criação de Índices será executado e depois tente novamente"));
      App().Terminate();
      Start(IndexCommand);
      return true;
    default:
      return false;
  }
}

void TTrataErro::StructureError(const std::string& message) {
  ShowKindMessage(Ansi("A estrutura do banco de dados está errada, é necessário converte-la.\r"
                       "Mensagem Interna: ") +
                      message + Ansi("\r\rA atualização do programa poderá corrigir o problema!"),
                  4);
  if (!AliasName.empty()) {
    // The conversion request: the tool's ".vrn" file in the data's parent folder becomes ".vcx".
    const std::string exe = ownExecutable_.empty() ? platform::OwnExecutablePath() : ownExecutable_;
    std::string program = platform::Upper1252(exe.substr(exe.find_last_of("\\:/") + 1));
    if (program.size() >= 4 && program.compare(program.size() - 4, 4, ".EXE") == 0) {
      program.resize(program.size() - 4);
    }
    const std::string base = AliasPath(AliasName, true) + "\\" + program;
    const auto request = platform::ToHostPath(base + ".vcx");
    const auto marker = platform::ToHostPath(base + ".vrn");
    std::error_code error;
    if (request && marker && !std::filesystem::exists(*request, error)) {
      std::filesystem::rename(*marker, *request, error);
    }
  }
  App().Terminate();
  CurrentUi().ProcessMessages();
  if (!Trim(ConversionCommand).empty()) Start(ConversionCommand + " " + ConversionArgument);
}

TTrataErro& InstallErrorTranslator() {
  static TTrataErro translator;
  App().SetExceptionHandler([](std::exception_ptr error) { translator.HandleException(error); });
  return translator;
}

}  // namespace lifto::support
