// Runs the real pagora-book binary through the shared process runner.
#pragma once

#include <string>
#include <vector>

#include "support/process_runner.h"

namespace pagora::testing {

inline ProcessResult runTool(const std::vector<std::string>& arguments,
                             const std::string& program = PAGORA_BOOK_BINARY) {
  ProcessSpec spec;
  spec.program = program;
  spec.arguments = arguments;
  return runProcess(spec);
}

}  // namespace pagora::testing
