// sorv_e2e_probe: the end-to-end test's eyes and its fixture maker, run under Wine in the
// same prefix as the program. It never sends input to the program: the test script does
// that with X input.
//
//   pack OUT NAME FILE [NAME FILE]...     package with FILE stored as NAME ("wrap:NAME": behind
//                                         a TGF header)
//   many OUT COUNT                        package of COUNT small text entries, 1,000 to a folder
//   replaceable FILE MS                   wait until another program may replace FILE (open it
//                                         for writing and deleting, shared with nobody); prints
//                                         the milliseconds waited
//   desktop                               the desktop folder the folder chooser preselects
//   window TITLE MS                       wait for a visible top-level window with that title
//   foreground TITLE|!TITLE CLASS|- MS    wait for the foreground window (and its focused control)
//   gone TITLE MS                         wait until no window has that title
//   text SHOT X Y W H FONT RRGGBB TEXT    find a line of text in a region of a PPM screenshot
//   message SHOT TITLE PARAGRAPH...       the window's message (read through the window tree)
//                                         is exactly the paragraphs joined by line breaks, and
//                                         each is drawn on the screenshot, wrapped wherever
//                                         the system wrapped it
//   picture SHOT X Y W H IMAGE            find a PPM picture in a region, pixel for pixel
//   runs SHOT row Y X0 X1                 runs of a row (or a column: column X Y0 Y1) that
//                                         differ from its first pixel
//
// Window commands print "wx wy ww wh cx cy cw ch" (window and client, screen coordinates and
// sizes), then the focused control's class and the title. Exit status: 0 found, 1 not found
// or timed out, 2 bad arguments.
#include <windows.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "package/PackageWriter.h"
#include "tests/e2e/probe/Picture.h"
#include "tests/e2e/probe/PictureFinder.h"
#include "tests/e2e/probe/TextFinder.h"
#include "tests/e2e/probe/WindowWatch.h"

namespace {

using e2e::Picture;
using e2e::Rect;

void Print(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], n, nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

int Fail(const char* why) {
  std::fprintf(stderr, "sorv_e2e_probe: %s\n", why);
  return 2;
}

bool Number(const wchar_t* text, long& value) {
  wchar_t* end = nullptr;
  value = std::wcstol(text, &end, 0);
  return end && end != text && *end == L'\0';
}

bool ReadFileBytes(const wchar_t* path, std::vector<uint8_t>& bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(_wfopen(path, L"rb"), &std::fclose);
  if (!f) return false;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  return !std::ferror(f.get());
}

int Pack(int argc, wchar_t** argv) {
  if (argc < 5 || argc % 2 == 0) return Fail("pack OUT NAME FILE [NAME FILE]...");
  sorv::pkg::PackageWriter writer;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::wstring name = argv[i];
    const bool wrap = name.rfind(L"wrap:", 0) == 0;
    if (wrap) name.erase(0, 5);
    std::vector<uint8_t> data;
    if (!ReadFileBytes(argv[i + 1], data)) return Fail("cannot read an entry's file");
    const std::u16string stored(name.begin(), name.end());
    if (wrap)
      writer.AddWrapped(stored, data);
    else
      writer.Add(stored, data);
  }
  const std::vector<uint8_t> bytes = writer.Build();
  std::unique_ptr<FILE, int (*)(FILE*)> out(_wfopen(argv[2], L"wb"), &std::fclose);
  if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size()) return Fail("cannot write the package");
  return 0;
}

int Many(const wchar_t* out, long count) {
  sorv::pkg::PackageWriter writer;
  for (long i = 0; i < count; ++i) {
    const std::wstring name = L"d" + std::to_wstring(i / 1000) + L"\\e" + std::to_wstring(i) + L".txt";
    writer.Add(std::u16string(name.begin(), name.end()), {'x'});
  }
  const std::vector<uint8_t> bytes = writer.Build();
  std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(out, L"wb"), &std::fclose);
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return Fail("cannot write the package");
  return 0;
}

int Replaceable(const wchar_t* path, long ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const HANDLE file = ::CreateFileW(path, GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
      Print(std::to_wstring(::GetTickCount() - start) + L"\n");
      return 0;
    }
    if (::GetTickCount() - start >= static_cast<DWORD>(ms)) {
      Print(L"still held after " + std::to_wstring(ms) + L" ms (error " + std::to_wstring(::GetLastError()) + L")\n");
      return 1;
    }
    ::Sleep(20);
  }
}

int Desktop() {
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) return 1;
  Print(std::wstring(path) + L"\n");
  return 0;
}

int Report(bool found, const e2e::WindowInfo& info) {
  if (!found) return 1;
  const RECT& w = info.window;
  const RECT& c = info.client;
  std::printf("%ld %ld %ld %ld %ld %ld %ld %ld\n", w.left, w.top, w.right - w.left, w.bottom - w.top, c.left, c.top,
              c.right - c.left, c.bottom - c.top);
  Print(info.focusClass + L"\n" + info.title + L"\n");
  return 0;
}

bool ReadRegion(wchar_t** argv, Picture& shot, Rect& region) {
  long x, y, w, h;
  if (!Number(argv[3], x) || !Number(argv[4], y) || !Number(argv[5], w) || !Number(argv[6], h)) return false;
  region = Rect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h)};
  std::string error;
  if (!e2e::ReadPpm(argv[2], shot, error)) {
    std::fprintf(stderr, "sorv_e2e_probe: %s\n", error.c_str());
    return false;
  }
  return true;
}

int Text(int argc, wchar_t** argv) {
  if (argc != 10) return Fail("text SHOT X Y W H FONT RRGGBB TEXT");
  Picture shot;
  Rect region;
  e2e::FontKind kind;
  long colour;
  if (!ReadRegion(argv, shot, region)) return 2;
  if (!e2e::ParseFontKind(argv[7], kind)) return Fail("font: dialog, caption, status, message or placeholder");
  if (!Number((std::wstring(L"0x") + argv[8]).c_str(), colour)) return Fail("colour as RRGGBB");
  e2e::Glyphs glyphs;
  if (!e2e::RenderText(kind, argv[9], glyphs)) return Fail("cannot draw the text");
  const e2e::TextHit hit = e2e::FindText(shot, region, glyphs, static_cast<unsigned>(colour));
  std::printf("%s %d %d %d %d %.3f %.3f\n", hit.found ? "found" : "missing", hit.x, hit.y, glyphs.width, glyphs.height,
              hit.score, hit.weakestBand);
  return hit.found ? 0 : 1;
}

// Quoted for a report: line breaks shown as \r \n.
std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) out += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
  return out + L"\"";
}

int Message(int argc, wchar_t** argv) {
  if (argc < 5) return Fail("message SHOT TITLE PARAGRAPH...");
  e2e::WindowInfo info;
  if (!e2e::WaitForWindow(argv[3], 0, info)) {
    Print(std::wstring(L"no window ") + Quoted(argv[3]) + L"\n");
    return 1;
  }
  std::wstring expected;
  for (int i = 4; i < argc; ++i) expected += (i > 4 ? L"\r\n" : L"") + std::wstring(argv[i]);
  std::wstring actual;
  RECT box;
  if (!e2e::ReadStaticText(info.hwnd, actual, box)) {
    Print(L"no message text in " + Quoted(argv[3]) + L"\n");
    return 1;
  }
  if (actual != expected) {
    Print(L"the message is " + Quoted(actual) + L", not " + Quoted(expected) + L"\n");
    return 1;
  }
  Picture shot;
  std::string error;
  if (!e2e::ReadPpm(argv[2], shot, error)) return Fail(error.c_str());
  const Rect region{box.left, box.top, box.right - box.left, box.bottom - box.top};
  int top = region.y;
  for (int i = 4; i < argc; ++i) {
    if (!argv[i][0]) continue;
    const Rect below{region.x, top, region.width, region.y + region.height - top};
    std::vector<e2e::WrappedLine> lines;
    std::wstring missing;
    const bool found = e2e::FindWrapped(shot, below, e2e::FontKind::Message, 0x000000, argv[i], lines, missing);
    for (const auto& line : lines) {
      std::printf("line %d %d %d %d %.3f: ", line.hit.x, line.hit.y, line.width, line.height, line.hit.score);
      Print(line.text + L"\n");
    }
    if (!found) {
      Print(L"not drawn: " + Quoted(missing) + L"\n");
      return 1;
    }
    top = lines.back().hit.y + lines.back().height;
  }
  return 0;
}

int PictureCommand(int argc, wchar_t** argv) {
  if (argc != 8) return Fail("picture SHOT X Y W H IMAGE");
  Picture shot, image;
  Rect region;
  std::string error;
  if (!ReadRegion(argv, shot, region)) return 2;
  if (!e2e::ReadPpm(argv[7], image, error)) return Fail(error.c_str());
  const e2e::PictureHit hit = e2e::FindPicture(shot, region, image, 8);
  if (!hit.found) {
    std::printf("missing\n");
    return 1;
  }
  std::printf("found %d %d\n", hit.x, hit.y);
  return 0;
}

int Runs(int argc, wchar_t** argv) {
  long at, from, to;
  const bool row = argc == 7 && !std::wcscmp(argv[3], L"row");
  const bool column = argc == 7 && !std::wcscmp(argv[3], L"column");
  if (!(row || column) || !Number(argv[4], at) || !Number(argv[5], from) || !Number(argv[6], to))
    return Fail("runs SHOT row Y X0 X1 | runs SHOT column X Y0 Y1");
  Picture shot;
  std::string error;
  if (!e2e::ReadPpm(argv[2], shot, error)) return Fail(error.c_str());
  for (const auto& run : e2e::LineRuns(shot, column, static_cast<int>(at), static_cast<int>(from), static_cast<int>(to), 8))
    std::printf("%d-%d ", run.first, run.second);
  std::printf("\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Plain "\n" line ends for the script that reads the output.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return Fail("command missing");
  const std::wstring command = argv[1];
  long ms = 0;
  e2e::WindowInfo info;
  if (command == L"pack") return Pack(argc, argv);
  if (command == L"many" && argc == 4 && Number(argv[3], ms)) return Many(argv[2], ms);
  if (command == L"replaceable" && argc == 4 && Number(argv[3], ms)) return Replaceable(argv[2], ms);
  if (command == L"desktop") return Desktop();
  if (command == L"window" && argc == 4 && Number(argv[3], ms))
    return Report(e2e::WaitForWindow(argv[2], static_cast<DWORD>(ms), info), info);
  if (command == L"foreground" && argc == 5 && Number(argv[4], ms))
    return Report(e2e::WaitForForeground(argv[2], std::wcscmp(argv[3], L"-") ? argv[3] : L"", static_cast<DWORD>(ms), info),
                  info);
  if (command == L"gone" && argc == 4 && Number(argv[3], ms))
    return e2e::WaitForNoWindow(argv[2], static_cast<DWORD>(ms)) ? 0 : 1;
  if (command == L"text") return Text(argc, argv);
  if (command == L"message") return Message(argc, argv);
  if (command == L"picture") return PictureCommand(argc, argv);
  if (command == L"runs") return Runs(argc, argv);
  return Fail("unknown command or arguments");
}
