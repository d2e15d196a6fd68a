// A folder for one benchmark run under the temporary directory, removed with
// everything in it when the object goes away.
#pragma once

#include <string>

namespace pagora::bench {

class BenchScratch {
 public:
  BenchScratch();
  ~BenchScratch();
  BenchScratch(const BenchScratch&) = delete;
  BenchScratch& operator=(const BenchScratch&) = delete;

  // Empty when the folder could not be made.
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace pagora::bench
