#include "update/FinishUpdate.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "UpdateFixture.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/SystemFolders.h"
#include "platform/WindowMessages.h"

namespace lifto::test {
namespace {

using update::FinishUpdate;

class FinishUpdateTest : public UpdateFixture {
 protected:
  // Waits until a file that a started program writes is complete (its last line ends); the
  // programs write the whole file at once (renamed into place) or one line at a time.
  std::string WaitForOutput(const std::filesystem::path& file) {
    for (int i = 0; i < 600; ++i) {
      if (std::filesystem::exists(file)) {
        const std::string text = ReadFileBytes(file);
        if (!text.empty() && text.back() == '\n') return text;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
  }
};

TEST_F(FinishUpdateTest, TellsTheCallingWindowBeforeTheSuccessMessage) {
  std::vector<std::string> events;
  platform::MessageWindow caller([&](const platform::WindowMessage& message) -> std::int64_t {
    events.push_back("message " + std::to_string(message.msg) + " " +
                     std::to_string(message.wParam) + " " + std::to_string(message.lParam));
    return 0;
  });
  context.secondArgument = "/NV:" + std::to_string(caller.Handle());

  FinishUpdate(context);

  ASSERT_EQ(events, std::vector<std::string>{"message 1026 1 0"});
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, 2);
  EXPECT_EQ(ui.messages[0].text, Ansi("Atualização do Sistema Realizada com Sucesso!"));
}

TEST_F(FinishUpdateTest, AHandleThatIsNoNumberEndsTheFinishWithAnError) {
  context.secondArgument = "/NV:12a";
  try {
    FinishUpdate(context);
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), Ansi("'12a' não é um valor inteiro válido"));
  }
  EXPECT_TRUE(ui.messages.empty());

  context.secondArgument = "/NV";
  EXPECT_THROW(FinishUpdate(context), std::runtime_error);
}

TEST_F(FinishUpdateTest, ANewCopyOfTheToolTakesOverInsteadOfTheMessage) {
  const auto temp = platform::ToHostPath(platform::PrivateTempFolder());
  ASSERT_TRUE(temp);
  const auto output = home.Home() / "started.txt";
  const auto fresh = *temp / "ATUALIZAR";
  WriteProgram(fresh, "#!/bin/sh\n{ printf '%s|' \"$@\"; echo; pwd; } > '" + output.string() +
                         ".tmp'\nmv '" + output.string() + ".tmp' '" + output.string() + "'\n");
  // The old executable's path stays one argument, blanks and all.
  context.ownExecutable = "C:\\LIFTO\\my tools\\atualizar";
  context.autoAtualizacao = true;

  FinishUpdate(context);

  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(WaitForOutput(output), "/C|/C:\\LIFTO\\my tools\\atualizar|\n" + temp->string() + "\n");
}

TEST_F(FinishUpdateTest, TheFollowUpCommandStartsInItsProgramsFolder) {
  const auto output = home.Home() / "started.txt";
  WriteProgram(Host("C:\\KORAMI\\MORBA"), "#!/bin/sh\nprintf '%s\\n' \"$*\" > '" +
                                               output.string() + "'\npwd >> '" + output.string() +
                                               "'\n");
  context.comandoExecutar = "<ponto>\\morba /i /x";

  update::RunAfterUpdate(context);

  EXPECT_EQ(WaitForOutput(output), "/I /X\n" + Host("C:\\KORAMI").string() + "\n");
}

TEST_F(FinishUpdateTest, TheFollowUpCommandRunsOnlyWithTheNetworkFiles) {
  const auto output = home.Home() / "started.txt";
  WriteProgram(Host("C:\\KORAMI\\MORBA"), "#!/bin/sh\necho \"$*\" >> '" + output.string() + "'\n");
  context.comandoExecutar = "C:\\KORAMI\\MORBA /SEM";
  context.C_rede = false;
  update::RunAfterUpdate(context);

  // The run with the network files comes later: once its line is there, one of the run before
  // would be too.
  context.C_rede = true;
  context.comandoExecutar = "C:\\KORAMI\\MORBA /COM";  // no placeholder: the command as it is
  update::RunAfterUpdate(context);
  EXPECT_EQ(WaitForOutput(output), "/COM\n");
}

}  // namespace
}  // namespace lifto::test
