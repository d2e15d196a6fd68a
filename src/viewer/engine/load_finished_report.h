// For the start-up benchmark (bench/compare.py): with
// PAGORA_REPORT_LOAD_FINISHED=FILE in the environment, the viewer writes the
// monotonic clock, in nanoseconds, to FILE when its first page has finished
// loading. Without the variable nothing is written anywhere.
#pragma once

namespace pagora::viewer {

// Writes the clock to the file the variable names, if it is set.
void reportLoadFinished();

}  // namespace pagora::viewer
