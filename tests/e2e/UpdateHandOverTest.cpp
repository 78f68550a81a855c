#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <thread>

#include "e2e/UpdateOfficeHelpers.h"
#include "platform/WindowMessages.h"
#include "support/TempFolder.h"

// The end of an installed update: the calling program told through "/NV", and the tool's own
// replacement handed over to a fresh copy that finishes with "/C".
namespace lifto::test {
namespace {

namespace fs = std::filesystem;

TEST(UpdateHandOver, CallingWindowReceivesTheDoneMessageBeforeTheSuccessMessage) {
  Office office;
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12", {{"PONTO", "KORAMI.EXE", "new program", "\\"}});
  std::vector<platform::WindowMessage> received;
  platform::MessageWindow caller([&](const platform::WindowMessage& message) {
    received.push_back(message);
    return 0;
  });
  const AtualizarRun run =
      office.Run({"F:\\UPD\\X.aex", "/NV:" + std::to_string(caller.Handle())}, "", {}, [] {
        platform::WaitForMessages(std::chrono::milliseconds(20));
      });
  EXPECT_EQ(run.status, 0) << run.output;
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].msg, 1026u);
  EXPECT_EQ(received[0].wParam, 1u);
  EXPECT_EQ(received[0].lParam, 0);
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), "new program");
}

TEST(UpdateHandOver, TheToolReplacedByItsUpdateFinishesThroughAFreshCopy) {
  Office office;
  const std::string tool = ReadFileBytes(LIFTO_BINARY_DIR "/atualizar");
  // The installed tool differs from the one the update brings by a few trailing bytes.
  office.Write("C:\\WINDOWS\\SYSTEM\\atualizar", tool + "OLD");
  const fs::path installed = office.Host("C:\\WINDOWS\\SYSTEM\\atualizar");
  fs::permissions(installed, fs::perms::owner_all);
  office.MakeUpdate("F:\\UPD", "X", "6.5.0.12",
                    {{"PONTO", "KORAMI.EXE", "new program", "\\"},
                     {"WINDOWS", "atualizar", tool, "\\SYSTEM\\"}});

  const AtualizarRun run = office.Run({"F:\\UPD\\X.aex"}, "", installed);
  EXPECT_EQ(run.status, 0) << run.output;
  // No success message from the old process: the fresh copy shows it and copies itself over.
  for (int waited = 0; waited < 150 && fs::file_size(installed) != tool.size(); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(ReadFileBytes(installed), tool);
  EXPECT_EQ(office.Read("C:\\KORAMI\\KORAMI.EXE"), "new program");
  for (int waited = 0; waited < 50; ++waited) {
    std::ifstream in(office.TranscriptPath());
    std::string all((std::istreambuf_iterator<char>(in)), {});
    if (all.find("Atualização do sistema realizada com Sucesso!") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::ifstream in(office.TranscriptPath());
  std::string all((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(all.find("Atualização do sistema realizada com Sucesso!"), std::string::npos) << all;
  EXPECT_EQ(all.find("Atualização do Sistema Realizada com Sucesso!"), std::string::npos) << all;
}

}  // namespace
}  // namespace lifto::test
