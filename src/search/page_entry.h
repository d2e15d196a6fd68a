// A page made ready for the index: its stored name, its text, and each folded
// word it holds with how often it occurs and whether its title holds it.
// Making one is the costly part of indexing, so it is done outside the
// index's lock, on as many threads as the caller likes; each word is hashed
// here once, so the index need not hash it again under its lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/page_text.h"
#include "search/word_ids.h"

namespace pagora::search {

struct PageTerm {
  std::uint64_t hash = 0;  // WordIds::hash of the folded word
  std::uint32_t occurrences = 0;
  bool inTitle = false;
};

struct PageEntry {
  std::string storedName;
  PageText text;
  // Each folded word once, in order of first sight: terms[i] is words.word(i).
  WordIds words;
  std::vector<PageTerm> terms;

  std::string_view word(std::size_t term) const { return words.word(static_cast<std::uint32_t>(term)); }
};

PageEntry makePageEntry(std::string storedName, PageText text);

// From the page's bytes as stored. `stop` as for extractPageText.
PageEntry makePageEntry(std::string storedName, std::string_view bytes, const std::atomic<bool>* stop = nullptr);

}  // namespace pagora::search
