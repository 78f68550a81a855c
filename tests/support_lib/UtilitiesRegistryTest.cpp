#include <gtest/gtest.h>

#include "platform/ComputerIdentity.h"
#include "support/SandboxHome.h"
#include "support/Utilities.h"

namespace lifto::support {
namespace {

using platform::RootKey;
const std::string kKey = "\\Software\\Vornel\\Internet";

TEST(RegistryValue, EveryKindRoundTrips) {
  test::SandboxHome sandbox;
  const struct {
    int kind;
    RegistryValue value;
  } cases[] = {
      {kRegBoolean, true},
      {kRegCurrency, 1234.5678},
      {kRegDate, 36955.0},             // 05/03/2001
      {kRegDateTime, 36955.5 + 1.0 / 86400},  // 05/03/2001 12:00:01
      {kRegFloat, 0.1},
      {kRegInteger, std::int64_t{-42}},
      {kRegString, std::string("Discagem \xE9 manual")},
      {kRegTime, 0.75},                // 18:00:00
  };
  for (const auto& c : cases) {
    const std::string name = "V" + std::to_string(c.kind);
    ASSERT_TRUE(WriteRegistryValue(RootKey::CurrentUser, kKey, name, c.value, c.kind)) << c.kind;
    const RegistryValue back = ReadRegistryValue(RootKey::CurrentUser, kKey, name, c.kind);
    if (const auto* d = std::get_if<double>(&c.value)) {
      ASSERT_TRUE(std::holds_alternative<double>(back)) << c.kind;
      EXPECT_NEAR(std::get<double>(back), *d, 1e-9) << c.kind;
    } else {
      EXPECT_EQ(back, c.value) << c.kind;
    }
  }
  // Booleans and integers are DWORDs, the other kinds texts, as an office's export has them.
  EXPECT_EQ(platform::ReadRegistry(RootKey::CurrentUser, kKey, "V1"), platform::RegistryData{std::uint32_t{1}});
  EXPECT_EQ(platform::ReadRegistry(RootKey::CurrentUser, kKey, "V3"), platform::RegistryData{std::string("05/03/2001")});
  EXPECT_EQ(platform::ReadRegistry(RootKey::CurrentUser, kKey, "V4"),
            platform::RegistryData{std::string("05/03/2001 12:00:01")});
  EXPECT_EQ(platform::ReadRegistry(RootKey::CurrentUser, kKey, "V8"), platform::RegistryData{std::string("18:00:00")});
}

TEST(RegistryValue, WritesConvertToTheKindsTypeOrAreRefusedAndReadsGiveNullOnErrors) {
  test::SandboxHome sandbox;
  const struct {
    RegistryValue value;
    int kind;
    bool written;
    RegistryValue back;  ///< read with the same kind
  } writes[] = {
      {std::string("12"), kRegInteger, true, std::int64_t{12}},
      {std::int64_t{5}, kRegBoolean, true, true},
      {std::string("doze"), kRegInteger, false, {}},
      {std::int64_t{1} << 40, kRegInteger, false, {}},
      {RegistryValue{}, kRegString, false, std::string()},  // a missing text reads empty
      {std::string("a"), 0, false, {}},
      {std::string("a"), 9, false, {}},
  };
  int n = 0;
  for (const auto& w : writes) {
    const std::string name = "V" + std::to_string(++n);
    EXPECT_EQ(WriteRegistryValue(RootKey::LocalMachine, kKey, name, w.value, w.kind), w.written)
        << name;
    EXPECT_EQ(ReadRegistryValue(RootKey::LocalMachine, kKey, name, w.kind), w.back) << name;
  }
  // A value read as another kind, or a missing value or key.
  ASSERT_TRUE(WriteRegistryValue(RootKey::CurrentUser, kKey, "Texto", std::string("a"), kRegString));
  EXPECT_EQ(ReadRegistryValue(RootKey::CurrentUser, kKey, "Texto", 9), RegistryValue{});
  EXPECT_EQ(ReadRegistryValue(RootKey::CurrentUser, kKey, "Texto", kRegInteger), RegistryValue{});
  EXPECT_EQ(ReadRegistryValue(RootKey::CurrentUser, kKey, "Nada", kRegBoolean), RegistryValue{});
  EXPECT_EQ(ReadRegistryValue(RootKey::CurrentUser, "\\Software\\Nada", "Texto", kRegString), RegistryValue{});
}

TEST(ReadComputerIdentity, PrefersTheNetworkSetupsNames) {
  test::SandboxHome sandbox;
  const std::string vnetsup = "\\System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
  ASSERT_TRUE(WriteRegistryValue(RootKey::LocalMachine, vnetsup, "ComputerName", std::string("BALCAO"), kRegString));
  ASSERT_TRUE(WriteRegistryValue(RootKey::LocalMachine, vnetsup, "WorkGroup", std::string("LOJA"), kRegString));
  const TDadosRede identity = ReadComputerIdentity();
  EXPECT_EQ(identity.ComputerName, "BALCAO");
  EXPECT_EQ(identity.WorkGroup, "LOJA");
}

TEST(ReadComputerIdentity, FallsBackToTheSystemsName) {
  test::SandboxHome sandbox;
  sandbox.SetSystemValue("ComputerName", "CAIXA");
  const TDadosRede identity = ReadComputerIdentity();
  EXPECT_EQ(identity.ComputerName, "CAIXA");
  EXPECT_EQ(identity.WorkGroup, "");
}

}  // namespace
}  // namespace lifto::support
