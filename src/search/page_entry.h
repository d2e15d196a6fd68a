// A page made ready for the index: its stored name, its text, and each folded
// word it holds with how often it occurs and whether its title holds it.
// Making one is the costly part of indexing, so it is done outside the
// index's lock, on as many threads as the caller likes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/page_text.h"

namespace pagora::search {

struct PageTerm {
  std::string word;  // folded
  std::uint32_t occurrences = 0;
  bool inTitle = false;
};

struct PageEntry {
  std::string storedName;
  PageText text;
  std::vector<PageTerm> terms;  // each word once, in no particular order
};

PageEntry makePageEntry(std::string storedName, PageText text);

// From the page's bytes as stored. `stop` as for extractPageText.
PageEntry makePageEntry(std::string storedName, std::string_view bytes, const std::atomic<bool>* stop = nullptr);

}  // namespace pagora::search
