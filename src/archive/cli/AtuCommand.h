#pragma once

#include <ostream>
#include <string>
#include <vector>

/// The `atu` archive tool over the archive component: create, list, test and extract update
/// archives. It never waits for input: further volumes are taken from beside the first.
namespace lifto::archive::cli {

enum AtuExit : int { kAtuOk = 0, kAtuFailed = 1, kAtuUsage = 2 };

/// Runs one atu command.
/// @param args the command line without the program name (UTF-8, as the terminal gives it)
/// @param out listings and summaries; @param err messages and the progress bar
/// @param progressBar draw a progress bar on `err` (when it is a terminal)
/// @return 0 on success, 1 on a failure, 2 on a usage error
int RunAtu(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool progressBar);

/// The usage text.
std::string AtuUsage();

}  // namespace lifto::archive::cli
