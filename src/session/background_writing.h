// BackgroundWriting runs a BookWriter on a thread of its own until every file
// is written, one fails, or it is stopped, so that the viewer can show the
// start page while the rest of the book is still being written. The thread
// takes no signals: they stay with the viewer's main loop. It runs at the
// lowest priority: it begins while GTK, the engine and the first page start,
// and is to take only what they leave of the processors.
#pragma once

#include <functional>
#include <thread>

#include "session/book_writer.h"

namespace pagora {

class BackgroundWriting {
 public:
  // Called on the writing thread when it ends by itself.
  struct Events {
    std::function<void()> finished;  // every file is written
    std::function<void()> failed;    // a file could not be written; nothing more is
  };

  // Starts writing. REQUIRES: `writer` outlives this object.
  BackgroundWriting(BookWriter& writer, Events events);
  BackgroundWriting(const BackgroundWriting&) = delete;
  BackgroundWriting& operator=(const BackgroundWriting&) = delete;
  // Stops, as stop() does.
  ~BackgroundWriting() { stop(); }

  // Stops the writing and returns once the thread has ended; the file being
  // written is removed unless it was complete. Nothing is written afterwards.
  void stop();

 private:
  static void run(const std::stop_token& stop, BookWriter& writer, const Events& events);

  Events events_;
  std::jthread thread_;
};

}  // namespace pagora
