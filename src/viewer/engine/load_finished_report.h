// For the start-up benchmark (bench/compare.py): with
// PAGORA_REPORT_LOAD_FINISHED=FILE in the environment, the viewer writes the
// monotonic clock, in nanoseconds, to FILE when its first page has finished
// loading; with PAGORA_REPORT_ALL_WRITTEN=FILE, when every file of the book
// is written. Without the variables nothing is written anywhere.
#pragma once

namespace pagora::viewer {

// Each writes the clock to the file its variable names, if it is set. Any thread.
void reportLoadFinished();
void reportAllFilesWritten();

}  // namespace pagora::viewer
