#pragma once

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/SandboxHome.h"

/// The atu program end to end, against a sandbox LIFTO_HOME with a diskette drive A:.
namespace lifto::test {

struct AtuRun {
  int status = -1;
  std::string out;
  std::string err;
};

class AtuTest : public ::testing::Test {
 protected:
  AtuTest();

  /// Runs build/atu with the arguments (quoted for the shell), with `input` on standard input or,
  /// without, standard input closed. A time limit of 60 s ends a reader that goes round for ever.
  AtuRun Run(const std::string& arguments, const std::optional<std::string>& input = std::nullopt);

  SandboxHome home;
};

}  // namespace lifto::test
