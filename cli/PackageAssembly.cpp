#include "cli/PackageAssembly.h"

#include <algorithm>
#include <memory>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/InputFile.h"
#include "cli/MappedFile.h"
#include "cli/OutputFile.h"
#include "cli/PackPlan.h"
#include "package/PackageFormat.h"
#include "package/PackageWriter.h"
#include "cli/Progress.h"

namespace rdbtool {

namespace {

constexpr size_t kCopyBuffer = 1 << 20;
// The index goes out in blocks of this size: every page of a fresh buffer costs a fault,
// which for a 7 MB index costs more than the extra writes of a small block.
constexpr size_t kIndexBlock = 256 << 10;
constexpr uint64_t kMaxOffset = 0xFFFFFFFFull;  // offsets and the data-area start are 32-bit

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

class Assembler {
 public:
  Assembler(const std::vector<NewEntry>& entries, const std::vector<std::string>& wrapExtensions, OutputFile& out,
            const char* command, const MappedFile* kept)
      : entries_(entries), wrap_(wrapExtensions), out_(out), command_(command), buffer_(new uint8_t[kCopyBuffer]),
        kept_(kept) {}

  AssemblyResult Run() {
    // The index: the header, then per entry its name, terminator and two 8-byte fields.
    uint64_t keptBytes = 0, count = 0;
    dataStart_ = sorv::pkg::kHeaderSize;
    for (const NewEntry& e : entries_) {
      dataStart_ += RecordBytes(e);
      count += e.keptCount ? e.keptCount : 1;
      if (!e.file) keptBytes += e.size;
    }
    if (count > 0xFFFFFFFFull || dataStart_ > kMaxOffset) {
      Report(command_, "too many entries or names too long: the index would not fit the format's 32-bit fields");
      return result_;
    }
    records_.reserve(entries_.size());
    Progress progress(IsTerminal(Stream::kErr), count, keptBytes);
    progress_ = &progress;
    const bool ok = out_.Seekable() ? RunSeekable() : RunStream();
    progress.Finish();
    result_.ok = ok;
    return result_;
  }

 private:
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
  void Record(const NewEntry& e, uint64_t start, uint64_t size) {
    records_.push_back(IndexRecord{&e, start - dataStart_, size});
    recordCount_ += e.keptCount ? e.keptCount : 1;
  }
  // The bytes of the index records of `e`.
  static uint64_t RecordBytes(const NewEntry& e) {
    return e.keptCount ? e.keptRecords[e.keptCount] - e.keptRecords[0] : 2 * (e.name.size() + 1) + 16;
  }
  // Where the last entry of `e` starts, from the start of its bytes.
  static uint64_t LastStart(const NewEntry& e) { return e.keptCount ? e.keptLastStart : 0; }
  // Whether an entry's start, `start` bytes into the data area, fits the 32-bit offsets
  // (checked for every entry of a run through its last one).
  bool FitsOffsets(const NewEntry& e, uint64_t start) {
    if (start + LastStart(e) <= kMaxOffset) return true;
    return Fail("the entries hold more than the format's 32-bit offsets can reach (4 GiB)");
  }
  void Advance(const NewEntry& e, uint64_t bytes) { progress_->Advance(bytes, e.keptCount ? e.keptCount : 1); }

  // Writes the header and the index of the recorded entries, the data area starting at
  // `dataStart`, in blocks (the index of 100,000 entries is megabytes).
  bool WriteIndex(uint64_t dataStart) {
    std::vector<uint8_t> block;
    block.reserve(kIndexBlock + 2 * 65536);
    auto put = [&](uint64_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) block.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    block.insert(block.end(), sorv::pkg::kSignature, sorv::pkg::kSignature + sorv::pkg::kSignatureSize);
    put(recordCount_, 4);
    put(dataStart, 8);
    put(0, 8);  // the second part of the data-area start
    uint64_t written = 0;
    std::string error;
    auto flush = [&]() {
      if (!out_.WriteAt(written, block.data(), block.size(), error)) return Fail(error);
      written += block.size();
      block.clear();
      return true;
    };
    for (const IndexRecord& r : records_) {
      const NewEntry& e = *r.entry;
      if (e.keptCount) {
        // The old records as they are, in slices of about a block, each offset moved: the
        // entries keep their distances from the run's first one.
        auto recordEnd = [&](uint32_t k) { return e.keptView + e.keptRecords[k + 1]; };
        const uint32_t firstOffset = sorv::pkg::ReadU32(recordEnd(0) - 16);
        for (uint32_t k = 0; k < e.keptCount;) {
          if (block.size() >= kIndexBlock && !flush()) return false;
          const uint8_t* const from = e.keptView + e.keptRecords[k];
          const size_t at = block.size();
          // As many records as the block has room for (the block is never grown).
          const ptrdiff_t room = static_cast<ptrdiff_t>(kIndexBlock - at);
          uint32_t last = k;
          while (last + 1 < e.keptCount && recordEnd(last + 1) - from <= room) ++last;
          block.insert(block.end(), from, recordEnd(last));
          for (; k <= last; ++k) {
            uint8_t* const field = block.data() + at + (recordEnd(k) - from) - 16;
            const uint64_t offset = r.offset + (sorv::pkg::ReadU32(field) - firstOffset);
            for (int i = 0; i < 8; ++i) field[i] = static_cast<uint8_t>(offset >> (8 * i));
          }
          if (block.size() >= kIndexBlock && !flush()) return false;
        }
        continue;
      }
      for (char16_t c : e.name) put(c, 2);
      put(0, 2);  // terminator
      put(r.offset, 8);
      put(r.size, 8);
      if (block.size() >= kIndexBlock && !flush()) return false;
    }
    return flush();
  }
  uint64_t IndexEnd() const {
    uint64_t end = sorv::pkg::kHeaderSize;
    for (const IndexRecord& r : records_) end += RecordBytes(*r.entry);
    return end;
  }

  // Kept entries whose bytes follow each other in the old package go out in one write.
  bool FlushRun() {
    std::string error;
    int copied = 0;
    if (runSize_ > 0 && kept_ && runStart_ >= kept_->Data() && runStart_ + runSize_ <= kept_->Data() + kept_->Size()) {
      copied = out_.CopyFrom(*kept_, static_cast<uint64_t>(runStart_ - kept_->Data()), position_ - runSize_, runSize_, error);
      if (copied < 0) return Fail(error);
      if (copied == 0) kept_ = nullptr;  // the system cannot: write from the mapping from now on
    }
    const bool ok = runSize_ == 0 || copied > 0 ? true
                    : out_.Seekable() ? out_.WriteAt(position_ - runSize_, runStart_, static_cast<size_t>(runSize_), error)
                                      : out_.Write(runStart_, static_cast<size_t>(runSize_), error);
    if (!ok) return Fail(error);
    runStart_ = nullptr;
    runSize_ = 0;
    return true;
  }
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
  bool AddKept(const NewEntry& e) {
    if (!FitsOffsets(e, position_ - dataStart_)) return false;
    if (!ExtendRun(e)) return false;
    Record(e, position_, e.size);
    position_ += e.size;
    Advance(e, e.size);
    return true;
  }

  // Regular output: data first, the index last at offset 0 with the sizes as copied.
  bool RunSeekable() {
    position_ = dataStart_;
    std::string error;
    for (const NewEntry& e : entries_) {
      if (!e.file) {
        if (!AddKept(e)) return false;
        continue;
      }
      if (!FlushRun()) return false;
      if (position_ - dataStart_ > kMaxOffset)
        return Fail("the entries hold more than the format's 32-bit offsets can reach (4 GiB)");
      InputFile in;
      uint64_t size = 0;
      int64_t n = -1;
      if (!in.Open(e.file->path, error, e.file->followLink) || !in.Size(size, error) || (n = in.Read(buffer_.get(), kCopyBuffer, error)) < 0) {
        LeaveOut(e, "cannot read: " + error);
        progress_->Advance(0);
        continue;
      }
      const FileDecision d = Decide(e, wrap_, buffer_.get(), static_cast<size_t>(n), size);
      if (!d.ok) {
        LeaveOut(e, d.why);
        progress_->Advance(0);
        continue;
      }
      const uint64_t entryStart = position_;
      if (d.header) {
        if (!out_.WriteAt(position_, d.header->data(), d.header->size(), error)) return Fail(error);
        position_ += d.header->size();
      }
      uint64_t copied = 0;
      bool readOk = true;
      for (;;) {
        if (n > 0) {
          if (!out_.WriteAt(position_, buffer_.get(), static_cast<size_t>(n), error)) return Fail(error);
          position_ += static_cast<uint64_t>(n);
          copied += static_cast<uint64_t>(n);
        }
        if (static_cast<size_t>(n) < kCopyBuffer) break;
        n = in.Read(buffer_.get(), kCopyBuffer, error);
        if (n < 0) {
          readOk = false;
          break;
        }
      }
      progress_->Advance(copied);
      if (!readOk || copied != size) {
        // The wrap decision was made for the size the file had: drop what was copied.
        LeaveOut(e, readOk ? "changed while packing" : "cannot read: " + error);
        position_ = entryStart;
        continue;
      }
      if (!d.warning.empty()) {
        progress_->Clear();
        Report(command_, "warning: " + e.file->display + ": " + d.warning);
      }
      Record(e, entryStart, position_ - entryStart);
    }
    if (!FlushRun()) return false;
    // Records of entries left out leave unused zero bytes between the index and the data.
    return WriteIndex(dataStart_);
  }

  // Standard output, a device or a pipe: every size must be known before the index goes
  // out, so each file is looked at first; the data then follows in order.
  bool RunStream() {
    struct Decided {
      const NewEntry* entry;
      const std::vector<uint8_t>* header;
      uint64_t fileSize;
    };
    std::vector<Decided> decided;
    decided.reserve(entries_.size());
    std::string error;
    uint64_t position = dataStart_;
    for (const NewEntry& e : entries_) {
      uint64_t size = e.size;
      const std::vector<uint8_t>* header = nullptr;
      if (e.file) {
        InputFile in;
        uint8_t head[kPackHeadSize];
        int64_t n = -1;
        if (!in.Open(e.file->path, error, e.file->followLink) || !in.Size(size, error) || (n = in.Read(head, sizeof head, error)) < 0) {
          LeaveOut(e, "cannot read: " + error);
          continue;
        }
        const FileDecision d = Decide(e, wrap_, head, static_cast<size_t>(n), size);
        if (!d.ok) {
          LeaveOut(e, d.why);
          continue;
        }
        if (!d.warning.empty()) Report(command_, "warning: " + e.file->display + ": " + d.warning);
        header = d.header;
      }
      if (!FitsOffsets(e, position - dataStart_)) return false;
      const uint64_t stored = size + (header ? header->size() : 0);
      Record(e, position, stored);
      position += stored;
      decided.push_back(Decided{&e, header, size});
    }
    // The index of the entries left out is not written at all: the data area starts
    // right behind the index here.
    dataStart_ = IndexEnd();
    if (!WriteIndex(dataStart_)) return false;
    position_ = dataStart_;
    for (const Decided& d : decided) {
      const NewEntry& e = *d.entry;
      if (!e.file) {
        if (!AddKeptStream(e)) return false;
        continue;
      }
      if (!FlushRun()) return false;
      if (d.header && !out_.Write(d.header->data(), d.header->size(), error)) return Fail(error);
      InputFile in;
      uint64_t copied = 0;
      bool readOk = in.Open(e.file->path, error, e.file->followLink);
      while (readOk && copied < d.fileSize) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyBuffer, d.fileSize - copied));
        const int64_t n = in.Read(buffer_.get(), want, error);
        if (n <= 0) {
          readOk = n == 0;
          break;
        }
        if (!out_.Write(buffer_.get(), static_cast<size_t>(n), error)) return Fail(error);
        copied += static_cast<uint64_t>(n);
      }
      if (copied < d.fileSize || !readOk) {
        // The index is out already: keep the entry's size, filled with zeros.
        std::fill(buffer_.get(), buffer_.get() + kCopyBuffer, 0);
        for (uint64_t left = d.fileSize - copied; left > 0;) {
          const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kCopyBuffer, left));
          if (!out_.Write(buffer_.get(), chunk, error)) return Fail(error);
          left -= chunk;
        }
        LeaveOut(e, std::string(readOk ? "changed while packing" : "cannot read: " + error) +
                        "; its entry holds zeros after the first " + std::to_string(copied) + " bytes");
      }
      progress_->Advance(copied);
    }
    return FlushRun();
  }
  bool AddKeptStream(const NewEntry& e) {
    if (!ExtendRun(e)) return false;
    Advance(e, e.size);
    return true;
  }

  const std::vector<NewEntry>& entries_;
  const std::vector<std::string>& wrap_;
  OutputFile& out_;
  const char* command_;
  std::unique_ptr<uint8_t[]> buffer_;
  const MappedFile* kept_;
  struct IndexRecord {
    const NewEntry* entry;
    uint64_t offset, size;  // offset from the data area's start
  };
  std::vector<IndexRecord> records_;
  uint64_t recordCount_ = 0;  // index records: a run counts its entries
  uint64_t dataStart_ = 0, position_ = 0;
  const uint8_t* runStart_ = nullptr;
  uint64_t runSize_ = 0;
  Progress* progress_ = nullptr;
  AssemblyResult result_;
};

}  // namespace

AssemblyResult WriteNewPackage(const std::vector<NewEntry>& entries, const std::vector<std::string>& wrapExtensions,
                               OutputFile& out, const char* command, const MappedFile* kept) {
  return Assembler(entries, wrapExtensions, out, command, kept).Run();
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
