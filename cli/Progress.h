// A one-line progress bar on standard error, drawn only when standard error is a terminal
// and redrawn at most a few times a second.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace rdbtool {

class Progress {
 public:
  // `enabled` is false when standard error is not a terminal: then nothing is ever written.
  Progress(bool enabled, uint64_t totalItems, uint64_t totalBytes);
  ~Progress() { Finish(); }

  // `items` done, `bytes` of them.
  void Advance(uint64_t bytes, uint64_t items = 1);
  // Removes the bar so that a diagnostic can be written on a clean line; the next Advance
  // draws it again.
  void Clear();
  void Finish();

  // The bar's text for the given state (no carriage return), e.g.
  // "[##########..........]  50%  5/10 files".
  static std::string Render(uint64_t doneItems, uint64_t totalItems, uint64_t doneBytes, uint64_t totalBytes);

 private:
  void Draw();

  bool enabled_;
  uint64_t totalItems_, totalBytes_;
  uint64_t doneItems_ = 0, doneBytes_ = 0;
  size_t shownWidth_ = 0;
  int shownPercent_ = -1;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace rdbtool
