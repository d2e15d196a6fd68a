#include "session/book_loader.h"

#include "container/book_extractor.h"
#include "container/load_messages.h"
#include "container/stored_name.h"
#include "pages/about_page.h"

namespace pagora {

Notice corruptBookNotice(BookFault fault) {
  return {std::string(faultMessage(fault)) + load_message::kCorruptBookLine, NoticeIcon::Warning};
}

BookLoader::BookLoader(ContainerReader& reader, PrivateFolder& folder, TempFileRegistry& registry)
    : reader_(reader), folder_(folder), registry_(registry) {}

bool BookLoader::extract(BookExtractor& extractor, int index) {
  // A path the clean-up could not name is never made.
  const std::string& name = book_.fileTable.entryAt(index).name;
  if (!folder_.directory().isOpen() || !isSafeStoredName(name) ||
      !fitsSystemPathLimit(folder_.path() + storedNameToRelativePath(name))) {
    return false;
  }
  // What stands where the file failed to go (a link, a pipe left by an
  // earlier run) was not written by this run and stays; a file cut short
  // the extractor removes itself.
  return extractor.extract(index);
}

LoadOutcome BookLoader::load(LoadListener* listener) {
  LoadOutcome outcome;
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

  BookExtractor extractor(reader_, book_, folder_.directory(),
                          [this](const std::string& folder) { registry_.addFolder(folder); });
  for (int i = 0; i < book_.info.fileCount; ++i) {
    const std::string& name = book_.fileTable.entryAt(i).name;
    const std::string filePath = folderPath + storedNameToRelativePath(name);
    // Chosen before the file is written, so a start page that fails to
    // extract is still named.
    if (takesStartPage(name, !startPagePath_.empty())) startPagePath_ = filePath;
    if (!extract(extractor, i)) {
      outcome.notices.push_back(corruptBookNotice(BookFault::ExtractionFailed));
      return outcome;
    }
    registry_.addFile(filePath);
    if (listener != nullptr) listener->betweenFiles();
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
