#include "project/DiskGeneration.h"

#include <filesystem>
#include <optional>
#include <stdexcept>

#include <sys/stat.h>

#include "archive/ArchiveFormat.h"
#include "platform/Codepage.h"
#include "platform/FilePlaces.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "platform/db/DbErrors.h"
#include "project/ScriptText.h"
#include "project/SetSigning.h"
#include "sign/SignError.h"
#include "support/Ui.h"
#include "support/Utilities.h"

namespace lifto::project {
namespace {

support::Ui& Ui() { return support::CurrentUi(); }

using support::BusyCursor;

bool IsDiskette(const std::string& path) { return !path.empty() && (path[0] == 'A' || path[0] == 'B'); }

// Waits for the diskette drive of the target folder: "OK" tests again, "Cancela" gives up.
bool DriveAnswers(const std::string& folder) {
  const char letter = folder[0];
  auto ready = [&] { return platform::DriveReady(letter) && platform::FolderExists(folder); };
  while (!ready()) {
    const std::string question =
        std::string("Erro com o drive ") + letter + ":" + ", deseja continuar ?";
    if (!support::AskConfirmation(question, Ansi("Confirmação"), 2)) return false;
  }
  return true;
}

// From the command line the copy is the project file itself, which a copy cannot replace.
bool SameFile(const std::string& a, const std::string& b) {
  const auto hostA = platform::ToHostPath(a);
  const auto hostB = platform::ToHostPath(b);
  std::error_code error;
  return hostA && hostB && std::filesystem::equivalent(*hostA, *hostB, error);
}

// The script goes first, so that on diskettes it lies on the first disk. A set without its script
// is of no use to the office, so a failed copy ends the run.
bool CopyScript(const std::string& project, const std::string& copy) {
  if (SameFile(project, copy) || platform::CopyFile(project, copy)) return true;
  support::ShowKindMessage(Ansi("Não foi possível copiar o projeto ") + project + " para " + copy +
                               Ansi(": a geração foi interrompida"),
                           4);
  return false;
}

// The copy on the first disk receives the number of disks. When the last disk is still in the
// drive, the person is asked for the first one; declining ends the run without a disk count.
bool WriteCount(const std::string& folder, const std::string& copy, int discos) {
  if (discos != 1) {
    const std::string request = "Insira o primeiro disco em " + folder;
    support::ShowKindMessage(request, 1);
    while (!platform::FileExists(copy)) {
      if (!support::AskConfirmation(request, Ansi("Confirmação"), 2)) return false;
    }
  }
  try {
    WriteDiskCount(copy, discos);
  } catch (const std::exception& error) {
    support::ShowKindMessage(error.what(), 4);
    return false;
  }
  return true;
}

}  // namespace

std::string NomeAtu(const std::string& projectPath) {
  std::string name = FileNameOfPath(projectPath);
  name.resize(name.size() >= 3 ? name.size() - 3 : 0);
  return name + "ATU";
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::string FolderOfProject(const std::string& projectPath) {
  const auto cut = projectPath.find_last_of('\\');
  if (cut == std::string::npos) return {};
  // A drive root keeps its backslash ("C:\"); any other folder loses it.
  if (cut == 2 && projectPath[1] == ':') return projectPath.substr(0, 3);
  return projectPath.substr(0, cut);
}

std::int32_t MaxSizeFor(const std::string& caminhoAtu) {
  return IsDiskette(caminhoAtu) ? kDisketteMaxSize : 0;
}

std::optional<std::vector<std::string>> CollectFileList(const ScriptLines& script,
                                                        const std::string& caption) {
  std::vector<std::string> files;
  platform::FilePlaces places;  // a project lists many files of few folders
  std::size_t i = 0;
  while (i < script.size() && script[i] != "[PONTO]") ++i;
  for (; i < script.size(); ++i) {
    const std::string& line = script[i];
    if (Trim(line).empty() || line.front() == '[') continue;
    const auto equals = line.find('=');
    const std::string value = equals == std::string::npos ? line : line.substr(equals + 1);
    const std::string path = support::GetField(value, 1, ",");
    const auto st = places.Stat(path);
    if (!st || S_ISDIR(st->st_mode)) {
      Ui().ShowMessage(2, caption, path + "\r\r" + Ansi("Arquivo não encontrado"));
      return std::nullopt;
    }
    files.push_back(path);
  }
  return files;
}

void ChooseGenerationFolder(GenerationWindow& window) {
  GenerationState& state = window.Generation();
  const std::string title = "Selecione o Caminho de Destino dos\r" +
                            Ansi("arquivos de atualização que serão gerados:");
  const std::string start =
      state.pastaGeracao.empty() ? FolderOfProject(window.ProjectPath()) : state.pastaGeracao;
  state.pastaGeracao = Ui().BrowseFolder(title, start).value_or(std::string());
}

GenerationResult GenerateDisks(GenerationWindow& window, bool byButton) {
  const std::string project = window.ProjectPath();
  if (project.empty()) {
    support::ShowKindMessage(Ansi("Não se pode Gerar Atualização a partir de um projeto em branco"), 1);
    return GenerationResult::NotGenerated;
  }
  if (window.ProjectChanged()) {
    if (!support::AskConfirmation("Deseja salvar esse projeto?", Ansi("Confirmação"), 1)) {
      support::ShowKindMessage(Ansi("Não se pode Gerar Atualização, Salve o projeto primeiro"), 1);
      return GenerationResult::NotGenerated;
    }
    window.SaveProject();
  }
  GenerationState& state = window.Generation();
  if (state.pastaGeracao.empty()) ChooseGenerationFolder(window);
  if (state.pastaGeracao.empty()) return GenerationResult::NotGenerated;

  state.nomeAtu = NomeAtu(project);
  state.caminhoAtu = PathInFolder(state.pastaGeracao, state.nomeAtu);
  auto files = CollectFileList(window.Script(), window.Caption());
  state.listaArquivos = files.value_or(std::vector<std::string>());
  if (!files) return GenerationResult::NotGenerated;

  const std::int32_t maxSize = MaxSizeFor(state.caminhoAtu);
  if (maxSize != 0) {
    support::ShowKindMessage("Insira o Disco no Drive", 2);
    if (!DriveAnswers(state.pastaGeracao)) return GenerationResult::NotGenerated;
  }

  std::optional<SetSigner> signer;
  try {
    signer = SetSigner::FromSystemIni();
  } catch (const sign::SignError& e) {
    support::ShowKindMessage(Ansi("Não foi possível usar a chave de assinatura: ") + platform::FromUtf8(e.what()), 4);
    return GenerationResult::NotGenerated;
  }

  window.SetProgress(0);
  BusyCursor busy;
  state.discosGerados = 1;
  window.SetStatus("Copiando...");
  Ui().ProcessMessages();
  const std::string copy = PathInFolder(state.pastaGeracao, FileNameOfPath(project));
  if (!CopyScript(project, copy)) return GenerationResult::NotGenerated;

  if (signer) state.volumeWritten = [&signer](const std::string& volume) { return signer->Sign(volume); };
  const bool written = window.Backup(state.listaArquivos, state.caminhoAtu, maxSize);
  state.volumeWritten = nullptr;
  window.SetProgress(0);
  window.SetStatusBar("Status");
  Ui().ProcessMessages();
  if (!written) return GenerationResult::NotGenerated;
  // The last volume is still in the drive; the script copy is signed once it holds its count.
  const std::string lastVolume =
      state.discosGerados == 1 ? state.caminhoAtu
                               : archive::VolumePath(state.caminhoAtu, archive::VolumeDigits(static_cast<unsigned>(state.discosGerados)));
  if (signer && !signer->Sign(lastVolume)) return GenerationResult::NotGenerated;
  if (!WriteCount(state.pastaGeracao, copy, state.discosGerados)) {
    return GenerationResult::NotGenerated;
  }
  if (signer && !signer->Sign(copy)) return GenerationResult::NotGenerated;
  try {
    window.RecordCatalogue();
  } catch (const platform::db::EAbort&) {
    return GenerationResult::NotRecorded;
  }
  if (byButton) support::ShowKindMessage(Ansi("Cópia concluída com sucesso!"), 2);
  return GenerationResult::Generated;
}

}  // namespace lifto::project
