// Standard output and standard error: UTF-8 text, written straight to the handles (to a
// Windows console as UTF-16, so names show whatever the console's code page).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace rdbtool {

enum class Stream { kOut, kErr };

bool IsTerminal(Stream stream);
// The whole text or false on a write error.
bool WriteText(Stream stream, std::string_view text);
// Bytes as they are, also to a console (entry contents for a pipe).
bool WriteBytes(Stream stream, const uint8_t* data, uint64_t size);

// Collects text and writes it in large blocks; a block always ends at the end of an
// Append, so no UTF-8 sequence is ever split between two writes.
class BufferedOutput {
 public:
  explicit BufferedOutput(Stream stream) : stream_(stream) { buffer_.reserve(kBlock); }
  ~BufferedOutput() { Flush(); }
  BufferedOutput(const BufferedOutput&) = delete;
  BufferedOutput& operator=(const BufferedOutput&) = delete;

  std::string& Buffer() { return buffer_; }
  // Call after appending to Buffer().
  void Appended() {
    if (buffer_.size() >= kBlock) Flush();
  }
  void Append(std::string_view text) {
    buffer_.append(text.data(), text.size());
    Appended();
  }
  // False once any write failed.
  bool Flush() {
    if (!buffer_.empty()) {
      if (!WriteText(stream_, buffer_)) ok_ = false;
      buffer_.clear();
    }
    return ok_;
  }

 private:
  static constexpr size_t kBlock = 1 << 16;
  Stream stream_;
  std::string buffer_;
  bool ok_ = true;
};

}  // namespace rdbtool
