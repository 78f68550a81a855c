#include "support/MessagePump.h"

#include <utility>

namespace lifto::support {
namespace {

std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

void SetPendingMessagesHandler(std::function<void()> handler) { Handler() = std::move(handler); }

void HandlePendingMessages() {
  // A copy, so that a handler that replaces itself is not destroyed while it runs.
  const auto handler = Handler();
  if (handler) handler();
}

}  // namespace lifto::support
