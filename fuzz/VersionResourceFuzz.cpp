// Version information is read from executables that arrive on diskettes and downloads: whatever
// their bytes, reading them must end without a crash or a read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/VersionResource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto block = lifto::platform::VersionInfoBlock(bytes)) {
    lifto::platform::QueryVersionBlock(*block, "\\StringFileInfo\\041604E4\\FileVersion");
    lifto::platform::QueryVersionBlock(*block, "\\VarFileInfo\\Translation");
  }
  // The block reader on its own, without the executable around it.
  lifto::platform::QueryVersionBlock(bytes, "\\StringFileInfo\\041604E4\\CompanyName");
  return 0;
}
