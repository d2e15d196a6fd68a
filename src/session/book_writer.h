// BookWriter writes a book's stored files into the private folder in a
// planned order, and records each in the registry: once it is written, as the
// load always has, or as soon as it is created, so that a viewer that dies
// while a file is written behind its window still has that file removed. A
// file can be asked for out of turn with what it refers to: they are written
// next, and whoever asked is told.
//
// It writes in two lanes, one thread each (writeNext): the front lane takes
// the order from its start, the back lane from its end, so that the two work
// in different folders and meet in the middle. The back lane waits while the
// writing is held back: it is for the rest, once the first page is shown. Any
// thread may ask (whenWritten, whenAllWritten). The registry is safe to use
// from all of them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "container/book_extractor.h"
#include "container/book_validation.h"
#include "container/container_reader.h"
#include "session/private_folder.h"
#include "session/stored_paths.h"
#include "session/temp_file_registry.h"

namespace pagora {

// What may still be written before a hold-back holds: it ends when either
// count is used up.
struct WriteAllowance {
  int files = 0;
  std::int64_t bytes = 0;
};

class BookWriter {
 public:
  enum class Step {
    Wrote,        // one more file is written
    Finished,     // every file is written; the book is closed
    Failed,       // this file could not be written whole; nothing more will be
    Stopped,      // a stop was requested while it was written; what was written of it is gone
    NothingLeft,  // nothing is left for this lane: the writing has ended, or the other lane writes the last files
  };
  enum class Lane { Front, Back };
  enum class Record { WhenWritten, WhenCreated };
  struct Progress {
    Step step;
    int entry = -1;  // the entry written, or the one that failed or stopped
  };

  // REQUIRES: everything given outlives the writer; `order` holds every
  // entry of the book once.
  BookWriter(ContainerReader& reader, const ParsedBook& book, const StoredPaths& paths, const PrivateFolder& folder,
             TempFileRegistry& registry, std::vector<int> order, Record record = Record::WhenWritten);
  BookWriter(const BookWriter&) = delete;
  BookWriter& operator=(const BookWriter&) = delete;

  // Writes the next file: the first asked for out of turn, else the next of
  // the order from the lane's end of it. Finished and Failed are each told
  // once, to the lane that ends the writing. The reader is closed once
  // writing has ended and neither lane is writing.
  Progress writeNext(std::stop_token stop = {}, Lane lane = Lane::Front);

  // The entry the front lane writes next, or -1 when none is left.
  int nextEntry() const;
  // True once every file is written or one failed: nothing more is written.
  bool ended() const;

  // Asks for the stored file at `fullPath` and what it refers to (see
  // entriesNeededBy). True when there is nothing to wait for: they are
  // written, or the path names no stored file. Otherwise they are written
  // next and `ready` runs on the writing thread once they are; if the
  // writing fails or stops first, `ready` is destroyed unrun.
  bool whenWritten(const std::string& fullPath, std::function<void()> ready);
  // Whether asking for every file ends a hold-back: a reader waits for them
  // (Now), or someone only wants to know when they are there (InTurn).
  enum class Urgency { Now, InTurn };
  // The same for every file of the book.
  bool whenAllWritten(std::function<void()> ready, Urgency urgency = Urgency::Now);

  // Holds the in-turn writing back for at most `longest` from now, once the
  // front lane has written `ahead`, so that the rest does not compete with
  // the first page for the processor; files asked for out of turn are still
  // written at once by the front lane. release() ends the hold.
  void holdBack(std::chrono::milliseconds longest, WriteAllowance ahead = {});
  void release();
  // Returns once the lane has something to do (writeNext then writes or says
  // how the writing ended), or `stop` is requested.
  void waitUntilWanted(std::stop_token stop, Lane lane = Lane::Front);

 private:
  enum class State : char { Pending, Writing, Written };
  struct Waiter {
    std::vector<int> entries;  // empty: every entry
    std::function<void()> ready;
  };
  // What one lane's thread alone uses while it writes a file.
  struct LaneWork {
    LaneWork(ContainerReader& reader, const ParsedBook& book, const PrivateFolder& folder, TempFileRegistry& registry);
    LaneWork(const LaneWork&) = delete;
    LaneWork& operator=(const LaneWork&) = delete;
    BookExtractor extractor;
    std::string writing;  // the full path of the file being written
    bool made = false;    // whether that file has been made
  };

  // The functions up to closeBookOnceIdle REQUIRE mutex_ held.
  // The next entry for the lane, or -1.
  int takeNext(Lane lane);
  // The first entry asked for out of turn that is still to be written, or -1.
  int firstPendingOutOfTurn() const;
  // Whether entries of the order are left that no lane took yet.
  bool orderLeft() const { return next_ < end_; }
  bool mayWrite(Lane lane) const;
  bool isReady(const Waiter& waiter) const;
  void endWriting();
  void closeBookOnceIdle();
  // Writes one file with the lane's own extractor, outside the lock.
  bool write(LaneWork& work, int index, std::stop_token stop);
  // REQUIRES: mutex_ held. Counts a file of `bytes` against what may be
  // written ahead of a hold-back.
  void useAllowance(std::int64_t bytes);

  ContainerReader& reader_;
  const ParsedBook& book_;
  const StoredPaths& paths_;
  const PrivateFolder& folder_;
  TempFileRegistry& registry_;
  const Record record_;
  LaneWork front_;
  LaneWork back_;

  mutable std::mutex mutex_;  // guards everything below
  std::vector<int> order_;
  std::size_t next_ = 0;  // the front lane takes order_[next_] next
  std::size_t end_;       // the back lane takes order_[end_ - 1] next
  int writingLanes_ = 0;  // lanes writing a file now
  std::deque<int> outOfTurn_;
  std::vector<State> states_;
  int writtenCount_ = 0;
  bool ended_ = false;
  bool failed_ = false;
  std::vector<Waiter> waiters_;
  std::optional<std::chrono::steady_clock::time_point> heldBackUntil_;
  WriteAllowance ahead_;
  std::condition_variable_any wanted_;
};

}  // namespace pagora
