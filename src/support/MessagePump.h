#pragma once

#include <functional>

/// What "handle pending window messages" means beyond the front-end's own events: the
/// application installs a handler that serves its timers and the window-message channel, and
/// every front-end's Ui::ProcessMessages calls it, so that long operations keep those alive.
namespace lifto::support {

/// Installs the handler; an empty function removes it.
void SetPendingMessagesHandler(std::function<void()> handler);

/// Calls the installed handler, if any. The handler may itself wait and so come back here; it
/// may also replace itself while it runs.
void HandlePendingMessages();

}  // namespace lifto::support
