#pragma once

#include <filesystem>
#include <string>

/// Modules a program loads on demand from its own folder (a packager installs them beside it).
namespace lifto::platform {

/// @return the host path of `fileName` in the running program's folder (/proc/self/exe's), or
///         `fileName` alone when the program's own path cannot be read
std::filesystem::path BesideOwnExecutable(const std::string& fileName);

/// Loads `file` for the rest of the run, with every reference resolved now, and looks up `symbol`.
/// @return the entry's address (never null)
/// @throw std::runtime_error naming the file and the loader's reason when it cannot be loaded or
///        lacks the entry
void* LoadModuleEntry(const std::filesystem::path& file, const char* symbol);

}  // namespace lifto::platform
