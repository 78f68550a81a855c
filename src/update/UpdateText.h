#pragma once

#include <string>
#include <string_view>

/// Small text rules that the update steps share. Texts are 1252.
namespace lifto::update {

/// The text without leading and trailing characters up to the blank (control characters too).
std::string TrimText(std::string_view text);

/// Every occurrence of `what`, compared without regard to case, replaced by `with`.
std::string ReplaceAllNoCase(std::string_view text, std::string_view what, std::string_view with);

/// The part of a path after its last "\", "/" or ":" (on this host "/" separates as well).
std::string BareFileName(std::string_view path);

/// True for a name that stays inside the folder it is joined to: not empty, not "." or "..",
/// and without "\", "/" or ":". Names read from scripts and logs are checked with it before a
/// file is written or deleted under them.
bool IsPlainFileName(std::string_view name);

/// True when a relative folder ("\DADOS\", "\SYSTEM\") names no ".." component, so that joined
/// to a root it stays below that root.
bool StaysBelowRoot(std::string_view relativeFolder);

}  // namespace lifto::update
