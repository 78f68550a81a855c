#pragma once

/// How many processor cores this process may run on.
namespace lifto::platform {

/// The cores the process is allowed to run on (its affinity, so that a run pinned to one core
/// counts one), at least 1.
unsigned UsableCores();

}  // namespace lifto::platform
