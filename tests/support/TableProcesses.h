#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/db/Table.h"
#include "support/ForkedProcess.h"

/// Other workstations at a shared table, as processes of their own: the lock tests on files and on
/// a database server share them. Each child makes and opens its table through a MakeTable.
namespace lifto::test {

/// Makes a table and opens it (in the child).
using MakeTable = std::function<std::unique_ptr<platform::db::Table>()>;

/// A process that edits the table's first record, setting field to value: it sends 'e' while the
/// record is locked, posts when it receives a signal, sends 'p' and ends at the next signal.
std::unique_ptr<ForkedProcess> EditingFirstRecord(const MakeTable& open, const std::string& field,
                                                  const std::string& value);

/// Opens the table in another process. @return true when that open was refused as a busy table
bool OpenIsRefusedAsBusy(const MakeTable& open);

/// Appends rows from several processes at once: each opens its table, then all start together and
/// each appends `rows` records through append(process, row, table), which says whether it succeeded.
/// Every process must end with status 0.
void AppendTogether(int processes, int rows, const MakeTable& open,
                    const std::function<bool(int process, int row, platform::db::Table&)>& append);

}  // namespace lifto::test
