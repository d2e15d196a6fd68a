#include "session/write_plan.h"

#include <algorithm>
#include <deque>
#include <unordered_set>

#include "session/page_references.h"

namespace pagora {
namespace {

// The start page (0), the frames and style sheets it names (1), and theirs (2).
constexpr int kDeepestScan = 2;

}  // namespace

std::vector<int> entriesNeededBy(const std::string& relativePath, const StoredPaths& paths,
                                 const StoredTextReader& read) {
  struct Pending {
    std::string path;
    int depth;
  };
  std::vector<int> needed;
  std::unordered_set<std::string> seen{relativePath};
  std::deque<Pending> pending{{relativePath, 0}};
  std::size_t scanned = 0;
  std::string text;
  while (!pending.empty()) {
    const Pending current = std::move(pending.front());
    pending.pop_front();
    const std::vector<int> entries = paths.entriesAt(current.path);
    if (entries.empty()) continue;
    needed.insert(needed.end(), entries.begin(), entries.end());
    const auto kind = referringTextOf(current.path);
    if (!kind || current.depth > kDeepestScan || scanned >= kScannedTotalLimit) continue;
    // The last entry at a path holds what ends up written there.
    if (!read(entries.back(), std::min(kScannedTextLimit, kScannedTotalLimit - scanned), text)) continue;
    scanned += text.size();
    for (const std::string& address : scanReferences(text, *kind)) {
      std::string target = resolveStoredReference(current.path, address);
      if (target.empty() || !seen.insert(target).second) continue;
      pending.push_back({std::move(target), current.depth + 1});
    }
  }
  return needed;
}

WritePlan planWrites(int startEntry, const StoredPaths& paths, const StoredTextReader& read) {
  WritePlan plan;
  plan.order = entriesNeededBy(paths.pathOf(startEntry), paths, read);
  plan.firstPart = plan.order.size();
  std::vector<bool> planned(static_cast<std::size_t>(paths.count()), false);
  for (const int index : plan.order) planned[static_cast<std::size_t>(index)] = true;
  plan.order.reserve(static_cast<std::size_t>(paths.count()));
  for (int i = 0; i < paths.count(); ++i) {
    if (!planned[static_cast<std::size_t>(i)]) plan.order.push_back(i);
  }
  return plan;
}

}  // namespace pagora
