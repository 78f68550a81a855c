#include "platform/LoadableModule.h"

#include <dlfcn.h>

#include <stdexcept>
#include <system_error>

namespace lifto::platform {

namespace fs = std::filesystem;

fs::path BesideOwnExecutable(const std::string& fileName) {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path(fileName) : self.parent_path() / fileName;
}

void* LoadModuleEntry(const fs::path& file, const char* symbol) {
  // A path with a folder is opened as it is, never searched for along the library path; the
  // module stays loaded until the process ends, as the code it runs may still be on the stack.
  const fs::path opened = file.has_parent_path() ? file : fs::path(".") / file;
  void* module = ::dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    // The loader's reason mostly begins with the file's name already.
    const char* error = ::dlerror();
    std::string reason = error ? error : "unknown reason";
    const std::string prefix = opened.string() + ": ";
    if (reason.starts_with(prefix)) reason.erase(0, prefix.size());
    throw std::runtime_error("cannot load " + file.string() + ": " + reason);
  }
  ::dlerror();
  void* entry = ::dlsym(module, symbol);
  if (!entry) {
    const char* reason = ::dlerror();
    throw std::runtime_error("cannot load " + file.string() + ": " +
                             (reason ? reason : std::string("no entry ") + symbol));
  }
  return entry;
}

}  // namespace lifto::platform
