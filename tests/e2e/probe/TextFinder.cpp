#include "tests/e2e/probe/TextFinder.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace e2e {

namespace {

// Both scores must hold: the whole line, and each band, so that one wrong glyph (a "4"
// where a "5" belongs) is not carried by the rest of the line.
constexpr double kMinScore = 0.80;
constexpr double kMinBandScore = 0.60;

HFONT MakeFont(FontKind kind) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  switch (kind) {
    case FontKind::Dialog:  // FONT 9, "MS Shell Dlg" of the templates, as the dialog manager makes it
      return ::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_DONTCARE, L"MS Shell Dlg");
    case FontKind::Placeholder:  // 20 points of the Song face
      return ::CreateFontW(-::MulDiv(dpi, 200, 720), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           L"宋体");
    default:
      break;
  }
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
  const LOGFONTW& font = kind == FontKind::Caption ? metrics.lfCaptionFont
                         : kind == FontKind::Status ? metrics.lfStatusFont
                                                    : metrics.lfMessageFont;
  return ::CreateFontIndirectW(&font);
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

}  // namespace

bool ParseFontKind(const std::wstring& name, FontKind& kind) {
  static const std::pair<const wchar_t*, FontKind> kKinds[] = {
      {L"dialog", FontKind::Dialog},   {L"caption", FontKind::Caption},
      {L"status", FontKind::Status},   {L"message", FontKind::Message},
      {L"placeholder", FontKind::Placeholder}};
  for (const auto& k : kKinds)
    if (name == k.first) {
      kind = k.second;
      return true;
    }
  return false;
}

bool RenderText(FontKind kind, const std::wstring& text, Glyphs& out) {
  HFONT font = MakeFont(kind);
  if (!font || text.empty()) return false;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = ::SelectObject(dc, font);
  SIZE size = {};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  const int margin = 4;
  const int w = size.cx + 2 * margin, h = size.cy + 2 * margin;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
    RECT all = {0, 0, w, h};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutW(dc, margin, margin, text.c_str(), static_cast<int>(text.size()));
    ::GdiFlush();
    const uint32_t* px = static_cast<const uint32_t*>(bits);
    std::vector<float> ink(static_cast<size_t>(w) * h);
    int left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t p = px[static_cast<size_t>(y) * w + x];
        const uint8_t rgb[3] = {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
        const float c = (255 - Luma(rgb)) / 255.0f;
        ink[static_cast<size_t>(y) * w + x] = c;
        if (c > 0.02f) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
      }
    ok = right >= 0;
    if (ok) {
      out.width = right - left + 1;
      out.height = bottom - top + 1;
      out.ink.assign(static_cast<size_t>(out.width) * out.height, 0.0f);
      for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
          out.ink[static_cast<size_t>(y) * out.width + x] = ink[static_cast<size_t>(y + top) * w + x + left];
    }
    ::SelectObject(dc, oldBitmap);
    ::DeleteObject(bitmap);
  }
  ::SelectObject(dc, oldFont);
  ::DeleteObject(font);
  ::DeleteDC(dc);
  return ok;
}

namespace {

// The search on one background colour.
TextHit FindOnBackground(const Picture& shot, const Rect& region, const Glyphs& glyphs, uint32_t background,
                         unsigned foreground) {
  TextHit hit;
  const uint8_t bgRgb[3] = {static_cast<uint8_t>(background >> 16), static_cast<uint8_t>(background >> 8),
                            static_cast<uint8_t>(background)};
  const uint8_t fgRgb[3] = {static_cast<uint8_t>(foreground >> 16), static_cast<uint8_t>(foreground >> 8),
                            static_cast<uint8_t>(foreground)};
  const double bgLuma = Luma(bgRgb), span = Luma(fgRgb) - bgLuma;
  if (std::fabs(span) < 16) return hit;  // text colour and background cannot be told apart

  // Ink of the region: how far each pixel has gone from the background towards the text colour.
  std::vector<float> ink(static_cast<size_t>(region.width) * region.height);
  for (int y = 0; y < region.height; ++y)
    for (int x = 0; x < region.width; ++x)
      ink[static_cast<size_t>(y) * region.width + x] =
          static_cast<float>(Clamp01((Luma(shot.At(region.x + x, region.y + y)) - bgLuma) / span));

  // Template pixels with the most ink first, so that a wrong place is given up early.
  struct Sample {
    int dx, dy;
    float ink;
  };
  std::vector<Sample> samples;
  double total = 0;
  for (int y = 0; y < glyphs.height; ++y)
    for (int x = 0; x < glyphs.width; ++x) {
      const float c = glyphs.ink[static_cast<size_t>(y) * glyphs.width + x];
      samples.push_back({x, y, c});
      total += c;
    }
  std::stable_sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.ink > b.ink; });

  // A place that matches well enough differs by well under this; a little more is allowed so
  // that a near miss is still reported with its score.
  double best = total * 0.6;
  int bestX = -1, bestY = -1;
  for (int oy = 0; oy + glyphs.height <= region.height; ++oy)
    for (int ox = 0; ox + glyphs.width <= region.width; ++ox) {
      double diff = 0;
      for (const Sample& s : samples) {
        diff += std::fabs(s.ink - ink[static_cast<size_t>(oy + s.dy) * region.width + ox + s.dx]);
        if (diff >= best) break;
      }
      if (diff < best) best = diff, bestX = ox, bestY = oy;
    }
  if (bestX < 0) return hit;

  // Scores at the best place: overall, and per band about one glyph wide.
  const int band = std::max(3, glyphs.height / 2);
  const int bands = (glyphs.width + band - 1) / band;
  std::vector<double> shared(bands, 0), either(bands, 0);
  double sharedAll = 0, eitherAll = 0;
  for (int y = 0; y < glyphs.height; ++y)
    for (int x = 0; x < glyphs.width; ++x) {
      const double t = glyphs.ink[static_cast<size_t>(y) * glyphs.width + x];
      const double s = ink[static_cast<size_t>(bestY + y) * region.width + bestX + x];
      shared[x / band] += std::min(t, s);
      either[x / band] += std::max(t, s);
      sharedAll += std::min(t, s);
      eitherAll += std::max(t, s);
    }
  hit.score = eitherAll > 0 ? sharedAll / eitherAll : 0;
  hit.weakestBand = 1;
  for (int b = 0; b < bands; ++b)
    if (either[b] >= 2.0) hit.weakestBand = std::min(hit.weakestBand, shared[b] / either[b]);
  hit.x = region.x + bestX;
  hit.y = region.y + bestY;
  hit.found = hit.score >= kMinScore && hit.weakestBand >= kMinBandScore;
  return hit;
}

}  // namespace

TextHit FindText(const Picture& shot, const Rect& wanted, const Glyphs& glyphs, unsigned foreground) {
  TextHit best;
  const Rect region = shot.Clip(wanted);
  if (region.width < glyphs.width || region.height < glyphs.height || glyphs.ink.empty()) return best;

  // The text may sit on any of the region's main colours (a dialog's face, a white list, a
  // caption): each colour that covers a twentieth of the region is tried as the background.
  std::map<uint32_t, int> counts;
  for (int y = region.y; y < region.y + region.height; ++y)
    for (int x = region.x; x < region.x + region.width; ++x) {
      const uint8_t* p = shot.At(x, y);
      ++counts[(p[0] << 16) | (p[1] << 8) | p[2]];
    }
  std::vector<std::pair<int, uint32_t>> colours;
  for (const auto& c : counts) colours.emplace_back(c.second, c.first);
  std::sort(colours.rbegin(), colours.rend());
  const int least = region.width * region.height / 20;
  for (size_t i = 0; i < colours.size() && i < 4 && (i == 0 || colours[i].first >= least); ++i) {
    const TextHit hit = FindOnBackground(shot, region, glyphs, colours[i].second, foreground);
    if (hit.found || (!best.found && hit.score > best.score)) best = hit;
    if (best.found) break;
  }
  return best;
}

bool FindWrapped(const Picture& shot, const Rect& region, FontKind kind, unsigned foreground,
                 const std::wstring& paragraph, std::vector<WrappedLine>& lines, std::wstring& missing) {
  std::wstring rest = paragraph;
  int top = region.y;
  while (!rest.empty()) {
    const Rect below{region.x, top, region.width, region.y + region.height - top};
    // Longest first: a shorter start of the line is found too, a longer one is not, as the
    // glyphs past the break are drawn on the next line, not here.
    bool found = false;
    for (size_t n = rest.size(); n > 0 && !found; --n) {
      if (rest[n - 1] == L' ') continue;  // a break at a blank draws no blank
      Glyphs glyphs;
      if (!RenderText(kind, rest.substr(0, n), glyphs) || glyphs.width > below.width) continue;
      const TextHit hit = FindText(shot, below, glyphs, foreground);
      if (!hit.found) continue;
      lines.push_back({rest.substr(0, n), hit, glyphs.width, glyphs.height});
      const size_t next = rest.find_first_not_of(L' ', n);
      rest.erase(0, next == std::wstring::npos ? rest.size() : next);
      top = hit.y + std::max(1, glyphs.height / 2);
      found = true;
    }
    if (!found) {
      missing = rest;
      return false;
    }
  }
  return true;
}

}  // namespace e2e
