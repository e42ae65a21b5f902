// Copies of an old package's bytes into the package being made, on a second thread, begun
// before it is certain where they go. Update replacing one entry starts copying the data
// area as it lies while it still reads the index; once it has found the entry, it asks
// for the rest behind the new bytes. The index is written meanwhile: the system's copy of
// the data and the work on a million records take their time side by side.
//
// A guess that proves wrong costs time only. The writer skips a copy only when one made
// here covers it exactly (Covers); before writing anywhere a copy here may still write, it
// waits for them all (Before); and it cuts the file to its length at the end, since a copy
// here may have gone past it.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rdbtool {

class MappedFile;
class OutputFile;

class CopyAhead {
 public:
  CopyAhead(OutputFile& out, const MappedFile& in) : out_(out), in_(in) {}
  ~CopyAhead() { Cancel(); }
  CopyAhead(const CopyAhead&) = delete;
  CopyAhead& operator=(const CopyAhead&) = delete;

  // Copies `size` bytes of the input at `from` to `to` in the output, after the copies
  // asked for before. False when no thread can be started (nothing is copied then).
  bool Add(uint64_t from, uint64_t to, uint64_t size);
  // The first copy ends at `end` of the input, unless it has already passed it; returns
  // when it writes nothing beyond `end` any more.
  void EndFirstAt(uint64_t end);
  // Whether the copies made here include `size` bytes from `from` to `to`. Only true
  // until Cancel: what they copy then is the writer's to copy.
  bool Covers(uint64_t from, uint64_t to, uint64_t size);
  // Waits for the copies that may still write into [at, at + size), if there are any.
  // False with the reason when one failed.
  bool Before(uint64_t at, uint64_t size, std::string& error);
  // Waits for every copy: false with the first failure's reason.
  bool Finish(std::string& error);
  // Stops the copies soon and waits for them.
  void Cancel();

 private:
  struct Job {
    uint64_t from, to, size;
    bool done;
  };
  static constexpr uint64_t kChunk = 4 << 20;  // between chunks a copy sees a new end or a stop

  void Work();
  void Stop(bool cancel);

  OutputFile& out_;
  const MappedFile& in_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Job> jobs_;
  size_t next_ = 0;               // the job to work on next
  bool running_ = false;          // a chunk is being written
  uint64_t runningEnd_ = 0;       // where its input bytes end
  size_t runningJob_ = 0;
  bool closing_ = false, cancelled_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace rdbtool
