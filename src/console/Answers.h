#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// The answers of an unattended run, from LIFTO_ANSWERS: a comma list taken in order.
///   sim, nao, ok, cancela        answer the next question, or close the next dialog with OK
///                                (sim, ok) or Cancela (nao, cancela)
///   pasta=<folder>               the next folder chooser picks that folder; "pasta=" cancels it
///   arquivo=<file>               the next file chooser picks that file; "arquivo=" cancels it
///   <Dialog>.<campo>=<valor>     a field of the next dialog of that name, set before its result
///                                (the next sim/nao/ok/cancela) closes it
/// Words and names compare without regard to case; blanks around an entry are dropped; ",,"
/// stands for a comma inside an entry. The list is UTF-8; values come back in 1252.
namespace lifto::console {

class AnswerQueue {
 public:
  explicit AnswerQueue(std::string_view answersUtf8);

  /// The next sim/nao/ok/cancela entry: true for sim or ok. nullopt when none is left.
  std::optional<bool> TakeResult();

  /// The next "<key>=" entry's value ("pasta", "arquivo"), empty for a cancel. nullopt when none.
  std::optional<std::string> TakeValue(std::string_view key);

  /// The "<dialog>.<campo>=<valor>" entries of that dialog that come before the next result entry,
  /// in order, taken off the list.
  std::vector<std::pair<std::string, std::string>> TakeDialogFields(std::string_view dialog);

  /// Entries that are none of the forms above (kept to warn about once).
  const std::vector<std::string>& Unrecognised() const { return unrecognised_; }

 private:
  struct Entry {
    enum class Kind { Result, Value, Field } kind;
    bool result = false;
    std::string key;     ///< "pasta", "arquivo" or the dialog name (as given)
    std::string field;   ///< field name of a Field entry
    std::string value;   ///< 1252
  };
  std::vector<Entry> entries_;
  std::vector<std::string> unrecognised_;
};

}  // namespace lifto::console
