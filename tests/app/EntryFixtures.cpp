#include "tests/app/EntryFixtures.h"

#include <commctrl.h>

#include "package/PackageWriter.h"

namespace fixtures {

void WritePackage(const std::wstring& path, const std::vector<EntrySpec>& entries) {
  sorv::pkg::PackageWriter writer;
  for (const EntrySpec& e : entries) {
    const std::u16string name(e.name.begin(), e.name.end());
    if (e.wrapped)
      writer.AddWrapped(name, e.data);
    else
      writer.Add(name, e.data);
  }
  harness::WriteBytes(path, writer.Build());
}

Bytes SolidBmp(int width, int height, uint32_t rgb) {
  const int stride = (width * 3 + 3) & ~3;
  const uint32_t pixels = static_cast<uint32_t>(stride * height);
  Bytes b;
  auto u16 = [&b](uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  b.push_back('B');
  b.push_back('M');
  u32(54 + pixels);
  u32(0);
  u32(54);
  u32(40);
  u32(static_cast<uint32_t>(width));
  u32(static_cast<uint32_t>(height));
  u16(1);
  u16(24);
  u32(0);
  u32(pixels);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      b.push_back(rgb & 0xFF);
      b.push_back((rgb >> 8) & 0xFF);
      b.push_back((rgb >> 16) & 0xFF);
    }
    for (int pad = width * 3; pad < stride; ++pad) b.push_back(0);
  }
  return b;
}

Bytes PngLike(size_t size) {
  Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  while (b.size() < size) b.push_back(static_cast<uint8_t>(b.size() * 7));
  return b;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

HDROP MakeDrop(const std::vector<std::wstring>& files) {
  size_t chars = 1;
  for (const std::wstring& f : files) chars += f.size() + 1;
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(::GlobalLock(block));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  wchar_t* names = reinterpret_cast<wchar_t*>(header + 1);
  for (const std::wstring& f : files) {
    f.copy(names, f.size());
    names += f.size() + 1;
  }
  ::GlobalUnlock(block);
  return static_cast<HDROP>(block);
}

bool DropReleased(HDROP drop) { return ::GlobalFlags(drop) == GMEM_INVALID_HANDLE; }

std::vector<std::pair<std::wstring, LPARAM>> TreeItems(const CTreeCtrl& tree) {
  std::vector<std::pair<std::wstring, LPARAM>> items;
  for (HTREEITEM h = tree.GetRootItem(); h; h = tree.GetNextSiblingItem(h))
    items.emplace_back(tree.GetItemText(h), tree.GetItemData(h));
  return items;
}

std::vector<std::wstring> TreeTexts(const CTreeCtrl& tree) {
  std::vector<std::wstring> texts;
  for (const auto& item : TreeItems(tree)) texts.push_back(item.first);
  return texts;
}

std::vector<uint32_t> PaintedPixels(int w, int h, const std::function<void(HDC)>& paint) {
  std::vector<uint32_t> out;
  if (w <= 0 || h <= 0) return out;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  paint(dc);
  ::GdiFlush();
  const uint32_t* px = static_cast<const uint32_t*>(bits);
  out.assign(px, px + static_cast<size_t>(w) * h);
  for (uint32_t& p : out) p &= 0xFFFFFF;
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  return out;
}

namespace {

// Bitmap 129 shrunk to fit w x h with its proportions and centred on white, written out
// here from the picture itself.
std::vector<uint32_t> FittedSplash(int w, int h) {
  HBITMAP splash = static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(129), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  const int iw = 300, ih = 240;
  int dw = iw, dh = ih;
  if (iw > w) dw = w, dh = ih * w / iw;
  if (dh > h) dw = dw * h / dh, dh = h;
  std::vector<uint32_t> out = PaintedPixels(w, h, [&](HDC dc) {
    RECT all = {0, 0, w, h};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    HDC source = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(source, splash);
    ::StretchBlt(dc, (w - dw) / 2, (h - dh) / 2, dw, dh, source, 0, 0, iw, ih, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
  });
  ::DeleteObject(splash);
  return out;
}

}  // namespace

PreviewShows ReadPreview(CImageCtrl& preview, uint32_t rgb) {
  RECT client = {};
  preview.GetClientRect(&client);
  const int w = client.right, h = client.bottom;
  const std::vector<uint32_t> px = PaintedPixels(w, h, [&](HDC dc) { preview.Paint(dc); });
  if (px.empty()) return PreviewShows::kOther;
  if (px[static_cast<size_t>(h / 2) * w + w / 2] == rgb) return PreviewShows::kColour;
  if (px == FittedSplash(w, h)) return PreviewShows::kSplash;
  size_t red = 0;
  for (uint32_t p : px) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (r > 200 && g < 80 && b < 80) ++red;
  }
  return red > 0 ? PreviewShows::kPlaceholder : PreviewShows::kOther;
}

void ClickButton(CButton& button) { button.Click(); }

void ChooseFilter(harness::TestDlg& dlg, int index) {
  dlg.m_filter.SetCurSel(index);
  // What the combo box tells its parent when the user picks an entry.
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(dlg.m_filter.GetDlgCtrlID(), CBN_SELCHANGE),
                  reinterpret_cast<LPARAM>(dlg.m_filter.GetHwnd()));
}

void PressKeyInTree(harness::TestDlg& dlg, WPARAM key) {
  ::SetFocus(dlg.m_tree);
  dlg.m_tree.SendMessage(WM_KEYDOWN, key, 1);
  dlg.m_tree.SendMessage(WM_KEYUP, key, 0xC0000001);
  harness::Pump();
}

void ClickTreeItem(harness::TestDlg& dlg, int index) {
  HTREEITEM item = dlg.m_tree.GetRootItem();
  for (int i = 0; i < index && item; ++i) item = dlg.m_tree.GetNextSiblingItem(item);
  RECT rect = {};
  *reinterpret_cast<HTREEITEM*>(&rect) = item;
  if (!item || !dlg.m_tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect))) return;
  POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  const LPARAM at = MAKELPARAM(centre.x, centre.y);
  // The pointer goes there too: a mouse move from elsewhere would start a drag instead.
  ::ClientToScreen(dlg.m_tree, &centre);
  ::SetCursorPos(centre.x, centre.y);
  harness::Pump();
  ::SetFocus(dlg.m_tree);
  // The button goes up while the tree still checks for a drag after the press.
  ::PostMessageW(dlg.m_tree, WM_LBUTTONUP, 0, at);
  dlg.m_tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  harness::Pump();
}

namespace {
void ListFiles(const std::wstring& root, const std::wstring& prefix, std::set<std::wstring>& out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW((root + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(root + L"\\" + name, prefix + name + L"\\", out);
    else
      out.insert(prefix + name);
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
}
}  // namespace

bool CommandsEnabled(const harness::TestDlg& dlg) {
  return ::IsWindowEnabled(dlg.m_btnOpen) && ::IsWindowEnabled(dlg.m_btnSave) && ::IsWindowEnabled(dlg.m_btnExport) &&
         ::IsWindowEnabled(dlg.m_editPath);
}

std::set<std::wstring> FilesBelow(const std::wstring& root) {
  std::set<std::wstring> files;
  ListFiles(root, L"", files);
  return files;
}

}  // namespace fixtures
