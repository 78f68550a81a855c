#include "update/DownloadFiles.h"

#include "platform/Codepage.h"
#include "platform/Files.h"
#include "project/ScriptText.h"
#include "support/Utilities.h"
#include "update/ProgramFolders.h"

namespace lifto::update {
namespace {

constexpr const char* kRecordSeparator = " ; ";

std::string NameOfRemotePath(const std::string& remotePath) {
  const auto slash = remotePath.rfind('/');
  return slash == std::string::npos ? remotePath : remotePath.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         project::UpperCase(text.substr(text.size() - end.size())) == project::UpperCase(end);
}

}  // namespace

std::string DownloadFolder() { return support::TempFolder() + "\\vorndown"; }

bool IsDownloadableScriptName(const std::string& name) {
  if (name.find_first_of("/\\:") != std::string::npos) return false;
  if (name.find("..") != std::string::npos) return false;
  return name.size() > 4 && EndsWithNoCase(name, ".aex");
}

std::string ArchiveOfRemoteScript(const std::string& remotePath) {
  std::string result;
  const std::string upper = project::UpperCase(remotePath);
  std::size_t from = 0;
  for (std::size_t at; (at = upper.find(".AEX", from)) != std::string::npos; from = at + 4) {
    result += remotePath.substr(from, at - from) + ".ATU";
  }
  return result + remotePath.substr(from);
}

bool DownloadUpdateFile(const std::string& remotePath, std::vector<std::string>& records,
                        const FileDownloader& download) {
  // Every caller builds the path from the known-programs table, whose lookup finds the program
  // by its folder name in the path; one that names none has no updates folder to go to and is
  // not fetched.
  const auto folder = KnownProgramUpdatesFolder(remotePath);
  const std::string name = NameOfRemotePath(remotePath);
  if (!folder || name.empty()) return false;
  if (!platform::FolderExists(*folder)) platform::ForceFolders(*folder);
  const std::string target = *folder + "\\" + name;
  const std::string temporary = DownloadFolder();
  if (!platform::FolderExists(temporary)) platform::ForceFolders(temporary);
  const std::string local = temporary + "\\" + name;
  const bool downloaded = download(remotePath, local);
  records.push_back(local + kRecordSeparator + target);
  return downloaded;
}

std::string RecordLocal(const std::string& record) { return support::GetField(record, 1, ";"); }

std::string RecordTarget(const std::string& record) { return support::GetField(record, 2, ";"); }

bool InstallDownloadedFiles(const std::vector<std::string>& records, const CopyProgress& progress) {
  std::vector<std::string> copied;
  bool ok = true;
  for (const auto& record : records) {
    const std::string local = RecordLocal(record);
    const std::string target = RecordTarget(record);
    progress("Copiando Arquivo " + local);
    // The download folder goes afterwards: a file new to the updates folder moves there, in one
    // step when both are on one volume. One that replaces a file is copied over it.
    if (platform::RenameFile(local, target) || platform::CopyFile(local, target)) {
      copied.push_back(target);
      continue;
    }
    support::ShowKindMessage(Ansi("Erro ao copiar o arquivo ") + local + " para " + target, 4);
    for (const auto& done : copied) platform::DeleteFile(done);
    ok = false;
    break;
  }
  support::DeleteFolderTree(DownloadFolder(), false);
  return ok;
}

}  // namespace lifto::update
