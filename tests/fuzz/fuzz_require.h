// A check beyond what the sanitizers catch: when it fails the run stops as
// a crash, naming the expectation, and libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace pagora::fuzz {

inline void require(bool holds, const char* expectation) {
  if (holds) return;
  std::fprintf(stderr, "expectation failed: %s\n", expectation);
  std::abort();
}

}  // namespace pagora::fuzz
