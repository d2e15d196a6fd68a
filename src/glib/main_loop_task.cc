#include "glib/main_loop_task.h"

#include <glib.h>

namespace pagora::glib {
namespace {

gboolean runTask(gpointer task) {
  (*static_cast<std::function<void()>*>(task))();
  return G_SOURCE_REMOVE;
}

void deleteTask(gpointer task) { delete static_cast<std::function<void()>*>(task); }

}  // namespace

void runInMainLoop(std::function<void()> task) {
  // At the default priority, not when idle: a reader may be waiting on it.
  g_idle_add_full(G_PRIORITY_DEFAULT, runTask, new std::function<void()>(std::move(task)), deleteTask);
}

}  // namespace pagora::glib
