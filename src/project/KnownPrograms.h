#pragma once

#include <array>
#include <string>
#include <string_view>

/// The fixed table of the vendor's programs that the tool updates.
namespace lifto::project {

struct KnownProgram {
  std::string_view programFile;  ///< executable as registered under "App Paths" ("KORAMI.EXE")
  std::string_view displayName;  ///< shown with the version in the update window's title
  std::string_view kindCode;     ///< "V": the updates folder is found through the alias
  std::string_view alias;        ///< the program's database alias
};

/// The four rows, in the tool's order.
const std::array<KnownProgram, 4>& KnownPrograms();

/// Result of FindKnownProgram.
struct KnownProgramMatch {
  int row = -1;         ///< 0 to 3, or -1 when no row matches
  bool kindV = false;   ///< the row's kind code is "V"

  bool Found() const { return row >= 0; }
  const KnownProgram& Program() const;  ///< the row; only when Found()
};

/// The first row whose program file without its extension ("KORAMI") occurs anywhere in the name,
/// without regard to case: "/korami.exe", "C:\X\KORAMI.EXE" and "KORAMIX" all give row 0. The
/// name is taken as given; removing a command-line argument's leading "/" is the caller's part.
KnownProgramMatch FindKnownProgram(std::string_view name);

/// The row whose alias equals the given one without regard to case; nullptr when none does.
const KnownProgram* KnownProgramOfAlias(std::string_view alias);

}  // namespace lifto::project
