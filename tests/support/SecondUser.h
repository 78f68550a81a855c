#pragma once

#include <filesystem>
#include <functional>

#include <sys/types.h>

/// A second local user of a shared folder, as another workstation's user of an office's share is:
/// tests plant links and swap folders as that user, in a forked child that has dropped to it.
/// Only root can act as another user; tests that need one skip themselves otherwise:
///
///   if (!CanActAsSecondUser()) GTEST_SKIP() << kNeedsRoot;
namespace lifto::test {

inline constexpr uid_t kSecondUser = 65534;  // nobody
inline constexpr const char* kNeedsRoot = "acting as a second user (nobody) needs root";

bool CanActAsSecondUser();

/// Runs the action in a forked child running as the second user (uid and gid 65534).
/// @return whether the child dropped its privileges and the action returned true
bool AsSecondUser(const std::function<bool()>& action);

/// Makes a folder a share that every user may write (mode 1777, as an office's server folder),
/// and every folder above it searchable by all, so that the second user reaches it.
void MakeShared(const std::filesystem::path& folder);

}  // namespace lifto::test
