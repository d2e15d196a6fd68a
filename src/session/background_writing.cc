#include "session/background_writing.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace pagora {
namespace {

constexpr int kLowestPriority = 19;  // the highest nice value

}  // namespace

BackgroundWriting::BackgroundWriting(BookWriter& writer, Events events)
    : events_(std::move(events)),
      thread_([this, &writer](const std::stop_token& stop) { run(stop, writer, events_); }) {}

void BackgroundWriting::run(const std::stop_token& stop, BookWriter& writer, const Events& events) {
  // The viewer's signals (SIGTERM closing the window) go to its main loop.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  // Not SCHED_IDLE: a page the reader asks for out of turn must still come
  // while another program keeps the processors busy. A thread may always
  // lower its own priority; should it fail, the writing only competes more.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowestPriority);
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
