#include "search/search_index.h"

#include <algorithm>
#include <mutex>

namespace pagora::search {
namespace {

std::size_t heapBytes(const std::string& text) { return text.capacity() > 15 ? text.capacity() + 1 : 0; }

bool comesFirstAsPath(std::string_view a, std::string_view b) {
  auto asPath = [](char c) { return static_cast<unsigned char>(c == '\\' ? '/' : c); };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return asPath(x) < asPath(y); });
}

}  // namespace

void SearchIndex::add(PageEntry page) {
  // The body is kept for snippets; it is made to its size outside the lock.
  page.text.body.shrink_to_fit();
  std::unique_lock lock(mutex_);
  if (complete_) return;
  const auto number = static_cast<PageNumber>(pages_.size());
  // The book's vocabulary is far larger than a cache: its slots are asked
  // for a few words ahead.
  constexpr std::size_t kPrefetchAhead = 8;
  const std::vector<PageTerm>& terms = page.terms;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (i + kPrefetchAhead < terms.size()) terms_.prefetch(terms[i + kPrefetchAhead].hash);
    terms_.add(page.word(i), terms[i].hash, number, terms[i].occurrences, terms[i].inTitle);
  }
  textBytes_ += page.text.title.size() + page.text.body.size();
  pages_.push_back(Page{std::move(page.storedName), std::move(page.text.title), std::move(page.text.body)});
}

void SearchIndex::addPage(std::string storedName, std::string_view bytes) {
  add(makePageEntry(std::move(storedName), bytes));
}

void SearchIndex::finish() {
  std::unique_lock lock(mutex_);
  if (complete_) return;
  terms_.freeze();
  pages_.shrink_to_fit();
  std::vector<PageNumber> byName(pages_.size());
  for (PageNumber page = 0; page < byName.size(); ++page) byName[page] = page;
  std::sort(byName.begin(), byName.end(), [this](PageNumber a, PageNumber b) {
    return comesFirstAsPath(pages_[a].storedName, pages_[b].storedName);
  });
  nameRanks_.resize(pages_.size());
  for (std::uint32_t rank = 0; rank < byName.size(); ++rank) nameRanks_[byName[rank]] = rank;
  complete_ = true;
}

bool SearchIndex::isComplete() const {
  std::shared_lock lock(mutex_);
  return complete_;
}

std::size_t SearchIndex::pageCount() const {
  std::shared_lock lock(mutex_);
  return pages_.size();
}

std::vector<SearchResult> SearchIndex::search(const Query& query, std::size_t withSnippets) const {
  std::shared_lock lock(mutex_);
  const std::vector<std::string>& words = query.words();
  if (words.empty() || pages_.empty()) return {};
  // Per page: how many query words it holds so far, how many its title holds
  // (counting stops at the first word missing), and the occurrences.
  std::vector<std::uint32_t> held(pages_.size(), 0);
  std::vector<std::uint32_t> inTitle(pages_.size(), 0);
  std::vector<std::uint64_t> occurrences(pages_.size(), 0);
  for (std::uint32_t word = 0; word < words.size(); ++word) {
    bool anyPageHoldsAll = false;
    terms_.forEachPosting(words[word], [&](std::uint32_t page, std::uint32_t count, bool title) {
      if (held[page] < word) return;
      if (held[page] == word) {
        held[page] = word + 1;
        anyPageHoldsAll = true;
      }
      occurrences[page] += count;
      if (title && inTitle[page] == word) inTitle[page] = word + 1;
    });
    if (!anyPageHoldsAll) return {};
  }

  std::vector<PageNumber> matches;
  for (PageNumber page = 0; page < pages_.size(); ++page) {
    if (held[page] == words.size()) matches.push_back(page);
  }
  const auto wordCount = static_cast<std::uint32_t>(words.size());
  std::sort(matches.begin(), matches.end(), [&](PageNumber a, PageNumber b) {
    const bool titleA = inTitle[a] == wordCount;
    const bool titleB = inTitle[b] == wordCount;
    if (titleA != titleB) return titleA;
    if (occurrences[a] != occurrences[b]) return occurrences[a] > occurrences[b];
    if (complete_) return nameRanks_[a] < nameRanks_[b];
    return comesFirstAsPath(pages_[a].storedName, pages_[b].storedName);
  });

  std::vector<SearchResult> results;
  results.reserve(matches.size());
  for (const PageNumber page : matches) {
    const Page& stored = pages_[page];
    results.push_back(SearchResult{page, stored.storedName, stored.title.empty() ? stored.storedName : stored.title,
                                   inTitle[page] == wordCount, occurrences[page],
                                   results.size() < withSnippets ? makeSnippet(stored.body, query) : Snippet{}});
  }
  return results;
}

Snippet SearchIndex::snippet(PageNumber page, const Query& query) const {
  std::shared_lock lock(mutex_);
  if (page >= pages_.size()) return {};
  return makeSnippet(pages_[page].body, query);
}

std::size_t SearchIndex::textBytes() const {
  std::shared_lock lock(mutex_);
  return textBytes_;
}

std::size_t SearchIndex::memoryUsage() const {
  std::shared_lock lock(mutex_);
  std::size_t bytes = sizeof(*this) + pages_.capacity() * sizeof(Page) + terms_.memoryUsage() +
                      nameRanks_.capacity() * sizeof(std::uint32_t);
  for (const Page& page : pages_) bytes += heapBytes(page.storedName) + heapBytes(page.title) + heapBytes(page.body);
  return bytes;
}

}  // namespace pagora::search
