#include "session/book_loader.h"

#include <limits>
#include <numeric>

#include "container/load_messages.h"
#include "pages/about_page.h"
#include "session/write_plan.h"

namespace pagora {

Notice corruptBookNotice(BookFault fault) {
  return {std::string(faultMessage(fault)) + load_message::kCorruptBookLine, NoticeIcon::Warning};
}

BookLoader::BookLoader(ContainerReader& reader, PrivateFolder& folder, TempFileRegistry& registry)
    : reader_(reader), folder_(folder), registry_(registry) {}

int BookLoader::startEntry() const {
  int chosen = -1;
  for (int i = 0; i < book_.fileTable.count(); ++i) {
    if (takesStartPage(book_.fileTable.entryAt(i).name, chosen >= 0)) chosen = i;
  }
  return chosen;
}

LoadOutcome BookLoader::load(LoadListener* listener, LoadWrites writes) {
  LoadOutcome outcome;
  writer_.reset();
  paths_.reset();
  book_ = ParsedBook{};
  startPagePath_.clear();
  containerChecked_ = false;
  // One handle serves the parse and every file; the reader's owner closes it.
  if (const BookFault fault = checkContainer(reader_, book_); fault != BookFault::None) {
    outcome.notices.push_back(corruptBookNotice(fault));
    return outcome;
  }
  containerChecked_ = true;
  // Made before the first file is written, so the listener hears of it first.
  if (auto failure = folder_.make(book_.info.esbn)) outcome.notices.push_back(*failure);
  const std::string& folderPath = folder_.path();
  if (listener != nullptr && folder_.directory().isOpen()) listener->extractionStarting(folderPath);

  paths_ = std::make_unique<StoredPaths>(book_.fileTable);
  // The about page and a few of the viewer's own files may come on top.
  registry_.reserveFiles(static_cast<std::size_t>(paths_->count()) + 4);
  const int start = startEntry();
  const bool planned = start >= 0 && folder_.directory().isOpen() &&
                       firstUnwritableEntry(book_, *paths_, reader_.size(), folderPath) < 0;
  WritePlan plan;
  if (planned) {
    plan = planWrites(start, *paths_, [this](int index, std::size_t limit, std::string& text) {
      return reader_.readEntry(book_.fileTable.entryAt(index), book_.trailer, text, limit);
    });
    startPagePath_ = folderPath + paths_->pathOf(start);
  } else {
    plan.order.resize(static_cast<std::size_t>(paths_->count()));
    std::iota(plan.order.begin(), plan.order.end(), 0);
  }
  const std::size_t writtenHere =
      planned && writes == LoadWrites::StartPageFirst ? plan.firstPart : std::numeric_limits<std::size_t>::max();
  // A sound book's files are recorded as soon as they are made: they may be
  // written behind the window, where a viewer can die while one is written.
  writer_ = std::make_unique<BookWriter>(reader_, book_, *paths_, folder_, registry_, std::move(plan.order),
                                         planned ? BookWriter::Record::WhenCreated : BookWriter::Record::WhenWritten);
  for (std::size_t written = 0; written < writtenHere; ++written) {
    if (!planned) {
      // Chosen before the file is written, so a start page that fails to
      // extract is still named.
      const int next = writer_->nextEntry();
      if (next >= 0 && takesStartPage(book_.fileTable.entryAt(next).name, !startPagePath_.empty())) {
        startPagePath_ = folderPath + paths_->pathOf(next);
      }
    }
    const BookWriter::Progress progress = writer_->writeNext();
    if (progress.step == BookWriter::Step::Finished) break;
    if (progress.step != BookWriter::Step::Wrote) {
      outcome.notices.push_back(corruptBookNotice(BookFault::ExtractionFailed));
      return outcome;
    }
    if (listener != nullptr) listener->fileWritten(folderPath + paths_->pathOf(progress.entry));
  }
  if (startPagePath_.empty()) {
    outcome.notices.push_back(corruptBookNotice(BookFault::IndexNotFound));
    startPagePath_ = buildAboutPage(outcome.notices);
  }
  return outcome;
}

std::string BookLoader::buildAboutPage(std::vector<Notice>& notices) {
  if (auto failure = folder_.make(book_.info.esbn)) notices.push_back(*failure);
  const std::string path = folder_.path() + kAboutPageName;
  if (auto failure = folder_.writeTempFile(path, AboutPageHtml(book_.info))) notices.push_back(*failure);
  return path;
}

}  // namespace pagora
