// BackgroundWriting runs a BookWriter's two lanes on threads of their own
// until every file is written, one fails, or it is stopped, so that the viewer
// can show the start page while the rest of the book is still being written.
// The threads take no signals: they stay with the viewer's main loop. They run
// at the lowest priority: they begin while GTK, the engine and the first page
// start, and are to take only what they leave of the processors.
#pragma once

#include <functional>
#include <thread>

#include "session/book_writer.h"

namespace pagora {

class BackgroundWriting {
 public:
  // Called, once, on the writing thread that ends the writing by itself.
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

  // Stops the writing and returns once the threads have ended; a file being
  // written is removed unless it was complete. Nothing is written afterwards.
  void stop();

 private:
  static void run(const std::stop_token& stop, BookWriter& writer, BookWriter::Lane lane, const Events& events);

  Events events_;
  std::jthread front_;
  std::jthread back_;
};

}  // namespace pagora
