#pragma once
// The retry timer's interval, fixed per executable: the product waits 20 s
// between attempts, the test build only a fraction of a second.  Not inline:
// each executable's entry point sees its own value.

namespace app {

#ifndef LUMARSO_RETRY_INTERVAL_MS
#define LUMARSO_RETRY_INTERVAL_MS 20000
#endif
constexpr unsigned kRetryIntervalMs = LUMARSO_RETRY_INTERVAL_MS;

}  // namespace app
