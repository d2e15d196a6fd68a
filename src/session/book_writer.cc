#include "session/book_writer.h"

#include <cerrno>
#include <utility>

#include "container/stored_name.h"
#include "session/write_plan.h"

namespace pagora {

BookWriter::LaneWork::LaneWork(ContainerReader& reader, const ParsedBook& book, const PrivateFolder& folder,
                               TempFileRegistry& registry)
    : extractor(
          reader, book, folder.directory(),
          [&registry](const std::string& folderMade) { registry.addFolder(folderMade); },
          [this](const std::string&) { made = true; }) {}

BookWriter::BookWriter(ContainerReader& reader, const ParsedBook& book, const StoredPaths& paths,
                       const PrivateFolder& folder, TempFileRegistry& registry, std::vector<int> order, Record record)
    : reader_(reader),
      book_(book),
      paths_(paths),
      folder_(folder),
      registry_(registry),
      record_(record),
      front_(reader, book, folder, registry),
      back_(reader, book, folder, registry),
      order_(std::move(order)),
      end_(order_.size()),
      states_(static_cast<std::size_t>(paths.count()), State::Pending) {}

int BookWriter::takeNext(Lane lane) {
  if (lane == Lane::Back) {
    // Entries that share a path are written by the front lane alone, in
    // stored order, so that the later one's bytes stay: the back lane ends
    // where it meets one. Files asked for out of turn are the front lane's.
    while (orderLeft()) {
      const int index = order_[end_ - 1];
      if (paths_.sharesPath(index)) return -1;
      --end_;
      if (states_[static_cast<std::size_t>(index)] == State::Pending) return index;
    }
    return -1;
  }
  while (!outOfTurn_.empty()) {
    const int index = outOfTurn_.front();
    outOfTurn_.pop_front();
    if (states_[static_cast<std::size_t>(index)] == State::Pending) return index;
  }
  while (orderLeft()) {
    const int index = order_[next_++];
    if (states_[static_cast<std::size_t>(index)] == State::Pending) return index;
  }
  return -1;
}

int BookWriter::firstPendingOutOfTurn() const {
  for (const int index : outOfTurn_) {
    if (states_[static_cast<std::size_t>(index)] == State::Pending) return index;
  }
  return -1;
}

int BookWriter::nextEntry() const {
  const std::lock_guard lock(mutex_);
  if (const int asked = firstPendingOutOfTurn(); asked >= 0) return asked;
  for (std::size_t at = next_; at < end_; ++at) {
    if (states_[static_cast<std::size_t>(order_[at])] == State::Pending) return order_[at];
  }
  return -1;
}

bool BookWriter::ended() const {
  const std::lock_guard lock(mutex_);
  return ended_;
}

bool BookWriter::isReady(const Waiter& waiter) const {
  if (waiter.entries.empty()) return writtenCount_ == paths_.count();
  for (const int index : waiter.entries) {
    if (states_[static_cast<std::size_t>(index)] != State::Written) return false;
  }
  return true;
}

void BookWriter::endWriting() {
  ended_ = true;
  closeBookOnceIdle();
  wanted_.notify_all();
}

void BookWriter::closeBookOnceIdle() {
  // Nothing more is read from the book once writing has ended; it need not
  // stay open while it is shown. A lane still writing closes it when done.
  if (ended_ && writingLanes_ == 0) reader_.close();
}

bool BookWriter::write(LaneWork& work, int index, std::stop_token stop) {
  // A path the clean-up could not name is never made. What stands where the
  // file failed to go (a link, a pipe left by an earlier run) was not written
  // by this run and stays; a file cut short the extractor removes itself.
  work.writing.assign(folder_.path()).append(paths_.pathOf(index));
  if (!folder_.directory().isOpen() || !isSafeStoredName(book_.fileTable.entryAt(index).name) ||
      !fitsSystemPathLimit(work.writing)) {
    return false;
  }
  // Recorded before it is made: a viewer killed in between (its writing
  // thread may wait on the crash watcher for the record) still has it removed.
  const bool recordedFirst = record_ == Record::WhenCreated && registry_.addFile(work.writing);
  work.made = false;
  if (!work.extractor.extract(index, std::move(stop))) {
    if (recordedFirst && !work.made) registry_.forgetFile(work.writing);
    return false;
  }
  if (record_ == Record::WhenWritten) registry_.addFile(work.writing);
  return true;
}

BookWriter::Progress BookWriter::writeNext(std::stop_token stop, Lane lane) {
  int index;
  {
    const std::lock_guard lock(mutex_);
    if (ended_) return {Step::NothingLeft};
    index = takeNext(lane);
    if (index < 0) {
      // The last lane to finish a file ends the writing.
      if (orderLeft() || writingLanes_ > 0) return {Step::NothingLeft};
      endWriting();
      return {Step::Finished};
    }
    states_[static_cast<std::size_t>(index)] = State::Writing;
    ++writingLanes_;
  }
  const bool written = write(lane == Lane::Front ? front_ : back_, index, stop);
  const bool stopped = !written && errno == ECANCELED && stop.stop_requested();
  std::vector<Waiter> ready;
  std::vector<Waiter> dropped;  // destroyed unrun, once the lock is let go
  bool failedHere = false;
  {
    const std::lock_guard lock(mutex_);
    --writingLanes_;
    states_[static_cast<std::size_t>(index)] = written ? State::Written : State::Pending;
    if (written) {
      ++writtenCount_;
      useAllowance(book_.fileTable.entryAt(index).size);
    }
    if (!written && !stopped && !ended_) {
      failedHere = true;
      failed_ = true;
      endWriting();
    } else {
      closeBookOnceIdle();
    }
    // The ready ones are told; when writing failed, the rest never will be.
    for (auto it = waiters_.begin(); it != waiters_.end();) {
      if (written && isReady(*it)) {
        ready.push_back(std::move(*it));
        it = waiters_.erase(it);
      } else if (failed_) {
        dropped.push_back(std::move(*it));
        it = waiters_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Waiter& waiter : ready) {
    if (waiter.ready) waiter.ready();
  }
  if (written) return {Step::Wrote, index};
  if (stopped) return {Step::Stopped, index};
  // A file that failed after the other lane's failure ended the writing is not told again.
  return {failedHere ? Step::Failed : Step::NothingLeft, index};
}

bool BookWriter::whenWritten(const std::string& fullPath, std::function<void()> ready) {
  const std::string& root = folder_.path();
  if (root.empty() || fullPath.size() <= root.size() || fullPath.compare(0, root.size(), root) != 0) return true;
  const std::lock_guard lock(mutex_);
  if (ended_) return !failed_;
  const StoredTextReader read = [this](int index, std::size_t limit, std::string& text) {
    return reader_.readEntry(book_.fileTable.entryAt(index), book_.trailer, text, limit);
  };
  Waiter waiter{entriesNeededBy(fullPath.substr(root.size()), paths_, read), std::move(ready)};
  std::vector<int> pending;
  for (const int index : waiter.entries) {
    if (states_[static_cast<std::size_t>(index)] == State::Pending) pending.push_back(index);
  }
  if (waiter.entries.empty() || isReady(waiter)) return true;
  // The latest request goes first: it is what the reader is waiting for now.
  outOfTurn_.insert(outOfTurn_.begin(), pending.begin(), pending.end());
  waiters_.push_back(std::move(waiter));
  wanted_.notify_all();
  return false;
}

bool BookWriter::whenAllWritten(std::function<void()> ready, Urgency urgency) {
  const std::lock_guard lock(mutex_);
  if (ended_) return !failed_;
  Waiter waiter{{}, std::move(ready)};
  if (isReady(waiter)) return true;
  waiters_.push_back(std::move(waiter));
  if (urgency == Urgency::Now) {
    heldBackUntil_.reset();
    wanted_.notify_all();
  }
  return false;
}

void BookWriter::holdBack(std::chrono::milliseconds longest, WriteAllowance ahead) {
  const std::lock_guard lock(mutex_);
  heldBackUntil_ = std::chrono::steady_clock::now() + longest;
  ahead_ = ahead.files > 0 && ahead.bytes > 0 ? ahead : WriteAllowance{};
}

void BookWriter::useAllowance(std::int64_t bytes) {
  if (ahead_.files == 0) return;
  --ahead_.files;
  ahead_.bytes -= bytes;
  if (ahead_.files <= 0 || ahead_.bytes <= 0) ahead_ = {};
}

void BookWriter::release() {
  const std::lock_guard lock(mutex_);
  heldBackUntil_.reset();
  ahead_ = {};
  wanted_.notify_all();
}

bool BookWriter::mayWrite(Lane lane) const {
  // writeNext then says how the writing ended, or that this lane has nothing left.
  const bool asked = firstPendingOutOfTurn() >= 0;
  if (ended_ || (!orderLeft() && !asked)) return true;
  if (!heldBackUntil_) return true;
  if (lane == Lane::Back) return false;
  return ahead_.files > 0 || asked;
}

void BookWriter::waitUntilWanted(std::stop_token stop, Lane lane) {
  std::unique_lock lock(mutex_);
  if (!heldBackUntil_) return;
  const std::chrono::steady_clock::time_point until = *heldBackUntil_;
  if (!wanted_.wait_until(lock, stop, until, [this, lane] { return mayWrite(lane); })) heldBackUntil_.reset();
}

}  // namespace pagora
