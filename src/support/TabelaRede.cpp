#include "support/TabelaRede.h"

#include <thread>

#include "platform/Codepage.h"
#include "support/Ui.h"

namespace lifto::support {

namespace db = platform::db;

TTabelaRede::TTabelaRede(db::DataSetEvents events) : Table(std::move(events)) {
  auto& own = Events();
  user_ = own;
  own.BeforeEdit = [this](Table&) { BeforeChange(user_.BeforeEdit, true); };
  own.BeforeDelete = [this](Table&) { BeforeChange(user_.BeforeDelete, true); };
  own.BeforeInsert = [this](Table&) { BeforeChange(user_.BeforeInsert, false); };
  own.AfterEdit = [this](Table&) {
    CloseProgressWindow();
    CallUser(user_.AfterEdit);
  };
  own.AfterInsert = [this](Table&) {
    CloseProgressWindow();
    CallUser(user_.AfterInsert);
  };
  own.AfterDelete = [this](Table&) {
    SaveCheck("excluir");
    CloseProgressWindow();
    Refresh();
    CallUser(user_.AfterDelete);
  };
  own.AfterOpen = [this](Table&) { CallUser(user_.AfterOpen); };
  own.OnEditError = [this](Table&, db::EDatabaseError& error, DataAction& action) {
    RetryRule(error, action, Ansi("Alteração"), Ansi("Não foi possível alterar registro no momento"),
              user_.OnEditError);
  };
  own.OnDeleteError = [this](Table&, db::EDatabaseError& error, DataAction& action) {
    RetryRule(error, action, Ansi("Exclusão"), Ansi("Não foi possível excluir registro no momento"),
              user_.OnDeleteError);
  };
  own.OnPostError = [this](Table&, db::EDatabaseError& error, DataAction& action) {
    RetryRule(error, action, Ansi("Gravação"), Ansi("Não foi possível atualizar arquivo no momento"),
              user_.OnPostError);
  };
}

void TTabelaRede::CallUser(const db::DataSetNotifyEvent& user) {
  if (user) user(*this);
}

void TTabelaRede::StartOperation() {
  resultado_ = true;
  showFlag_ = true;
  progressShown_ = false;
  start_ = std::chrono::steady_clock::now();
}

void TTabelaRede::BeforeChange(const db::DataSetNotifyEvent& user, bool sameRecord) {
  resultado_ = true;
  showFlag_ = true;
  progressShown_ = false;
  CallUser(user);
  start_ = std::chrono::steady_clock::now();
  const db::RecordId before = CurrentRecordId();
  Refresh();
  // The re-read must not move an edit or delete onto a neighbour of a record that another
  // workstation deleted meanwhile.
  if (sameRecord && before != 0 && CurrentRecordId() != before) {
    throw db::EDBEngineError(db::code::kRecordDeleted, "Record/Key deleted.\rTable: " + FilePath());
  }
}

void TTabelaRede::RetryRule(db::EDatabaseError& error, DataAction& action,
                            const std::string& operation, const std::string& finalMessage,
                            const db::DataSetErrorEvent& user) {
  // A monotonic clock: a retry across midnight, or while the clock is set, counts the time spent.
  const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start_);
  const double elapsed = static_cast<double>(elapsedMs.count()) / 1000.0;
  // With no seconds to retry (a table made in code), the first failure ends the operation.
  if (tentativas_ > 0 && tentativas_ >= elapsed) {
    if (showFlag_) {
      CurrentUi().OpenProgressWindow({Name(), operation, error.Message(), tentativas_});
      progressShown_ = true;
      CurrentUi().ProcessMessages();
      showFlag_ = false;
    }
    CurrentUi().SetProgressPosition(static_cast<int>(elapsed));
    std::this_thread::sleep_for(kRetryPause);
    action = DataAction::Retry;
    return;
  }
  action = DataAction::Abort;
  error.SetMessage(finalMessage);
  resultado_ = false;
  CloseProgressWindow();
  ShowKindMessage(finalMessage, 4);
  if (user) user(*this, error, action);
}

void TTabelaRede::CloseProgressWindow() {
  if (!progressShown_) return;
  progressShown_ = false;
  CurrentUi().CloseProgressWindow();
}

void TTabelaRede::SaveCheck(const std::string& word) {
  try {
    SaveChanges();
  } catch (const db::EDatabaseError&) {
    throw db::EDBEngineError(Ansi("Erro de Gravação\rNão é possível ") + word +
                             " registro no momento");
  }
}

void TTabelaRede::Post() {
  StartOperation();
  try {
    Table::Post();
  } catch (...) {
    CloseProgressWindow();
    throw;
  }
  // A post that succeeded on a retry has no after-event of its own to close the window.
  CloseProgressWindow();
  SaveCheck("gravar");
  Refresh();
}

bool TTabelaRede::Gravar() {
  Post();
  return resultado_;
}

bool TTabelaRede::Incluir() {
  Append();
  return resultado_;
}

}  // namespace lifto::support
