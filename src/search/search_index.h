// SearchIndex holds the text and words of a book's pages in memory and
// answers queries. Pages come in one at a time from any thread while other
// threads search: a search sees every page added before it began. finish()
// says that every page is in; the words are then packed into a sorted
// vocabulary and no page can be added.
//
// A page matches a query when, for every query word, its title or body holds
// a word that begins with it (both folded). Results come in rank order: pages
// whose title holds every query word first, then by how often the query
// words occur in the page, then by stored name, byte by byte, with '\\' read
// as the '/' it stands for: a book orders its pages as its folder would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "search/page_entry.h"
#include "search/query.h"
#include "search/snippet.h"
#include "search/term_table.h"

namespace pagora::search {

using PageNumber = std::uint32_t;

struct SearchResult {
  PageNumber page = 0;  // to ask for its snippet
  std::string storedName;
  std::string title;  // the stored name when the page has no title
  bool titleHoldsEveryWord = false;
  std::uint64_t occurrences = 0;
  Snippet snippet;  // for the first results only: see search()
};

class SearchIndex {
 public:
  SearchIndex() = default;
  SearchIndex(const SearchIndex&) = delete;
  SearchIndex& operator=(const SearchIndex&) = delete;

  // Ignored once finished.
  void add(PageEntry page);
  // The same from a stored page's bytes.
  void addPage(std::string storedName, std::string_view bytes);
  void finish();

  bool isComplete() const;
  std::size_t pageCount() const;

  // The matching pages in rank order; the first `withSnippets` of them carry
  // their snippet, the others leave it to snippet(), so that a query that
  // matches every page of a large book still answers at once.
  std::vector<SearchResult> search(const Query& query, std::size_t withSnippets = 20) const;
  Snippet snippet(PageNumber page, const Query& query) const;

  // The text of every page (titles and bodies), and the bytes the index holds.
  std::size_t textBytes() const;
  std::size_t memoryUsage() const;

 private:
  struct Page {
    std::string storedName;
    std::string title;
    std::string body;
  };

  mutable std::shared_mutex mutex_;
  std::vector<Page> pages_;
  // Once finished: each page's place in the order of names, so that a query
  // matching thousands of pages breaks its ties without comparing names.
  std::vector<std::uint32_t> nameRanks_;
  TermTable terms_;
  std::size_t textBytes_ = 0;
  bool complete_ = false;
};

}  // namespace pagora::search
