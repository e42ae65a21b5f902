#include "cli/PackageAssembly.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "cli/Commands.h"
#include "cli/CopyAhead.h"
#include "cli/PackPlan.h"
#include "cli/Progress.h"
#include "cli/system/Console.h"
#include "cli/system/InputFile.h"
#include "cli/system/MappedFile.h"
#include "cli/system/OutputFile.h"
#include "package/PackageFormat.h"
#include "package/PackageWriter.h"

namespace rdbtool {

namespace {

constexpr size_t kCopyBuffer = 1 << 20;
// The index goes out in blocks of this size: every page of a fresh buffer costs a fault,
// which for a 7 MB index costs more than the extra writes of a small block.
constexpr size_t kIndexBlock = 256 << 10;
constexpr uint64_t kMaxOffset = 0xFFFFFFFFull;  // offsets and the data-area start are 32-bit
const char kOffsetsFull[] = "the entries hold more than the format's 32-bit offsets can reach (4 GiB)";

// How one file's bytes are stored, decided from its first bytes and its size.
struct FileDecision {
  bool ok = false;
  std::string why;                       // when not ok
  std::string warning;
  const std::vector<uint8_t>* header = nullptr;  // null: stored plain
};

FileDecision Decide(const NewEntry& e, const std::vector<std::string>& wrapExtensions, const uint8_t* head,
                    size_t headSize, uint64_t fileSize) {
  static const std::vector<uint8_t> kFreshHeader = sorv::pkg::PackageWriter::Wrap({});
  const NewFile& f = *e.file;
  FileDecision d;
  headSize = std::min(headSize, kPackHeadSize);
  switch (f.wrap) {
    case NewFile::Wrap::kPlan: {
      const PackDecision p = PlanFile(f.components, wrapExtensions, head, headSize, fileSize);
      if (!p.store || p.storedName != e.name) {
        d.why = p.store ? "changed while packing" : p.note;
        return d;
      }
      if (p.wrap) d.header = &kFreshHeader;
      if (!p.note.empty()) d.warning = p.note;
      break;
    }
    case NewFile::Wrap::kKeepHeader:
      d.header = &f.header;
      break;
    case NewFile::Wrap::kOwnHeaderOnly:
      if (BeginsWithWrapHeader(head, headSize, fileSize)) d.header = &kFreshHeader;
      break;
  }
  d.ok = true;
  return d;
}

// The data area's bytes on their way out: gathered in one buffer and written a block at a
// time (a million small files would otherwise be a million writes); files are read
// straight into it.
class DataOut {
 public:
  DataOut(OutputFile& out, CopyAhead* ahead) : out_(out), ahead_(ahead), buffer_(new uint8_t[kCopyBuffer]) {}

  // Where the next byte goes in the package.
  uint64_t Position() const { return start_ + fill_; }
  void MoveTo(uint64_t position) { start_ = position; }
  // Room for at least `want` (at most kCopyBuffer) bytes at Position(), written out first
  // when the buffer has less; `room` gets all there is.
  uint8_t* Room(size_t want, size_t& room, std::string& error) {
    if (kCopyBuffer - fill_ < want && !Flush(error)) return nullptr;
    room = kCopyBuffer - fill_;
    return buffer_.get() + fill_;
  }
  // The `bytes` put at Room() are part of the data now.
  void Take(size_t bytes) { fill_ += bytes; }
  bool Put(const uint8_t* data, size_t size, std::string& error) {
    while (size > 0) {
      size_t room = 0;
      uint8_t* at = Room(std::min(size, kCopyBuffer), room, error);
      if (!at) return false;
      const size_t n = std::min(size, room);
      std::memcpy(at, data, n);
      Take(n);
      data += n;
      size -= n;
    }
    return true;
  }
  // Puts `header` in front of the `size` bytes last put at Room() and not taken yet.
  bool PutInFront(const std::vector<uint8_t>& header, size_t size, std::string& error) {
    uint8_t* const at = buffer_.get() + fill_;
    if (kCopyBuffer - fill_ >= header.size() + size) {
      std::memmove(at + header.size(), at, size);
      std::memcpy(at, header.data(), header.size());
      Take(header.size() + size);
      return true;
    }
    const std::vector<uint8_t> bytes(at, at + size);
    return Put(header.data(), header.size(), error) && Put(bytes.data(), bytes.size(), error);
  }
  // Forgets the bytes from `position` on (a file left out); on a seekable package the
  // next bytes are written over what already went out.
  void Drop(uint64_t position) {
    if (position >= start_) {
      fill_ = static_cast<size_t>(position - start_);
    } else {
      fill_ = 0;
      start_ = position;
    }
  }
  bool Flush(std::string& error) {
    if (fill_ > 0 && ((ahead_ && !ahead_->Before(start_, fill_, error)) || !out_.WriteAt(start_, buffer_.get(), fill_, error)))
      return false;
    start_ += fill_;
    fill_ = 0;
    return true;
  }

 private:
  OutputFile& out_;
  CopyAhead* ahead_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint64_t start_ = 0;  // where the buffer's first byte goes
  size_t fill_ = 0;
};

// Copies `size` bytes of the old package at `data` to `at` in `out`: by the system from
// the file `kept` maps where it can, else from the mapping. `kept` becomes null when the
// system cannot (later copies then write from the mapping at once).
bool CopyKept(OutputFile& out, const MappedFile*& kept, const uint8_t* data, uint64_t size, uint64_t at,
              std::string& error) {
  int copied = 0;
  if (kept && data >= kept->Data() && data + size <= kept->Data() + kept->Size()) {
    copied = out.CopyFrom(*kept, static_cast<uint64_t>(data - kept->Data()), at, size, error);
    if (copied < 0) return false;
    if (copied == 0) kept = nullptr;
  }
  return copied != 0 || out.WriteAt(at, data, static_cast<size_t>(size), error);
}

// How a file's bytes were read: all `size` of them, or why not.
struct FileCopy {
  bool readOk = true;
  uint64_t copied = 0;
  std::string error;
};

class Assembler {
 public:
  Assembler(EntryList& entries, const std::vector<std::string>& wrapExtensions, OutputFile& out, const char* command,
            const MappedFile* kept, CopyAhead* ahead)
      : entries_(entries),
        wrap_(wrapExtensions),
        out_(out),
        ahead_(out.Seekable() && kept ? ahead : nullptr),
        data_(out, ahead_),
        command_(command),
        kept_(kept),
        keptFile_(kept) {}

  AssemblyResult Run() {
    uint64_t count = 0, keptBytes = 0;
    if (!PlanIndex(count, keptBytes)) return result_;
    recordEntries_.reserve(entries_.Count());
    recordSizes_.reserve(entries_.Count());
    Progress progress(IsTerminal(Stream::kErr), count, keptBytes);
    progress_ = &progress;
    const bool ok = out_.Seekable() ? RunSeekable() : RunStream();
    progress.Finish();
    result_.ok = ok;
    return result_;
  }

 private:
  // The index: the header, then each entry's record. Sets where the data area starts.
  bool PlanIndex(uint64_t& count, uint64_t& keptBytes) {
    dataStart_ = sorv::pkg::kHeaderSize;
    for (size_t i = 0; i < entries_.Count(); ++i) {
      const NewEntry& e = entries_.At(i);
      dataStart_ += RecordBytes(e);
      count += Items(e);
      if (!e.file) keptBytes += e.size;
    }
    if (count > 0xFFFFFFFFull || dataStart_ > kMaxOffset) {
      Report(command_, "too many entries or names too long: the index would not fit the format's 32-bit fields");
      return false;
    }
    return true;
  }

  // Regular output: data first, the index last at offset 0 with the sizes as copied.
  // Records of entries left out leave unused zero bytes between the index and the data.
  bool RunSeekable() {
    data_.MoveTo(dataStart_);
    for (size_t i = 0; i < entries_.Count(); ++i) {
      const NewEntry& e = entries_.At(i);
      if (!(e.file ? CopyFile(i, e) : AddKept(i, e))) return false;
    }
    if (!FlushRun() || !FlushData() || !WriteIndex(dataStart_)) return false;
    // Copies made ahead end here; one may have gone past the end, as may the bytes of a
    // last file left out.
    std::string error;
    if (ahead_ && !ahead_->Finish(error)) return Fail(error);
    return out_.SetSize(data_.Position(), error) || Fail(error);
  }

  // Standard output, a device or a pipe: every size must be known before the index goes
  // out, so each file is looked at first; the data then follows in order.
  bool RunStream() {
    if (!DecideAll()) return false;
    // The index of the entries left out is not written at all: the data area starts
    // right behind the index here.
    dataStart_ = IndexEnd();
    if (!WriteIndex(dataStart_)) return false;
    data_.MoveTo(dataStart_);
    for (size_t k = 0; k < recordEntries_.size(); ++k) {
      const NewEntry& e = entries_.At(recordEntries_[k]);
      if (!(e.file ? StreamFile(e, k) : ExtendRun(e))) return false;
      if (!e.file) Advance(e, e.size);
    }
    return FlushRun() && FlushData();
  }

  // --- Seekable: one entry at a time.

  // Copies the file of entry `i` behind the data so far, wrapped as decided from its
  // first bytes and its size; a file that cannot be read or changes is left out. False
  // only when the package cannot go on.
  bool CopyFile(size_t i, const NewEntry& e) {
    if (!FlushRun()) return false;
    if (data_.Position() - dataStart_ > kMaxOffset) return Fail(kOffsetsFull);
    std::string error;
    InputFile in;
    uint64_t size = 0;
    if (!in.Open(e.file->path, error, e.file->followLink) || !in.Size(size, error)) {
      LeaveOut(e, "cannot read: " + error);
      progress_->Advance(0);
      return true;
    }
    const uint64_t entryStart = data_.Position();
    FileCopy copy;
    size_t room = 0;
    uint8_t* head = data_.Room(FirstRead(size), room, error);
    if (!head) return Fail(error);
    const int64_t n = in.ReadSome(head, static_cast<size_t>(std::min<uint64_t>(room, size + 1)), copy.error);
    if (n < 0) {
      LeaveOut(e, "cannot read: " + copy.error);
      progress_->Advance(0);
      return true;
    }
    const FileDecision d = Decide(e, wrap_, head, static_cast<size_t>(n), size);
    if (!d.ok) {
      LeaveOut(e, d.why);
      progress_->Advance(0);
      return true;
    }
    if (d.header) {
      if (!data_.PutInFront(*d.header, static_cast<size_t>(n), error)) return Fail(error);
    } else {
      data_.Take(static_cast<size_t>(n));
    }
    copy.copied = static_cast<uint64_t>(n);
    const bool atEnd = n == 0 || (static_cast<uint64_t>(n) < std::min<uint64_t>(room, size + 1) && copy.copied == size);
    if (!ReadRest(in, size, atEnd, copy, error)) return Fail(error);
    progress_->Advance(copy.copied);
    if (!copy.readOk || copy.copied != size) {
      // The wrap decision was made for the size the file had: drop what was copied.
      LeaveOut(e, copy.readOk ? "changed while packing" : "cannot read: " + copy.error);
      data_.Drop(entryStart);
      return true;
    }
    if (!d.warning.empty()) {
      progress_->Clear();
      Report(command_, "warning: " + e.file->display + ": " + d.warning);
    }
    Record(i, e, data_.Position() - entryStart);
    return true;
  }
  // The first read of a file of `size` bytes asks for one byte more, so that a file that
  // grew is seen without a read of its own.
  static size_t FirstRead(uint64_t size) { return static_cast<size_t>(std::min<uint64_t>(size + 1, kCopyBuffer)); }
  // Reads the rest of a file of `size` bytes, `copy.copied` of them in already, until its
  // end (`atEnd`: the last read came short) or one byte past `size`. False when the
  // package cannot be written.
  bool ReadRest(InputFile& in, uint64_t size, bool atEnd, FileCopy& copy, std::string& error) {
    while (!atEnd && copy.copied <= size) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(size + 1 - copy.copied, kCopyBuffer));
      size_t room = 0;
      uint8_t* at = data_.Room(want, room, error);
      if (!at) return false;
      const size_t asked = std::min(want, room);
      const int64_t n = in.ReadSome(at, asked, copy.error);
      if (n < 0) {
        copy.readOk = false;
        return true;
      }
      data_.Take(static_cast<size_t>(n));
      copy.copied += static_cast<uint64_t>(n);
      atEnd = n == 0 || (static_cast<size_t>(n) < asked && copy.copied == size);
    }
    return true;
  }

  bool AddKept(size_t i, const NewEntry& e) {
    if (!FitsOffsets(e, Position() - dataStart_)) return false;
    if (!ExtendRun(e)) return false;
    Record(i, e, e.size);
    Advance(e, e.size);
    return true;
  }

  // --- Stream: every entry decided first, then copied.

  bool DecideAll() {
    uint64_t position = dataStart_;
    for (size_t i = 0; i < entries_.Count(); ++i) {
      const NewEntry& e = entries_.At(i);
      uint64_t stored = e.size;
      const std::vector<uint8_t>* header = nullptr;
      if (e.file && !DecideFile(e, stored, header)) continue;
      if (!FitsOffsets(e, position - dataStart_)) return false;
      Record(i, e, stored);
      streamHeaders_.push_back(header);
      position += stored;
    }
    return true;
  }
  // The stored size of entry `e`'s file (with its header) and the header, from its first
  // bytes; false when it is left out.
  bool DecideFile(const NewEntry& e, uint64_t& stored, const std::vector<uint8_t>*& header) {
    std::string error;
    InputFile in;
    uint8_t head[kPackHeadSize];
    uint64_t size = 0;
    int64_t n = -1;
    if (!in.Open(e.file->path, error, e.file->followLink) || !in.Size(size, error) ||
        (n = in.Read(head, sizeof head, error)) < 0) {
      LeaveOut(e, "cannot read: " + error);
      return false;
    }
    const FileDecision d = Decide(e, wrap_, head, static_cast<size_t>(n), size);
    if (!d.ok) {
      LeaveOut(e, d.why);
      return false;
    }
    if (!d.warning.empty()) Report(command_, "warning: " + e.file->display + ": " + d.warning);
    stored = size + (d.header ? d.header->size() : 0);
    header = d.header;
    return true;
  }
  // Writes record `k`'s file: the header decided for it and the size it had then; what
  // cannot be read becomes zeros, as the index is out already.
  bool StreamFile(const NewEntry& e, size_t k) {
    if (!FlushRun()) return false;
    std::string error;
    const std::vector<uint8_t>* header = streamHeaders_[k];
    if (header && !data_.Put(header->data(), header->size(), error)) return Fail(error);
    const uint64_t fileSize = recordSizes_[k] - (header ? header->size() : 0);
    InputFile in;
    FileCopy copy;
    copy.readOk = in.Open(e.file->path, copy.error, e.file->followLink);
    while (copy.readOk && copy.copied < fileSize) {
      size_t room = 0;
      uint8_t* at = data_.Room(1, room, error);
      if (!at) return Fail(error);
      const int64_t n = in.ReadSome(at, static_cast<size_t>(std::min<uint64_t>(room, fileSize - copy.copied)), copy.error);
      if (n <= 0) {
        copy.readOk = n == 0;
        break;
      }
      data_.Take(static_cast<size_t>(n));
      copy.copied += static_cast<uint64_t>(n);
    }
    if (copy.copied < fileSize || !copy.readOk) {
      if (!PutZeros(fileSize - copy.copied, error)) return Fail(error);
      LeaveOut(e, std::string(copy.readOk ? "changed while packing" : "cannot read: " + copy.error) +
                      "; its entry holds zeros after the first " + std::to_string(copy.copied) + " bytes");
    }
    progress_->Advance(copy.copied);
    return true;
  }
  bool PutZeros(uint64_t count, std::string& error) {
    while (count > 0) {
      size_t room = 0;
      uint8_t* at = data_.Room(1, room, error);
      if (!at) return false;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(room, count));
      std::memset(at, 0, n);
      data_.Take(n);
      count -= n;
    }
    return true;
  }

  // --- Kept entries of an old package.

  // Adjacent kept entries are copied in one call: `e` extends the current run, or the run
  // is copied and a new one starts at `e`.
  bool ExtendRun(const NewEntry& e) {
    if (runStart_ && runStart_ + runSize_ == e.data) {
      runSize_ += e.size;
      return true;
    }
    if (!FlushRun()) return false;
    runStart_ = e.data;
    runSize_ = e.size;
    return true;
  }
  // Copies the current run behind the data so far: by the system from the old package's
  // file where it can, else from its mapping.
  bool FlushRun() {
    if (runSize_ == 0) return true;
    std::string error;
    if (!FlushData()) return false;
    const uint64_t at = data_.Position();
    const bool madeAhead = ahead_ && runStart_ >= keptFile_->Data() &&
                           ahead_->Covers(static_cast<uint64_t>(runStart_ - keptFile_->Data()), at, runSize_);
    if (!madeAhead && ((ahead_ && !ahead_->Before(at, runSize_, error)) ||
                       !CopyKept(out_, kept_, runStart_, runSize_, at, error)))
      return Fail(error);
    data_.MoveTo(at + runSize_);
    runStart_ = nullptr;
    runSize_ = 0;
    return true;
  }
  bool FlushData() {
    std::string error;
    return data_.Flush(error) || Fail(error);
  }
  // Where the next entry's bytes go.
  uint64_t Position() const { return data_.Position() + runSize_; }

  // --- The index.

  // Writes the header and the records, the data area starting at `dataStart`, from one
  // block reused throughout (the index of 1,000,000 entries is tens of megabytes).
  bool WriteIndex(uint64_t dataStart) {
    block_.reserve(kIndexBlock + 2 * 65536);
    block_.resize(sorv::pkg::kHeaderSize);
    sorv::pkg::WriteHeader(block_.data(), static_cast<uint32_t>(recordCount_), dataStart);
    indexWritten_ = 0;
    uint64_t offset = 0;
    for (size_t k = 0; k < recordEntries_.size(); ++k) {
      const NewEntry& e = entries_.At(recordEntries_[k]);
      if (!(e.keptCount ? PutKeptRecords(e, offset) : PutRecord(e.name, offset, recordSizes_[k]))) return false;
      offset += recordSizes_[k];
    }
    return FlushIndex();
  }
  bool PutRecord(std::u16string_view name, uint64_t offset, uint64_t size) {
    const size_t at = block_.size();
    block_.resize(at + static_cast<size_t>(sorv::pkg::RecordSize(name.size())));
    sorv::pkg::WriteRecord(block_.data() + at, name, offset, size);
    return block_.size() < kIndexBlock || FlushIndex();
  }
  // The old records of a run as they are, in slices of about a block, each offset moved:
  // the entries keep their distances from the run's first one, which goes to `offset`.
  bool PutKeptRecords(const NewEntry& e, uint64_t offset) {
    auto recordEnd = [&](uint32_t k) { return e.keptView + e.keptRecords[k + 1]; };
    const uint32_t firstOffset = sorv::pkg::ReadU32(recordEnd(0) - 16);
    if (offset == firstOffset) {
      const int copied = CopyKeptRecords(e);
      if (copied != 0) return copied > 0;
    }
    for (uint32_t k = 0; k < e.keptCount;) {
      if (block_.size() >= kIndexBlock && !FlushIndex()) return false;
      const uint8_t* const from = e.keptView + e.keptRecords[k];
      const size_t at = block_.size();
      // As many records as the block has room for (the block is never grown).
      const ptrdiff_t room = static_cast<ptrdiff_t>(kIndexBlock - at);
      uint32_t last = k;
      while (last + 1 < e.keptCount && recordEnd(last + 1) - from <= room) ++last;
      const size_t bytes = static_cast<size_t>(recordEnd(last) - from);
      block_.resize(at + bytes);
      // Read from the file where it can (a copy from the mapping costs three times as much).
      if (!kept_ || e.keptView != kept_->Data() ||
          !kept_->ReadAt(static_cast<uint64_t>(from - e.keptView), block_.data() + at, bytes))
        std::memcpy(block_.data() + at, from, bytes);
      for (; k <= last; ++k) {
        uint8_t* const field = block_.data() + at + (recordEnd(k) - from) - 16;
        sorv::pkg::WriteU64(field, offset + (sorv::pkg::ReadU32(field) - firstOffset));
      }
    }
    return block_.size() < kIndexBlock || FlushIndex();
  }
  // Records that keep their offsets are the old index's bytes: copied by the system, as
  // the data is (a change in the middle of a package leaves its first half so).
  // 1 when done, 0 when the system cannot (nothing written), -1 on a failure (reported).
  int CopyKeptRecords(const NewEntry& e) {
    const uint64_t from = e.keptRecords[0];
    const uint64_t size = e.keptRecords[e.keptCount] - from;
    if (ahead_ && e.keptView == keptFile_->Data() && ahead_->Covers(from, indexWritten_ + block_.size(), size)) {
      if (!FlushIndex()) return -1;
      indexWritten_ += size;
      return 1;
    }
    if (!kept_ || e.keptView != kept_->Data()) return 0;
    if (!FlushIndex()) return -1;
    std::string error;
    if (ahead_ && !ahead_->Before(indexWritten_, size, error)) return Fail(error) ? 1 : -1;
    const int copied = out_.CopyFrom(*kept_, from, indexWritten_, size, error);
    if (copied < 0) return Fail(error) ? 1 : -1;
    if (copied == 0) {
      kept_ = nullptr;  // as for the data: written from the mapping from now on
      return 0;
    }
    indexWritten_ += size;
    return 1;
  }
  bool FlushIndex() {
    std::string error;
    if ((ahead_ && !ahead_->Before(indexWritten_, block_.size(), error)) ||
        !out_.WriteAt(indexWritten_, block_.data(), block_.size(), error))
      return Fail(error);
    indexWritten_ += block_.size();
    block_.clear();
    return true;
  }
  uint64_t IndexEnd() {
    uint64_t end = sorv::pkg::kHeaderSize;
    for (uint32_t i : recordEntries_) end += RecordBytes(entries_.At(i));
    return end;
  }

  // --- Bookkeeping.

  void Record(size_t i, const NewEntry& e, uint64_t size) {
    recordEntries_.push_back(static_cast<uint32_t>(i));
    recordSizes_.push_back(size);
    recordCount_ += Items(e);
  }
  // The index records `e` stands for: a run counts its entries.
  static uint64_t Items(const NewEntry& e) { return e.keptCount ? e.keptCount : 1; }
  // The bytes of the index records of `e`.
  static uint64_t RecordBytes(const NewEntry& e) {
    return e.keptCount ? e.keptRecords[e.keptCount] - e.keptRecords[0] : sorv::pkg::RecordSize(e.name.size());
  }
  // Whether an entry's start, `start` bytes into the data area, fits the 32-bit offsets
  // (checked for every entry of a run through its last one).
  bool FitsOffsets(const NewEntry& e, uint64_t start) {
    return start + (e.keptCount ? e.keptLastStart : 0) <= kMaxOffset || Fail(kOffsetsFull);
  }
  void Advance(const NewEntry& e, uint64_t bytes) { progress_->Advance(bytes, Items(e)); }
  void LeaveOut(const NewEntry& e, const std::string& why) {
    ++result_.leftOut;
    progress_->Clear();
    Report(command_, e.file->display + ": " + why);
  }
  bool Fail(const std::string& error) {
    progress_->Clear();
    Report(command_, error);
    return false;
  }

  EntryList& entries_;
  const std::vector<std::string>& wrap_;
  OutputFile& out_;
  CopyAhead* ahead_;  // on a seekable output: copies of kept bytes made on a second thread
  DataOut data_;
  const char* command_;
  const MappedFile* kept_;      // null once the system cannot copy from it
  const MappedFile* keptFile_;  // the old package, as given
  // One per index record written (a run of kept entries is one): the entry, its stored
  // size. Offsets follow from the sizes, as the entries go out in order.
  std::vector<uint32_t> recordEntries_;
  std::vector<uint64_t> recordSizes_;
  std::vector<const std::vector<uint8_t>*> streamHeaders_;  // on a stream: the header each file gets
  uint64_t recordCount_ = 0;  // index records: a run counts its entries
  uint64_t dataStart_ = 0;
  std::vector<uint8_t> block_;
  uint64_t indexWritten_ = 0;
  const uint8_t* runStart_ = nullptr;
  uint64_t runSize_ = 0;
  Progress* progress_ = nullptr;
  AssemblyResult result_;
};

}  // namespace

AssemblyResult WriteNewPackage(EntryList& entries, const std::vector<std::string>& wrapExtensions, OutputFile& out,
                               const char* command, const MappedFile* kept, CopyAhead* ahead) {
  return Assembler(entries, wrapExtensions, out, command, kept, ahead).Run();
}

NewFile FileToStore(const FoundFile& found) {
  NewFile file;
  file.path = found.path;
  file.display = found.display;
  file.followLink = found.followed;
  file.components = found.components;
  return file;
}

}  // namespace rdbtool
