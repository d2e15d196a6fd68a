#include "viewer/engine/engine_warmup.h"

namespace pagora::viewer {
namespace {

// Often enough for the engine's messages, seldom enough that a book of many
// small files does not pay a poll for each one.
constexpr gint64 kTurnInterval = 2000;  // µs
constexpr int kMaxDispatchesPerTurn = 64;

}  // namespace

void EngineWarmup::extractionStarting(const std::string& privateFolder) {
  BrowserHost& host = hostFor_(privateFolder);
  host.allowReading(privateFolder);
  host.startEngine();
}

void EngineWarmup::fileWritten(const std::string&) {
  const gint64 now = g_get_monotonic_time();
  if (now < nextTurn_) return;
  // Bounded: a source that is always ready must not hold the load up.
  for (int dispatched = 0; dispatched < kMaxDispatchesPerTurn && g_main_context_iteration(nullptr, FALSE);
       ++dispatched) {
  }
  nextTurn_ = now + kTurnInterval;
}

}  // namespace pagora::viewer
