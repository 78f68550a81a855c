// atu, the archive command-line tool: create, list, test and extract update archives.
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "archive/cli/AtuCommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return lifto::archive::cli::RunAtu(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
