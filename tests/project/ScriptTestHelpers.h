#pragma once

#include "project/Script.h"

namespace lifto::test {

/// The complete example script, as the editor leaves it after one entry in each file section.
project::ScriptLines ExampleScript();

}  // namespace lifto::test
