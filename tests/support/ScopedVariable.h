#pragma once

#include <optional>
#include <string>

namespace lifto::test {

/// Sets (or with nullptr removes) an environment variable for one scope, and puts back what was
/// there before. The one way tests change the process's environment (LIFTO_HOME, TEMP, PATH...).
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

  /// Changes the value for the rest of the scope (nullptr removes the variable).
  void Set(const char* value) const;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace lifto::test
