#include "cli/CopyAhead.h"

#include <algorithm>
#include <system_error>

#include "cli/system/MappedFile.h"
#include "cli/system/OutputFile.h"

namespace rdbtool {

bool CopyAhead::Add(uint64_t from, uint64_t to, uint64_t size) {
  std::lock_guard<std::mutex> hold(lock_);
  if (cancelled_ || closing_) return false;
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&CopyAhead::Work, this);
    } catch (const std::system_error&) {
      return false;
    }
  }
  jobs_.push_back(Job{from, to, size, false});
  changed_.notify_all();
  return true;
}

void CopyAhead::EndFirstAt(uint64_t end) {
  std::unique_lock<std::mutex> hold(lock_);
  if (jobs_.empty()) return;
  Job& first = jobs_[0];
  first.size = std::min(first.size, end > first.from ? end - first.from : 0);
  // A chunk under way is not cut short: wait until it is written.
  changed_.wait(hold, [&] { return !running_ || runningJob_ != 0 || runningEnd_ <= end; });
}

bool CopyAhead::Covers(uint64_t from, uint64_t to, uint64_t size) {
  std::lock_guard<std::mutex> hold(lock_);
  if (cancelled_) return false;
  for (const Job& j : jobs_)
    if (j.from <= from && from - j.from <= j.size && size <= j.size - (from - j.from) && j.to - j.from == to - from)
      return true;
  return false;
}

bool CopyAhead::Before(uint64_t at, uint64_t size, std::string& error) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    bool overlaps = false;
    for (const Job& j : jobs_)
      if (!j.done && j.size > 0 && at < j.to + j.size && j.to < at + size) overlaps = true;
    if (!overlaps) return true;
  }
  return Finish(error);
}

bool CopyAhead::Finish(std::string& error) {
  Stop(false);
  if (error_.empty()) return true;
  error = error_;
  return false;
}

void CopyAhead::Cancel() { Stop(true); }

void CopyAhead::Stop(bool cancel) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
    if (cancel) cancelled_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

void CopyAhead::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  const MappedFile* kept = &in_;  // null once the system cannot copy: then from the mapping
  for (;;) {
    changed_.wait(hold, [this] { return cancelled_ || closing_ || next_ < jobs_.size(); });
    if (cancelled_ || next_ == jobs_.size()) return;
    const size_t k = next_;  // jobs_ may grow meanwhile: looked at under the lock only
    uint64_t copied = 0;
    while (!cancelled_ && error_.empty() && copied < jobs_[k].size) {
      const uint64_t n = std::min(kChunk, jobs_[k].size - copied);
      running_ = true;
      runningJob_ = k;
      const uint64_t from = jobs_[k].from + copied, to = jobs_[k].to + copied;
      runningEnd_ = from + n;
      hold.unlock();
      std::string error;
      bool ok = from <= in_.Size() && n <= in_.Size() - from;
      if (!ok) error = "the package file ended early";
      int how = 0;
      if (ok && kept) {
        how = out_.CopyFrom(*kept, from, to, n, error);
        if (how == 0) kept = nullptr;
        ok = how >= 0;
      }
      if (ok && how == 0) ok = out_.WriteAt(to, in_.Data() + from, static_cast<size_t>(n), error);
      hold.lock();
      running_ = false;
      if (!ok && error_.empty()) error_ = error;
      copied += n;
      changed_.notify_all();
    }
    jobs_[k].done = true;
    ++next_;
    changed_.notify_all();
  }
}

}  // namespace rdbtool
