// font-check: run under Wine by scripts/wine-prefix. Says which font each face name the
// program and the tests use really draws with, and fails unless that is the configured one:
//
//   font-check.exe TARGET SYMBOL FACE...
//
// TARGET is the family the replacements point at; every FACE and the system's window-title,
// message-box, status and menu fonts must draw with that very font file (compared by its
// 'head' table, as the name a face reports may be the alias that was asked for). SYMBOL is
// the symbol font the window frames draw their buttons with; it must resolve to itself.
// Prints one line a face; exit status 0 all in effect, 1 some not, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Print(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], n, nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

struct Resolved {
  std::wstring face;           // what the DC reports
  std::wstring family;         // the font file's own family name
  std::vector<BYTE> head;      // the font's 'head' table: which font file this is
  bool hasChinese = false;     // draws 保存文件 with its own glyphs
};

Resolved Resolve(LOGFONTW font) {
  Resolved r;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HFONT handle = ::CreateFontIndirectW(&font);
  HGDIOBJ old = ::SelectObject(dc, handle);
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc, LF_FACESIZE, face);
  r.face = face;
  const UINT size = ::GetOutlineTextMetricsW(dc, 0, nullptr);
  if (size) {
    std::vector<BYTE> buffer(size);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
    if (::GetOutlineTextMetricsW(dc, size, metrics))
      r.family = reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<size_t>(metrics->otmpFamilyName));
  }
  const DWORD headTag = 'h' | ('e' << 8) | ('a' << 16) | ('d' << 24);
  const DWORD headSize = ::GetFontData(dc, headTag, 0, nullptr, 0);
  if (headSize != GDI_ERROR && headSize > 0) {
    r.head.resize(headSize);
    if (::GetFontData(dc, headTag, 0, r.head.data(), headSize) != headSize) r.head.clear();
  }
  const wchar_t chinese[] = L"保存文件";
  WORD glyphs[4] = {};
  r.hasChinese = ::GetGlyphIndicesW(dc, chinese, 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 4;
  for (WORD g : glyphs) r.hasChinese = r.hasChinese && g != 0xffff;
  ::SelectObject(dc, old);
  ::DeleteObject(handle);
  ::DeleteDC(dc);
  return r;
}

LOGFONTW Face(const wchar_t* name, BYTE charset) {
  LOGFONTW font = {};
  font.lfHeight = -12;
  font.lfCharSet = charset;
  std::wcsncpy(font.lfFaceName, name, LF_FACESIZE - 1);
  return font;
}

bool Installed(const wchar_t* name) {
  LOGFONTW wanted = Face(name, DEFAULT_CHARSET);
  bool found = false;
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::EnumFontFamiliesExW(
      dc, &wanted, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
        *reinterpret_cast<bool*>(found) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ::DeleteDC(dc);
  return found;
}

// One line: "ok|WRONG  what -> face (family)".
bool Report(bool ok, const std::wstring& what, const Resolved& r) {
  Print(std::wstring(ok ? L"ok     " : L"WRONG  ") + what + L" -> " + r.face + L" (" + r.family + L")\n");
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: font-check TARGET SYMBOL FACE...\n");
    return 2;
  }
  const wchar_t* target = argv[1];
  const wchar_t* symbol = argv[2];
  if (!Installed(target)) {
    Print(std::wstring(L"WRONG  ") + target + L" is not an installed font family\n");
    return 1;
  }
  const Resolved expected = Resolve(Face(target, DEFAULT_CHARSET));
  bool all = Report(!expected.head.empty() && expected.hasChinese, target, expected);

  auto same = [&](const Resolved& r) { return r.head == expected.head && r.hasChinese; };
  for (int i = 3; i < argc; ++i)
    for (BYTE charset : {static_cast<BYTE>(DEFAULT_CHARSET), static_cast<BYTE>(GB2312_CHARSET)}) {
      const Resolved r = Resolve(Face(argv[i], charset));
      all = Report(same(r), std::wstring(argv[i]) + (charset == GB2312_CHARSET ? L",GB2312" : L""), r) && all;
    }

  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    Print(L"WRONG  no system font metrics\n");
    return 1;
  }
  const std::pair<const wchar_t*, const LOGFONTW*> system[] = {{L"window title font", &metrics.lfCaptionFont},
                                                               {L"message box font", &metrics.lfMessageFont},
                                                               {L"status bar font", &metrics.lfStatusFont},
                                                               {L"menu font", &metrics.lfMenuFont}};
  for (const auto& s : system) {
    const Resolved r = Resolve(*s.second);
    all = Report(same(r), std::wstring(s.first) + L" " + s.second->lfFaceName, r) && all;
  }

  const Resolved buttons = Resolve(Face(symbol, SYMBOL_CHARSET));
  all = Report(Installed(symbol) && buttons.face == symbol && buttons.head != expected.head, symbol, buttons) && all;
  return all ? 0 : 1;
}
