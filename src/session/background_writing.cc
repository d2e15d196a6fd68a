#include "session/background_writing.h"

#include <pthread.h>
#include <signal.h>

#include <utility>

namespace pagora {

BackgroundWriting::BackgroundWriting(BookWriter& writer, Events events)
    : events_(std::move(events)),
      thread_([this, &writer](const std::stop_token& stop) { run(stop, writer, events_); }) {}

void BackgroundWriting::run(const std::stop_token& stop, BookWriter& writer, const Events& events) {
  // The viewer's signals (SIGTERM closing the window) go to its main loop.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  while (!stop.stop_requested()) {
    writer.waitUntilWanted(stop);
    if (stop.stop_requested()) return;
    switch (writer.writeNext(stop).step) {
      case BookWriter::Step::Wrote:
        continue;
      case BookWriter::Step::Finished:
        if (events.finished) events.finished();
        return;
      case BookWriter::Step::Failed:
        if (events.failed) events.failed();
        return;
      case BookWriter::Step::Stopped:
        return;
    }
  }
}

void BackgroundWriting::stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

}  // namespace pagora
