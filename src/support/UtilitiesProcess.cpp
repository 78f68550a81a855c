// Starting another program.
#include "platform/Process.h"
#include "support/Utilities.h"

namespace lifto::support {

bool StartProgram(const std::string& commandLine, int priorityKind) {
  platform::PriorityClass priority = platform::PriorityClass::Idle;
  switch (priorityKind) {
    case 1: priority = platform::PriorityClass::RealTime; break;
    case 2: priority = platform::PriorityClass::High; break;
    case 3: priority = platform::PriorityClass::Normal; break;
    default: break;
  }
  // The whole command line is passed, however long: cutting it would start another command.
  try {
    return platform::StartProcess(commandLine, priority);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace lifto::support
