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
      front_([this, &writer](const std::stop_token& stop) { run(stop, writer, BookWriter::Lane::Front, events_); }),
      back_([this, &writer](const std::stop_token& stop) { run(stop, writer, BookWriter::Lane::Back, events_); }) {}

void BackgroundWriting::run(const std::stop_token& stop, BookWriter& writer, BookWriter::Lane lane,
                            const Events& events) {
  // The viewer's signals (SIGTERM closing the window) go to its main loop.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  // Not SCHED_IDLE: a page the reader asks for out of turn must still come
  // while another program keeps the processors busy. A thread may always
  // lower its own priority; should it fail, the writing only competes more.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowestPriority);
  while (!stop.stop_requested()) {
    writer.waitUntilWanted(stop, lane);
    if (stop.stop_requested()) return;
    switch (writer.writeNext(stop, lane).step) {
      case BookWriter::Step::Wrote:
        continue;
      case BookWriter::Step::Finished:
        if (events.finished) events.finished();
        return;
      case BookWriter::Step::Failed:
        if (events.failed) events.failed();
        return;
      case BookWriter::Step::Stopped:
      case BookWriter::Step::NothingLeft:
        return;
    }
  }
}

void BackgroundWriting::stop() {
  for (std::jthread* lane : {&front_, &back_}) lane->request_stop();
  for (std::jthread* lane : {&front_, &back_}) {
    if (lane->joinable()) lane->join();
  }
}

}  // namespace pagora
