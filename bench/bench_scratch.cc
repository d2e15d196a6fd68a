#include "bench_scratch.h"

#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "platform/temp_directory.h"

namespace pagora::bench {

BenchScratch::BenchScratch() {
  std::string pattern = platform::tempDirectory() + "pagora-bench-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) != nullptr) path_ = name.data();
}

BenchScratch::~BenchScratch() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace pagora::bench
