#include "cli/Progress.h"

#include "cli/system/Console.h"

namespace rdbtool {

namespace {
constexpr int kBarWidth = 30;
constexpr auto kInterval = std::chrono::milliseconds(100);

int Percent(uint64_t doneItems, uint64_t totalItems, uint64_t doneBytes, uint64_t totalBytes) {
  // By bytes, since files differ in size; by files when there are no bytes.
  if (totalBytes > 0) return static_cast<int>(static_cast<double>(doneBytes) * 100.0 / static_cast<double>(totalBytes));
  if (totalItems > 0) return static_cast<int>(doneItems * 100 / totalItems);
  return 100;
}
}  // namespace

Progress::Progress(bool enabled, uint64_t totalItems, uint64_t totalBytes)
    : enabled_(enabled), totalItems_(totalItems), totalBytes_(totalBytes) {}

std::string Progress::Render(uint64_t doneItems, uint64_t totalItems, uint64_t doneBytes, uint64_t totalBytes) {
  int percent = Percent(doneItems, totalItems, doneBytes, totalBytes);
  if (percent > 100) percent = 100;
  const int filled = percent * kBarWidth / 100;
  std::string text = "[";
  text.append(static_cast<size_t>(filled), '#');
  text.append(static_cast<size_t>(kBarWidth - filled), '.');
  text += "] ";
  const std::string p = std::to_string(percent);
  text.append(4 - p.size(), ' ');
  text += p + "%  " + std::to_string(doneItems) + "/" + std::to_string(totalItems) + " files";
  return text;
}

void Progress::Advance(uint64_t bytes, uint64_t items) {
  doneItems_ += items;
  doneBytes_ += bytes;
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  const int percent = Percent(doneItems_, totalItems_, doneBytes_, totalBytes_);
  if (shownWidth_ == 0 || percent != shownPercent_ || now - lastDraw_ >= kInterval) {
    lastDraw_ = now;
    shownPercent_ = percent;
    Draw();
  }
}

void Progress::Draw() {
  const std::string text = Render(doneItems_, totalItems_, doneBytes_, totalBytes_);
  std::string line = "\r" + text;
  if (text.size() < shownWidth_) line.append(shownWidth_ - text.size(), ' ');
  shownWidth_ = text.size();
  WriteText(Stream::kErr, line);
}

void Progress::Clear() {
  if (!enabled_ || shownWidth_ == 0) return;
  // Spaces rather than an escape sequence: every console understands them.
  WriteText(Stream::kErr, "\r" + std::string(shownWidth_, ' ') + "\r");
  shownWidth_ = 0;
}

void Progress::Finish() {
  if (!enabled_) return;
  if (shownWidth_ != 0 || doneItems_ > 0) {
    Draw();
    WriteText(Stream::kErr, "\n");
  }
  enabled_ = false;
}

}  // namespace rdbtool
