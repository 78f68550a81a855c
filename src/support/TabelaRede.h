#pragma once

#include <chrono>
#include <string>

#include "platform/db/Table.h"
#include "support/Utilities.h"

/// The table class of every shared table: the engine's table with timed retries of a failing
/// edit, post or delete (typically on a lock that another workstation holds), a small window
/// showing the waiting, a request to write every post and delete to disk, and a re-read of the
/// records before each edit, insert or delete and after each post and delete.
namespace lifto::support {

class TTabelaRede : public platform::db::Table, public FieldSource {
 public:
  /// Takes over the events before and after edit, insert and delete, after open, and on edit,
  /// post and delete error. Handlers already set in `events` are kept and called by the table's
  /// own; a handler assigned to one of these events afterwards replaces the table's behaviour.
  explicit TTabelaRede(platform::db::DataSetEvents events = {});

  /// Seconds during which a failing operation is retried. A table made in code holds 0 (one
  /// failure ends the retries); assigning 0 or less stores 5.
  int Tentativas() const { return tentativas_; }
  void SetTentativas(int seconds) { tentativas_ = seconds <= 0 ? 5 : seconds; }
  /// True from the start of each edit, insert, delete or post; false once an operation gave up.
  bool Resultado() const { return resultado_; }

  /// Posts with retries, asks the engine to write the change to disk and re-reads the table.
  /// @throw platform::db::EAbort when the retries ran out (the user has been told)
  /// @throw platform::db::EDBEngineError "Erro de Gravação\rNão é possível gravar registro no
  ///        momento" when the change could not be written to disk
  void Post() override;
  /// Post, then Resultado.
  bool Gravar();
  /// Appends a new record, then Resultado.
  bool Incluir();

  std::string FieldAsText(const std::string& fieldName) const override {
    return Table::FieldAsText(fieldName);
  }
  int FieldDeclaredSize(const std::string& fieldName) const override {
    return Table::FieldDeclaredSize(fieldName);
  }

  /// The pause between two attempts, so that waiting on another workstation's lock does not keep
  /// the processor busy.
  static constexpr std::chrono::milliseconds kRetryPause{50};

 private:
  using DataAction = platform::db::DataAction;

  void StartOperation();
  void BeforeChange(const platform::db::DataSetNotifyEvent& user, bool sameRecord);
  void RetryRule(platform::db::EDatabaseError& error, DataAction& action,
                 const std::string& operation, const std::string& finalMessage,
                 const platform::db::DataSetErrorEvent& user);
  void SaveCheck(const std::string& word);
  void CloseProgressWindow();
  void CallUser(const platform::db::DataSetNotifyEvent& user);

  int tentativas_ = 0;
  bool resultado_ = false;
  bool showFlag_ = false;
  bool progressShown_ = false;
  std::chrono::steady_clock::time_point start_;
  platform::db::DataSetEvents user_;  ///< the handlers set before the table took the events over
};

}  // namespace lifto::support
