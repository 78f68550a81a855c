#include "update/CopyDisks.h"

#include <exception>
#include <utility>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "support/Ui.h"
#include "support/Utilities.h"
#include "update/Marker.h"
#include "update/SetSignatures.h"
#include "update/SourceFolder.h"

namespace lifto::update {
namespace {

bool IsUpdateType(const std::string& tipo) {
  std::string head = tipo.substr(0, 3);
  for (char& c : head) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return head == "ATU";
}

// Copies one file into the updates folder. The source may already be that very file (the folder
// reached through another drive or in another letter case): it is then left alone, since
// deleting the target first would delete the only copy.
bool CopyInto(const std::string& source, const std::string& target) {
  if (SameFile(source, target)) return true;
  if (platform::FileExists(target)) {
    platform::SetAttributes(target, 0);
    platform::DeleteFile(target);
  }
  return platform::CopyFile(source, target);
}

// "X.aex" → "X.ATU" for disk 1, "X.002", "X.003"... for the others.
std::string VolumePath(const std::string& scriptPath, int disk) {
  const std::string stem = scriptPath.size() >= 3 ? scriptPath.substr(0, scriptPath.size() - 3)
                                                  : std::string();
  return stem + (disk == 1 ? std::string("ATU") : support::ZeroPad(std::to_string(disk), 3));
}

// The files that one copy of a set put into the updates folder, taken away again when the set is
// refused for its signatures, so that nothing of a refused set stays there.
class SetCopies {
 public:
  explicit SetCopies(bool checked) : checked_(checked) {}

  // Copies a file of the set (and, at a site that checks signatures, first checks it where it
  // lies and copies its signature file beside it). @return false when refused or not copied
  bool Copy(const std::string& source, const std::string& target) {
    if (!checked_) return CopyInto(source, target);
    if (!AcceptSetFile(source)) {
      refused_ = true;
      return false;
    }
    if (SameFile(source, target)) return true;
    for (const auto& [from, to] : {std::pair{source, target}, std::pair{SignatureFileOf(source), SignatureFileOf(target)}}) {
      copied_.push_back(to);
      if (!CopyInto(from, to)) return false;
    }
    return true;
  }

  // Removes what was copied when the set was refused.
  void UndoIfRefused() {
    if (!refused_) return;
    for (const auto& file : copied_) {
      if (platform::FileExists(file)) platform::DeleteFile(file);
    }
  }

 private:
  bool checked_;
  bool refused_ = false;
  std::vector<std::string> copied_;
};

}  // namespace

std::string DiskCopyFolder(const UpdateContext& context) {
  return context.pastaServidor +
         (IsUpdateType(context.tipoAtualizacao) ? "\\UPDATES\\" : "\\UPTEXTOS\\");
}

bool CopyDisksToUpdates(UpdateContext& context, std::string& scriptPath) {
  SetStatusBar(context, "Copiando...");
  support::CurrentUi().ProcessMessages();

  // Without a server folder (an MS-DOS program) the folder would be "\UPDATES" at the root of
  // whatever drive is current: nothing is copied there.
  if (context.pastaServidor.empty()) return false;
  const std::string target = DiskCopyFolder(context);
  if (!platform::ForceFolders(target.substr(0, target.size() - 1))) return false;
  context.discoCopiado = 1;

  // A site that checks signatures writes the marker only once the whole set is in, so that a
  // refused or incomplete set is never installed by the automatic update.
  const bool checked = SiteChecksSignatures();
  SetCopies copies(checked);
  const std::string scriptName = NameOfFile(scriptPath);
  const bool marks = IsUpdateType(context.tipoAtualizacao);
  SetLabelStatus2(context, "Copiando arquivo AEX...");
  if (!copies.Copy(scriptPath, target + scriptName)) {
    copies.UndoIfRefused();
    return false;
  }

  if (marks && !checked) {
    SetLabelStatus2(context, "Criando log atualiza...");
    WriteMarkerFile(target + "atualiza.ok", scriptName);
  }

  SetLabelStatus2(context, "Copiando arquivo ATU...");
  bool failed = false;
  while (!failed && context.discoCopiado <= context.numDiscos) {
    const int disk = context.discoCopiado;
    SetStatusBar(context, "Copiando disco " + std::to_string(disk));
    support::CurrentUi().ProcessMessages();
    try {
      const std::string volume = VolumePath(scriptPath, disk);
      while (!platform::FileExists(volume)) {
        if (!support::AskConfirmation("Insira o Disco " + std::to_string(disk),
                                      Ansi("Confirmação"), 2)) {
          failed = true;
          break;
        }
      }
      if (!failed && !copies.Copy(volume, target + NameOfFile(volume))) failed = true;
    } catch (const std::exception&) {
      failed = true;
    }
    ++context.discoCopiado;
  }
  copies.UndoIfRefused();
  if (!failed && marks && checked) {
    SetLabelStatus2(context, "Criando log atualiza...");
    WriteMarkerFile(target + "atualiza.ok", scriptName);
  }
  scriptPath = target + scriptName;
  return !failed;
}

}  // namespace lifto::update
