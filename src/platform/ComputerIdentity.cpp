#include "platform/ComputerIdentity.h"

#include <memory>

#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/TextCase.h"

namespace lifto::platform {
namespace {

constexpr std::size_t kNetworkNameChars = 15;

std::string HostNetworkName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return {};
  std::string name = FromUtf8(host);
  name = name.substr(0, name.find('.'));
  return Upper1252(name.substr(0, kNetworkNameChars));
}

}  // namespace

std::string SystemComputerName(std::size_t bufferChars) {
  auto name = Environment::Current().SystemValue("ComputerName");
  if (name.empty()) name = HostNetworkName();
  if (bufferChars == 0) return {};
  return name.substr(0, bufferChars - 1);
}

bool NetworkPresent() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, freeifaddrs);
  for (const ifaddrs* item = list; item; item = item->ifa_next) {
    const auto flags = item->ifa_flags;
    if ((flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK)) return true;
  }
  return false;
}

}  // namespace lifto::platform
