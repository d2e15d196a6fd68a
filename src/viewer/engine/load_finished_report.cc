#include "viewer/engine/load_finished_report.h"

#include <glib.h>

#include <cstdio>
#include <ctime>
#include <memory>

namespace pagora::viewer {
namespace {

void reportNow(const char* variable) {
  const char* path = g_getenv(variable);
  if (path == nullptr || *path == '\0') return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::unique_ptr<FILE, decltype(&std::fclose)> out(std::fopen(path, "w"), &std::fclose);
  if (out == nullptr) return;
  std::fprintf(out.get(), "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
}

}  // namespace

void reportLoadFinished() { reportNow("PAGORA_REPORT_LOAD_FINISHED"); }

void reportAllFilesWritten() { reportNow("PAGORA_REPORT_ALL_WRITTEN"); }

}  // namespace pagora::viewer
