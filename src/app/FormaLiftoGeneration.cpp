#include "app/FormaLiftoGeneration.h"

#include <exception>

#include "app/FormaLifto.h"
#include "archive/ArchiveFormat.h"
#include "archive/BackupFile.h"
#include "platform/Codepage.h"
#include "project/Catalogue.h"
#include "support/Application.h"
#include "update/RestoreEvents.h"

namespace lifto::app {

FormaLiftoGeneration::FormaLiftoGeneration(TFormaLifto& form, GenerationProject project)
    : form_(form), project_(std::move(project)) {}

project::GenerationState& FormaLiftoGeneration::Generation() { return form_.geracao; }

std::string FormaLiftoGeneration::Caption() const { return form_.caption; }

void FormaLiftoGeneration::SaveProject() {
  if (project_.save) project_.save();
}

void FormaLiftoGeneration::SetStatus(const std::string& text) { form_.SetStatus(text); }

void FormaLiftoGeneration::SetStatusBar(const std::string& text) { form_.SetStatusBar(text); }

void FormaLiftoGeneration::SetProgress(int percent) { form_.c_barra.position = percent; }

bool FormaLiftoGeneration::Backup(const std::vector<std::string>& files,
                                  const std::string& archivePath, std::int32_t maxSize) {
  // C_back as the window's form sets it, with the handlers that the update procedure uses.
  update::RestoreEvents events(form_);
  archive::TBackupFile C_back;
  C_back.SetBackupTitle(Ansi("Atualização"));
  C_back.SetBackupMode(archive::bmAll);
  C_back.SetCompressionLevel(archive::clDefault);
  C_back.SetSetArchiveFlag(false);
  C_back.SetSaveFileID(false);
  C_back.SetMaxSize(maxSize);
  C_back.SetOnProgress([&events](archive::TBackupFile&, const std::string& filename,
                                 archive::TPercentage percent, bool& Continue) {
    events.C_backProgress(filename, percent, Continue);
  });
  C_back.SetOnNeedDisk([this, &events, &archivePath](archive::TBackupFile&, std::uint16_t diskID, bool& Continue) {
    // The volume before this disk is complete and its diskette still in the drive.
    if (const auto& written = form_.geracao.volumeWritten) {
      const unsigned done = diskID - 1u;
      const std::string volume =
          done == 1 ? archivePath : archive::VolumePath(archivePath, archive::VolumeDigits(done));
      if (!written(volume)) {
        Continue = false;
        form_.context.erroAtualizacao = true;
        return;
      }
    }
    events.C_backNeedDisk(diskID, Continue);
  });
  C_back.SetOnError([&events](archive::TBackupFile&, std::int32_t error, const std::string& text) {
    events.C_backError(error, text);
  });
  form_.context.erroAtualizacao = false;
  return C_back.Backup(files, archivePath);
}

void FormaLiftoGeneration::RecordCatalogue() {
  if (!project_.recordCatalogue || !form_.catalogue.IsOpen()) return;
  project::RecordCatalogue(form_.catalogue, form_.clientes,
                           {project_.path, project_.lines, form_.geracao.discosGerados});
}

GenerationProject EditorProject(TFormaLifto& form) {
  EditPage& page = form.C_edicao;
  return {page.C_projeto.Text(), &page.C_script.items, page.projetoAlterado,
          [&page] { page.SaveProject(); }, true};
}

bool GenerateFromProject(TFormaLifto& form, const std::string&) {
  try {
    // The editor holds the project, loaded and with its version refreshed; no client is chosen
    // at this moment, so nothing is recorded.
    GenerationProject project = EditorProject(form);
    project.recordCatalogue = false;
    FormaLiftoGeneration window(form, std::move(project));
    return project::GenerateDisks(window, false) == project::GenerationResult::Generated;
  } catch (...) {
    support::App().HandleException(std::current_exception());
  }
  return false;
}

std::string ClientItem(const std::string& abrev, const std::string& escritorio) {
  return abrev + "  " + escritorio;
}

void OpenCatalogueTables(TFormaLifto& form) {
  form.catalogue.Open();
  TComboEdit& box = form.C_edicao.C_clientes;
  box.items.clear();
  box.columns.clear();
  for (const auto& [abrev, escritorio] : form.clientes.Items()) {
    box.items.push_back(ClientItem(abrev, escritorio));
    box.columns.push_back({abrev, escritorio});
  }
}

void ClientChanged(TFormaLifto& form) {
  TComboEdit& box = form.C_edicao.C_clientes;
  const auto& items = box.items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] != box.Text()) continue;
    // A row picked from the list: its "ABREV" becomes the text, which searches again.
    form.clientes.Pick(static_cast<int>(i));
    box.SetText(form.clientes.Text());
    return;
  }
  form.clientes.SetText(box.Text());
}

void GenerateDisksByButton(TFormaLifto& form) {
  FormaLiftoGeneration window(form, EditorProject(form));
  if (project::GenerateDisks(window, true) == project::GenerationResult::Generated) {
    support::App().SetExitCode(0);
  } else {
    form.MarkFailed();
  }
}

void ChooseGenerationFolder(TFormaLifto& form) {
  FormaLiftoGeneration window(form, EditorProject(form));
  project::ChooseGenerationFolder(window);
}

void CloseCatalogueTables(TFormaLifto& form) { form.catalogue.Close(); }

}  // namespace lifto::app
