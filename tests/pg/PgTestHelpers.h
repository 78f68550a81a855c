#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "support/PgCluster.h"
#include "support/SandboxHome.h"

/// Tests against a real PostgreSQL server: the program's shared throw-away cluster, emptied for
/// each test, and a sandbox whose alias ALIAS_VORN names its database. Without PostgreSQL the
/// tests are skipped with the reason.
namespace lifto::test {

/// The vendor's catalogue as README gives it for a server, with a few client offices.
extern const char* const kCatalogueSql;

class PgTest : public ::testing::Test {
 protected:
  void SetUp() override;

  PgCluster& Cluster() { return *cluster_; }
  SandboxHome& Home() { return *home_; }

  /// The code and message of the engine error that `call` raises ({0, ""} when none).
  static std::pair<int, std::string> EngineError(const std::function<void()>& call);

 private:
  PgCluster* cluster_ = nullptr;
  std::optional<SandboxHome> home_;
};

}  // namespace lifto::test
