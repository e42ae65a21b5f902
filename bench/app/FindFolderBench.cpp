// Find by name and the folder view, measured in the real main dialog under Wine:
//   find      a find pass over 100,000 listed names that matches none, against a bare loop
//             doing the same comparison over the same names;
//   expand    opening a folder of 20,000 files in the folder view, against the bare tree
//             inserting the same 20,000 items;
//   make P    writes a package of 1,000,000 entries in three folder levels to P;
//   window P  in the folder view: opening P until the top level shows, switching to a small
//             package, and ending the window, 5 rounds, each beside the package reader
//             opening P alone (compared with `rdbtool list P` run natively in the same
//             run, see bench/README.md).
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/CSorvResDlg.h"
#include "bench/BenchClock.h"
#include "framework/CPlatformUi.h"
#include "package/PackageWriter.h"
#include "platform/TextRules.h"

namespace {

class QuietUi : public CPlatformUi {
 public:
  int ShowMessage(HWND, const std::wstring&) override { return IDOK; }
};

class BenchDlg : public CSorvResDlg {
 public:
  using CSorvResDlg::FindAgain;
  using CSorvResDlg::LoadPackage;
  using CSorvResDlg::OnToggleFolderView;
  using CSorvResDlg::m_entries;
  using CSorvResDlg::m_findText;
  using CSorvResDlg::m_tree;
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  return std::wstring(base) + name;
}

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

void Report(const char* what, const std::vector<double>& ours, const std::vector<double>& bare) {
  std::printf("%s: ours median %.1f ms, bare median %.1f ms, ratio %.2f; rounds ours/bare:", what,
              Median(ours) * 1000, Median(bare) * 1000, Median(ours) / Median(bare));
  for (size_t i = 0; i < ours.size(); ++i) std::printf(" %.1f/%.1f", ours[i] * 1000, bare[i] * 1000);
  std::printf("\n");
}

// The comparison the find makes, written out: ASCII case and separators folded, the text
// looked for at every place of the name.
bool BareContains(const wchar_t* name, const std::u16string& text) {
  const size_t length = std::wcslen(name);
  const size_t n = text.size();
  if (length < n) return false;
  auto fold = [](wchar_t c) -> char16_t {
    return sorv::IsSeparator(static_cast<char16_t>(c)) ? u'/' : sorv::LowerAscii(static_cast<char16_t>(c));
  };
  for (size_t i = 0; i + n <= length; ++i) {
    if (fold(name[i]) != text[0]) continue;
    size_t k = 1;
    while (k < n && fold(name[i + k]) == text[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

void BenchFind() {
  const std::wstring package = TempFile(L"sorv-bench-find.rdb");
  sorv::pkg::PackageWriter writer;
  for (int i = 0; i < 100000; ++i)
    writer.Add(U16(L"ui\\skin" + std::to_wstring(i % 100) + L"\\button_" + std::to_wstring(i) + L".png"), {1});
  WriteFileBytes(package, writer.Build());
  BenchDlg dlg;
  dlg.Create();
  dlg.LoadPackage(package);
  std::vector<double> ours, bare;
  const std::u16string text = u"nomatch";
  for (int round = 0; round < 9; ++round) {
    dlg.m_findText = L"nomatch";
    double t = Now();
    dlg.FindAgain(true);
    ours.push_back(Now() - t);
    t = Now();
    size_t found = 0;
    for (uint32_t index : dlg.m_entries.Listed())
      if (BareContains(dlg.m_entries.Entry(index).pszName, text)) ++found;
    bare.push_back(Now() - t);
    if (found) std::printf("unexpected match\n");
  }
  Report("find over 100,000 names, no match", ours, bare);
  dlg.LoadPackage(L"");
  DeleteFileW(package.c_str());
}

void BenchExpand() {
  const std::wstring package = TempFile(L"sorv-bench-expand.rdb");
  sorv::pkg::PackageWriter writer;
  std::vector<std::wstring> names;
  for (int i = 0; i < 20000; ++i) names.push_back(L"file_" + std::to_wstring(i) + L".png");
  for (const std::wstring& name : names) writer.Add(U16(L"big\\" + name), {1});
  WriteFileBytes(package, writer.Build());
  // The names in the order the folder shows them.
  std::vector<std::wstring> sorted = names;
  std::sort(sorted.begin(), sorted.end(),
            [](const std::wstring& a, const std::wstring& b) { return StrCmpLogicalW(a.c_str(), b.c_str()) < 0; });
  BenchDlg dlg;
  dlg.Create();
  dlg.OnToggleFolderView();
  std::vector<double> ours, bare;
  for (int round = 0; round < 7; ++round) {
    dlg.LoadPackage(package);  // the folder "big", closed
    Pump();
    const HTREEITEM big = dlg.m_tree.GetRootItem();
    double t = Now();
    dlg.m_tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(big));
    ours.push_back(Now() - t);
    dlg.m_tree.SendMessage(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(big));
    // Bare: the same 20,000 items under one parent of the same tree, redrawing off.
    dlg.m_tree.SetRedraw(FALSE);
    dlg.m_tree.DeleteAllItems();
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    insert.item.pszText = const_cast<LPWSTR>(L"big");
    insert.item.cChildren = 1;
    const HTREEITEM parent = reinterpret_cast<HTREEITEM>(dlg.m_tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    dlg.m_tree.SetRedraw(TRUE);
    Pump();
    t = Now();
    dlg.m_tree.SetRedraw(FALSE);
    insert.hParent = parent;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    for (const std::wstring& name : sorted) {
      insert.item.pszText = const_cast<LPWSTR>(name.c_str());
      dlg.m_tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    }
    dlg.m_tree.SetRedraw(TRUE);
    bare.push_back(Now() - t);
    dlg.m_tree.DeleteAllItems();
  }
  Report("expand a folder of 20,000 files", ours, bare);
  DeleteFileW(package.c_str());
}

void MakeBig(const std::wstring& path) {
  sorv::pkg::PackageWriter writer;
  for (int i = 0; i < 1000000; ++i)
    writer.Add(U16(L"d" + std::to_wstring(i / 10000) + L"\\s" + std::to_wstring(i / 100 % 100) + L"\\f" +
                   std::to_wstring(i) + L".png"),
               {});
  WriteFileBytes(path, writer.Build());
}

void BenchWindow(const std::wstring& path) {
  const std::wstring small = TempFile(L"sorv-bench-small.rdb");
  sorv::pkg::PackageWriter writer;
  writer.Add(u"a\\b.png", {1});
  writer.Add(u"c.xml", {2});
  WriteFileBytes(small, writer.Build());
  std::vector<double> open, sw, end, reader;
  for (int round = 0; round < 5; ++round) {
    BenchDlg* dlg = new BenchDlg();
    dlg->Create();
    dlg->OnToggleFolderView();
    Pump();
    double t = Now();
    dlg->LoadPackage(path);
    dlg->UpdateWindow();
    open.push_back(Now() - t);
    t = Now();
    dlg->LoadPackage(small);
    dlg->UpdateWindow();
    sw.push_back(Now() - t);
    dlg->LoadPackage(path);
    Pump();
    t = Now();
    delete dlg;  // the window and everything it holds
    end.push_back(Now() - t);
    // The package reader alone on the same file: the part of the open that is not the window's.
    t = Now();
    {
      CSorvResFile file;
      if (!file.Open(path.c_str(), FILE_SHARE_READ)) std::printf("the reader could not open the package\n");
    }
    reader.push_back(Now() - t);
  }
  std::printf("window, folder view, 1,000,000 entries (medians of 5): open %.0f ms, switch %.0f ms, end %.0f ms\n",
              Median(open) * 1000, Median(sw) * 1000, Median(end) * 1000);
  Report("open in the window against the reader opening the same package", open, reader);
  DeleteFileW(small.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  InitCommonControls();
  QuietUi ui;
  CPlatformUi::Install(&ui);
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"find") BenchFind();
  if (mode == L"expand") BenchExpand();
  if (mode == L"make" && argc > 2) MakeBig(argv[2]);
  if (mode == L"window" && argc > 2) BenchWindow(argv[2]);
  CPlatformUi::Install(nullptr);
  std::fflush(stdout);
  return 0;
}
