#include "support/ScopedVariable.h"

#include <cstdlib>

namespace lifto::test {

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  Set(value);
}

ScopedVariable::~ScopedVariable() { Set(old_ ? old_->c_str() : nullptr); }

void ScopedVariable::Set(const char* value) const {
  if (value) {
    setenv(name_.c_str(), value, 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace lifto::test
