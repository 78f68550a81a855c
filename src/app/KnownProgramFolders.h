#pragma once

#include <optional>
#include <string>

/// The folders of a program of the known-programs table that the automatic modes need.
namespace lifto::app {

/// The updates folder of the known program found by FindKnownProgram for the name: for a row of
/// kind code "V", the parent folder of its database alias's folder + "\updates"; for another
/// kind, the "Path" value of its "App Paths" entry + "\updates". A missing alias or entry gives
/// an empty folder part ("\updates"), where nothing is found.
/// @return nullopt when no row of the table matches the name
std::optional<std::string> KnownProgramUpdatesFolder(const std::string& programName);

}  // namespace lifto::app
