// Surroundings made for one run of the probe only, set up in its forked
// process before the book starts: limits, signal dispositions, and file
// systems mounted in a mount namespace of the child's own, so that they
// vanish with it and the machine's mounts never change. Each setup that fails
// writes why to stderr and ends the child with status 126.
#pragma once

#include <functional>
#include <string>

namespace pagora::testing {

using ChildSetup = std::function<void()>;

// Whether this build runs under AddressSanitizer: its runtime needs file
// handles of its own (to probe memory through a pipe), so a run starved of
// them fails inside the sanitizer rather than in the load.
constexpr bool builtWithSanitizers() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

// Whether this process may mount in a namespace of its own (root, or
// CAP_SYS_ADMIN); asked of a throw-away child, once.
bool canMountPrivately();

// Mounts a tmpfs at `folder` with `options` ("size=32k", "nr_inodes=1"), read-only when asked.
ChildSetup mountTmpfs(std::string folder, std::string options, bool readOnly = false);

// Makes the existing `folder` read-only for the child alone (a read-only bind
// mount of itself), which holds for root too.
ChildSetup bindReadOnly(std::string folder);

// Points TMPDIR somewhere else.
ChildSetup setTemporaryDirectory(std::string path);

// Makes writes past `bytes` fail with EFBIG instead of killing the process,
// as a full disk would.
ChildSetup limitFileSize(unsigned long bytes);

// Lets the process hold at most `count` open descriptors.
ChildSetup limitOpenFiles(unsigned long count);

}  // namespace pagora::testing
