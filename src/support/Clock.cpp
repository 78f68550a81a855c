#include "support/Clock.h"

namespace lifto::support {
namespace {

class SystemClock final : public Clock {
 public:
  std::chrono::system_clock::time_point Now() const override {
    return std::chrono::system_clock::now();
  }
};

const SystemClock systemClock;
const Clock* currentClock = &systemClock;

}  // namespace

const Clock& CurrentClock() { return *currentClock; }

void SetCurrentClock(const Clock* clock) { currentClock = clock != nullptr ? clock : &systemClock; }

}  // namespace lifto::support
