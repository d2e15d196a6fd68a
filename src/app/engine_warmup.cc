#include "app/engine_warmup.h"

namespace pagora::app {
namespace {

// Often enough for the engine's messages, seldom enough that a book of many
// small files does not pay a poll for each one.
constexpr gint64 kTurnInterval = 2000;  // µs

}  // namespace

void EngineWarmup::extractionStarting(const std::string& privateFolder) {
  host_.allowReading(privateFolder);
  host_.startEngine();
  started_ = true;
}

void EngineWarmup::betweenFiles() {
  if (!started_) return;
  const gint64 now = g_get_monotonic_time();
  if (now < nextTurn_) return;
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  nextTurn_ = now + kTurnInterval;
}

}  // namespace pagora::app
