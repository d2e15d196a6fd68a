#include "container/book_loader.h"

#include <algorithm>

#include "app/private_folder.h"
#include "app/temp_file_registry.h"
#include "container/container_reader.h"
#include "container/stored_name.h"
#include "pages/about_page.h"
#include "container/load_messages.h"
#include "platform/notice.h"

namespace pagora {
namespace {

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

// The folder that stored files go into, kept open from one file to the next.
// Files are stored in name order, so those of one folder come together: the
// folder's path is walked, checked and made once for them all, and each file
// is then created relative to it, with no path left to walk.
class ExtractionFolder {
 public:
  // The folder `relativeFolder` ("a/b/") inside the private folder, made
  // where missing; "" is the private folder itself. Closed when it cannot be
  // made or opened.
  const platform::Directory& open(const std::string& relativeFolder) {
    if (relativeFolder.empty()) return privateFolder();
    if (!folder_.isOpen() || relativeFolder != relativeFolder_) {
      folder_ = openFoldersInPrivateFolder(relativeFolder);
      relativeFolder_ = relativeFolder;
    }
    return folder_;
  }

 private:
  std::string relativeFolder_;
  platform::Directory folder_;
};

// Writes one stored file into the private folder, making the subfolders its
// name needs. A name that could leave the folder, or whose full path the
// clean-up could not reach, is a failed extraction, and nothing is written for it.
bool extractIntoPrivateFolder(ContainerReader& reader, const BookFileTable& table, int index,
                              const ContainerTrailer& trailer, ExtractionFolder& extractionFolder) {
  const std::string& name = table.entries()[static_cast<std::size_t>(index)].name;
  if (!isSafeStoredName(name)) return false;
  const std::string relativePath = storedNameToRelativePath(name);
  if (!privateFolder().isOpen() || !fitsSystemPathLimit(privateFolder().path() + relativePath)) return false;
  const std::size_t lastSlash = relativePath.rfind('/');
  const std::string fileName = lastSlash == std::string::npos ? relativePath : relativePath.substr(lastSlash + 1);
  const platform::Directory& folder =
      extractionFolder.open(lastSlash == std::string::npos ? std::string() : relativePath.substr(0, lastSlash + 1));
  if (!folder.isOpen()) return false;
  if (reader.extractFileInto(table, index, trailer, folder, fileName)) return true;
  // A file cut short is not registered, so it would outlive the viewer.
  folder.removeFile(fileName);
  return false;
}

LoadListener*& listenerSlot() {
  static LoadListener* listener = nullptr;
  return listener;
}

}  // namespace

void BookLoader::setListener(LoadListener* listener) { listenerSlot() = listener; }

BookLoader& BookLoader::instance() {
  // Published before the load runs, so that the load's own requests for the
  // book (the esbn, the about page's texts) get this object. Never freed.
  static BookLoader* loader = nullptr;
  if (loader == nullptr) {
    loader = new BookLoader();
    loader->load();
  }
  return *loader;
}

void BookLoader::reset() {
  bookInfo_ = std::make_unique<BookInfo>();
  fileTable_ = std::make_unique<BookFileTable>();
  trailer_ = std::make_unique<ContainerTrailer>();
  startPagePath_.clear();
}

std::string BookLoader::esbn() const { return bookInfo_ ? bookInfo_->esbn : std::string(); }
std::string BookLoader::title() const { return bookInfo_ ? bookInfo_->title : std::string(); }
std::string BookLoader::author() const { return bookInfo_ ? bookInfo_->author : std::string(); }
std::string BookLoader::authorEmail() const { return bookInfo_ ? bookInfo_->authorEmail : std::string(); }
std::string BookLoader::webAddress() const { return bookInfo_ ? bookInfo_->webAddress : std::string(); }
std::string BookLoader::publisher() const { return bookInfo_ ? bookInfo_->publisher : std::string(); }
std::string BookLoader::contentsNotice() const { return bookInfo_ ? bookInfo_->contentsNotice : std::string(); }
std::int32_t BookLoader::printAllowed() const { return bookInfo_ ? bookInfo_->printAllowed : 1; }
std::string BookLoader::startPagePath() const { return startPagePath_; }

void BookLoader::load() {
  reset();
  // One handle serves the parse and every extraction; the reader closes it
  // when the load returns, whatever the outcome.
  ContainerReader reader;
  if (!reader.parse(*bookInfo_, *fileTable_, *trailer_)) {
    reportCorruptBook(load_message::kSelfParseFailed);
    return;
  }
  if (bookInfo_->fileCount == 0) {
    reportCorruptBook(load_message::kNoFiles);
    return;
  }
  if (bookInfo_->fileCount != fileTable_->count()) {
    reportCorruptBook(load_message::kFileCountsDiffer);
    return;
  }
  startPagePath_.clear();
  LoadListener* listener = listenerSlot();
  // The first file would make the folder all the same; made here, the
  // listener learns of it before any file is written.
  const std::string folderPath = privateFolderPath();
  if (listener != nullptr && privateFolder().isOpen()) listener->extractionStarting(folderPath);
  ExtractionFolder extractionFolder;
  for (int i = 0; i < bookInfo_->fileCount; ++i) {
    const std::string name = fileTable_->entryAt(i).name;
    const std::string filePath = folderPath + storedNameToRelativePath(name);
    // Chosen before the file is written, so a start page that fails to
    // extract is still named.
    if (takesStartPage(name, !startPagePath_.empty())) startPagePath_ = filePath;
    if (!extractIntoPrivateFolder(reader, *fileTable_, i, *trailer_, extractionFolder)) {
      reportCorruptBook(load_message::kExtractionFailed);
      return;
    }
    TempFileRegistry::instance().addFile(filePath);
    if (listener != nullptr) listener->betweenFiles();
  }
  if (startPagePath_.empty()) {
    reportCorruptBook(load_message::kIndexNotFound);
    startPagePath_ = BuildAboutPage();
  }
}

bool takesStartPage(const std::string& storedName, bool pageChosen) {
  const std::string lower = lowerCase(storedName);
  return lower == "index.html" || (!pageChosen && lower == "index.htm");
}

void reportCorruptBook(const std::string& message) {
  platform::showNotice(message + load_message::kCorruptBookLine, platform::NoticeIcon::Warning);
}

}  // namespace pagora
