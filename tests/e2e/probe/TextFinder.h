// Finds a line of text in a screenshot the way a reader would recognise it: the text is
// drawn here with Wine's own GDI in the font the window uses, and its ink is looked for in
// the screenshot's region.
#pragma once
#include <string>
#include <vector>

#include "tests/e2e/probe/Picture.h"

namespace e2e {

enum class FontKind {
  Dialog,       // the dialogs' template font and the controls that take it
  Caption,      // window titles
  Status,       // status bars
  Message,      // message boxes
  Placeholder,  // the preview's "no picture" text
};

// "dialog", "caption", "status", "message" or "placeholder".
bool ParseFontKind(const std::wstring& name, FontKind& kind);

// Ink of a rendered line: coverage 0..1 a pixel, cropped to the inked box.
struct Glyphs {
  int width = 0, height = 0;
  std::vector<float> ink;
};

bool RenderText(FontKind kind, const std::wstring& text, Glyphs& out);

struct TextHit {
  bool found = false;
  int x = 0, y = 0;          // screen position of the inked box at the best place
  double score = 0;          // shared ink over all ink (1 = identical)
  double weakestBand = 0;    // the same over the worst vertical band (one glyph's width)
};

// Looks for `glyphs` drawn in `foreground` (0xRRGGBB) on the region's most common colour.
TextHit FindText(const Picture& shot, const Rect& region, const Glyphs& glyphs, unsigned foreground);

// A paragraph as the system's word wrap draws it: one or more lines, top to bottom, broken
// wherever the wrap chose. Each line is the longest rest of the paragraph that is drawn below
// the line before; `lines` gets the lines found, `missing` the part that was not.
struct WrappedLine {
  std::wstring text;
  TextHit hit;
  int width = 0, height = 0;  // of the inked box
};
bool FindWrapped(const Picture& shot, const Rect& region, FontKind kind, unsigned foreground,
                 const std::wstring& paragraph, std::vector<WrappedLine>& lines, std::wstring& missing);

}  // namespace e2e
