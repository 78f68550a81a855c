#include "e2e/AtuHelpers.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/TempFolder.h"

namespace lifto::test {

namespace fs = std::filesystem;

AtuTest::AtuTest() : home({{"A", "floppy"}}) {}

AtuRun AtuTest::Run(const std::string& arguments, const std::optional<std::string>& input) {
  const fs::path in = home.Home() / "in.txt";
  const fs::path out = home.Home() / "out.txt";
  const fs::path err = home.Home() / "err.txt";
  if (input) std::ofstream(in) << *input;
  const std::string command = "timeout 60 " + std::string(LIFTO_BINARY_DIR) + "/atu " + arguments +
                              (input ? " <" + in.string() : std::string(" <&-")) + " >" + out.string() +
                              " 2>" + err.string();
  AtuRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFileBytes(out);
  run.err = ReadFileBytes(err);
  return run;
}

}  // namespace lifto::test
