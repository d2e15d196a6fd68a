#include "viewer/window/book_search.h"

#include <glib.h>
#include <malloc.h>
#include <sys/resource.h>

namespace pagora::viewer {
namespace {

// Pages are read while the reader reads: the window and the engine come
// first, without starving the index on a machine busy with other work.
constexpr int kWorkerNiceness = 5;

}  // namespace

BookSearch::BookSearch() = default;

BookSearch::~BookSearch() { stop(); }

void BookSearch::start(std::vector<search::PageFile> pages, unsigned threads) {
  if (started_) return;
  started_ = true;
  std::weak_ptr<Observers> observers = observers_;
  search::IndexBuilder::Listener listener;
  listener.pagesIndexed = [observers](std::size_t, std::size_t) { notifyOnMainLoop(observers); };
  listener.complete = [observers] { notifyOnMainLoop(observers); };
  listener.progressInterval = std::chrono::milliseconds(250);
  // On Linux a thread's nice value is its own; the engine's and the window's
  // threads keep theirs.
  listener.workerStarting = [] { setpriority(PRIO_PROCESS, 0, kWorkerNiceness); };
  builder_ = std::make_unique<search::IndexBuilder>(index_, std::move(pages), std::move(listener), threads);
}

void BookSearch::stop() { builder_.reset(); }

void BookSearch::addObserver(std::function<void()> observer) { observers_->list.push_back(std::move(observer)); }

void BookSearch::notifyOnMainLoop(std::weak_ptr<Observers> observers) {
  // Called on a worker thread. Always queued (g_main_context_invoke would run
  // it here while no loop holds the main context). The weak reference is
  // only read on the main loop, where this object is also destroyed, so it
  // cannot go in between.
  g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      [](gpointer data) -> gboolean {
        if (const auto alive = static_cast<std::weak_ptr<Observers>*>(data)->lock()) {
          // What the workers freed stays with their allocator until asked
          // for: the reader's memory holds the index and no more.
          if (!alive->memoryReturned && alive->index->isComplete()) {
            alive->memoryReturned = true;
            malloc_trim(0);
          }
          for (const auto& observer : alive->list) observer();
        }
        return G_SOURCE_REMOVE;
      },
      new std::weak_ptr<Observers>(std::move(observers)),
      [](gpointer data) { delete static_cast<std::weak_ptr<Observers>*>(data); });
}

}  // namespace pagora::viewer
