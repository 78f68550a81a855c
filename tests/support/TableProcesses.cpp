#include "support/TableProcesses.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/db/DbErrors.h"

namespace lifto::test {

namespace db = platform::db;

std::unique_ptr<ForkedProcess> EditingFirstRecord(const MakeTable& open, const std::string& field,
                                                  const std::string& value) {
  return std::make_unique<ForkedProcess>([&](const ForkedProcess::Channel& channel) {
    const auto table = open();
    table->Edit();
    table->SetFieldText(field, value);
    channel.Send('e');
    channel.Receive();
    table->Post();
    channel.Send('p');
    channel.Receive();
    return 0;
  });
}

bool OpenIsRefusedAsBusy(const MakeTable& open) {
  ForkedProcess other([&](const ForkedProcess::Channel&) {
    try {
      open();
    } catch (const db::EDBEngineError& e) {
      return e.ErrorCode() == db::code::kTableBusy ? 0 : 2;
    }
    return 1;
  });
  return other.Wait() == 0;
}

void AppendTogether(int processes, int rows, const MakeTable& open,
                    const std::function<bool(int process, int row, db::Table&)>& append) {
  std::vector<std::unique_ptr<ForkedProcess>> writers;
  for (int p = 0; p < processes; ++p) {
    writers.push_back(std::make_unique<ForkedProcess>([&, p](const ForkedProcess::Channel& channel) {
      const auto table = open();
      channel.Send('r');
      channel.Receive();  // all start together
      for (int n = 0; n < rows; ++n) {
        if (!append(p, n, *table)) return 3;
      }
      return 0;
    }));
  }
  for (auto& writer : writers) ASSERT_EQ(writer->Receive(), 'r');
  for (auto& writer : writers) writer->Send('g');
  for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);
}

}  // namespace lifto::test
