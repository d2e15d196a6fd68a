// Waiting for what another thread or process does, with a deadline and
// without running any main loop.
#pragma once

#include <functional>

namespace pagora::testing {

// Polls `done` every few milliseconds for up to a minute; false when it never held.
bool waitUntil(const std::function<bool()>& done);

}  // namespace pagora::testing
