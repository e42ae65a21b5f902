// Two long operations of the main window, each against a bare loop of the platform calls
// that do the same visible work:
// - loading a package of 100,000 entries until the tree is filled, against TVM_INSERTITEM
//   of the same display names into the same tree with redrawing off;
// - exporting 10,000 entries in nested folders, against creating the same folders and
//   files with CreateDirectoryW, CreateFileW, WriteFile and CloseHandle.
// Rounds alternate between the two sides; the figures are medians and best rounds, with
// every round printed, since a shared machine makes single rounds vary by 2x.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CFolderDlg.h"
#include "framework/CPlatformUi.h"
#include "app/CSorvResDlg.h"
#include "app/CWorkProgress.h"
#include "package/PackageWriter.h"
#include "bench/BenchClock.h"
#include "tests/support/FileTree.h"

namespace {

const int kLoadEntries = 100000;
const int kExportEntries = 10000;
const int kLoadRounds = 7;
const int kExportRounds = 5;  // each round writes and removes 10,000 files


double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The chooser answers with a fixed folder; the final message is not shown.
class BenchUi : public CPlatformUi {
 public:
  int ShowMessage(HWND, const std::wstring& text) override {
    last = text;
    return IDOK;
  }
  INT_PTR RunModal(CDialog& dialog) override {
    static_cast<CFolderDlg&>(dialog).SetFolderPath(folder);
    return IDOK;
  }
  std::wstring folder;
  std::wstring last;
};

class BenchDlg : public CSorvResDlg {
 public:
  using CSorvResDlg::LoadPackage;
  using CSorvResDlg::OnExportAll;
  using CSorvResDlg::OnFilterChanged;
  using CSorvResDlg::m_filter;
  using CSorvResDlg::m_tree;
};

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}



void Report(const char* what, const std::vector<double>& ours, const std::vector<double>& bare) {
  const double a = Median(ours), b = Median(bare);
  const double bestA = *std::min_element(ours.begin(), ours.end());
  const double bestB = *std::min_element(bare.begin(), bare.end());
  std::printf("%-34s %9.1f ms %9.1f ms %6.2f   best %.0f / %.0f ms = %.2f\n", what, a * 1000, b * 1000, a / b,
              bestA * 1000, bestB * 1000, bestA / bestB);
  std::printf("  rounds (window/bare, ms):");
  for (size_t i = 0; i < ours.size(); ++i) std::printf(" %.0f/%.0f", ours[i] * 1000, bare[i] * 1000);
  std::printf("\n");
}

void BareInsert(CTreeCtrl& tree, const std::vector<std::wstring>& texts) {
  tree.SendMessage(WM_SETREDRAW, FALSE);
  for (const std::wstring& text : texts) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<LPWSTR>(text.c_str());
    tree.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
  }
  tree.SendMessage(WM_SETREDRAW, TRUE);
}

void BareDelete(CTreeCtrl& tree) {
  tree.SendMessage(WM_SETREDRAW, FALSE);
  tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  tree.SendMessage(WM_SETREDRAW, TRUE);
}

void BenchLoad(BenchDlg& dlg, const std::wstring& dir) {
  static const wchar_t* const kExt[] = {L"png", L"xml", L"lua", L"gft", L"jpg"};
  sorv::pkg::PackageWriter writer;
  std::vector<std::wstring> shown;  // what the tree shows: file name and extension
  for (int i = 0; i < kLoadEntries; ++i) {
    wchar_t name[96];
    swprintf(name, 96, L"skin%02d\\panel%03d\\item%06d.%ls", i / 5000, (i / 50) % 100, i, kExt[i % 5]);
    const std::wstring w = name;
    writer.Add(std::u16string(w.begin(), w.end()), {1, 2, 3, 4});
    shown.push_back(w.substr(w.rfind(L'\\') + 1));
  }
  const std::wstring package = dir + L"\\load.rdb", empty = dir + L"\\empty.rdb";
  WriteFileBytes(package, writer.Build());
  WriteFileBytes(empty, sorv::pkg::PackageWriter().Build());

  std::vector<double> ours, bare;
  for (int round = 0; round < kLoadRounds; ++round) {
    dlg.LoadPackage(empty);  // nothing of the last round left to clear
    Pump();
    double t = Now();
    dlg.LoadPackage(package);
    ours.push_back(Now() - t);
    if (dlg.m_tree.GetCount() != static_cast<UINT>(kLoadEntries)) std::printf("load: tree holds %u\n", dlg.m_tree.GetCount());

    dlg.LoadPackage(empty);
    Pump();
    t = Now();
    BareInsert(dlg.m_tree, shown);
    Pump();  // the tree paints, as after the load
    bare.push_back(Now() - t);
    if (dlg.m_tree.GetCount() != static_cast<UINT>(kLoadEntries)) std::printf("bare: tree holds %u\n", dlg.m_tree.GetCount());
    dlg.m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  }
  Report("load 100,000 entries into the tree", ours, bare);
  dlg.LoadPackage(empty);
}

// The export benchmarks' package: 20 top folders of 100 subfolders of 5 files each, every
// file `data`: 10,000 files in 2,020 folders. Written to `package` and loaded; returns the
// entries' names.
std::vector<std::wstring> LoadExportPackage(BenchDlg& dlg, const std::wstring& package,
                                            const std::vector<uint8_t>& data) {
  sorv::pkg::PackageWriter writer;
  std::vector<std::wstring> names;
  for (int i = 0; i < kExportEntries; ++i) {
    wchar_t name[64];
    swprintf(name, 64, L"top%02d\\sub%03d\\file%05d.bin", i / 500, (i / 5) % 100, i);
    names.push_back(name);
    writer.Add(std::u16string(names.back().begin(), names.back().end()), data);
  }
  WriteFileBytes(package, writer.Build());
  dlg.LoadPackage(package);
  return names;
}

void BenchExport(BenchDlg& dlg, BenchUi& ui, const std::wstring& dir) {
  std::vector<uint8_t> data(512);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
  const std::vector<std::wstring> names = LoadExportPackage(dlg, dir + L"\\export.rdb", data);

  // Every round writes into fresh folders and nothing is removed until the end, so no
  // round pays for the freeing of an earlier one; the side that goes first alternates. Then
  // the same again into the same folders: every file exists and is replaced.
  std::vector<double> ours(kExportRounds), bare(kExportRounds), oursAgain(kExportRounds), bareAgain(kExportRounds);
  std::vector<std::wstring> written;
  for (int round = 0; round < kExportRounds; ++round) {
    const std::wstring oursDir = dir + L"\\ours" + std::to_wstring(round);
    const std::wstring bareDir = dir + L"\\bare" + std::to_wstring(round);
    CreateDirectoryW(oursDir.c_str(), nullptr);
    CreateDirectoryW(bareDir.c_str(), nullptr);
    written.push_back(oursDir);
    written.push_back(bareDir);
    for (int pass = 0; pass < 2; ++pass) {
      for (int side = 0; side < 2; ++side) {
        if ((side + round) % 2 == 0) {
          ui.folder = oursDir + L"\\";
          const double t = Now();
          dlg.OnExportAll();
          (pass == 0 ? ours : oursAgain)[round] = Now() - t;
          if (ui.last != L"导出文件完成!") std::printf("export: unexpected final message\n");
        } else {
          const double t = Now();
          std::wstring lastTop, lastSub;
          for (const std::wstring& name : names) {
            const size_t a = name.find(L'\\'), b = name.rfind(L'\\');
            const std::wstring top = bareDir + L"\\" + name.substr(0, a);
            const std::wstring sub = bareDir + L"\\" + name.substr(0, b);
            if (top != lastTop) CreateDirectoryW(top.c_str(), nullptr), lastTop = top;
            if (sub != lastSub) CreateDirectoryW(sub.c_str(), nullptr), lastSub = sub;
            HANDLE h = CreateFileW((bareDir + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD count = 0;
            WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &count, nullptr);
            CloseHandle(h);
          }
          (pass == 0 ? bare : bareAgain)[round] = Now() - t;
        }
      }
    }
  }
  for (const std::wstring& folder : written) RemoveTree(folder);
  Report("export 10,000 entries in folders", ours, bare);
  Report("export 10,000 over existing files", oursAgain, bareAgain);
}


// The names of the 100,000-entry package and what the tree shows for them.
struct BigPackage {
  std::wstring path, small;
  std::vector<std::wstring> shown;      // every entry's display name
  std::vector<std::wstring> images;     // those the "all images" filter lists
  std::vector<std::wstring> smallShown;
};

BigPackage MakeBigPackage(const std::wstring& dir) {
  static const wchar_t* const kExt[] = {L"png", L"xml", L"lua", L"gft", L"jpg"};
  BigPackage p;
  sorv::pkg::PackageWriter writer, small;
  for (int i = 0; i < kLoadEntries; ++i) {
    wchar_t name[96];
    swprintf(name, 96, L"skin%02d\\panel%03d\\item%06d.%ls", i / 5000, (i / 50) % 100, i, kExt[i % 5]);
    const std::wstring w = name;
    writer.Add(std::u16string(w.begin(), w.end()), {1, 2, 3, 4});
    p.shown.push_back(w.substr(w.rfind(L'\\') + 1));
    if (i % 5 == 0 || i % 5 >= 3) p.images.push_back(p.shown.back());
  }
  for (int i = 0; i < 10; ++i) {
    const std::wstring w = L"small" + std::to_wstring(i) + L".png";
    small.Add(std::u16string(w.begin(), w.end()), {1});
    p.smallShown.push_back(w);
  }
  p.path = dir + L"\\big.rdb";
  p.small = dir + L"\\small.rdb";
  WriteFileBytes(p.path, writer.Build());
  WriteFileBytes(p.small, small.Build());
  return p;
}

// The bare side of a switch or a refill: the tree replacing what it holds with `texts`
// (timed), then emptied.
double TimeBareReplace(CTreeCtrl& tree, const std::vector<std::wstring>& texts) {
  Pump();
  const double t = Now();
  BareDelete(tree);
  BareInsert(tree, texts);
  Pump();
  const double elapsed = Now() - t;
  BareDelete(tree);
  return elapsed;
}

// Switching from the big package to a small one, a filter change on the big one, and
// ending the window with the big one loaded; each against the bare tree doing the same
// deletions and insertions with redrawing off.
void BenchTreeWork(BenchDlg& dlg, const BigPackage& big, int rounds) {
  std::vector<double> switchOurs, switchBare, filterOurs, filterBare, endOurs, endBare;
  for (int round = 0; round < rounds; ++round) {
    dlg.m_filter.SetCurSel(0);
    dlg.LoadPackage(big.path);
    Pump();
    double t = Now();
    dlg.LoadPackage(big.small);
    Pump();
    switchOurs.push_back(Now() - t);
    dlg.LoadPackage(big.small);
    BareInsert(dlg.m_tree, big.shown);
    switchBare.push_back(TimeBareReplace(dlg.m_tree, big.smallShown));

    dlg.LoadPackage(big.path);
    Pump();
    dlg.m_filter.SetCurSel(1);
    t = Now();
    dlg.OnFilterChanged();
    Pump();
    filterOurs.push_back(Now() - t);
    if (dlg.m_tree.GetCount() != big.images.size()) std::printf("filter: tree holds %u\n", dlg.m_tree.GetCount());
    dlg.m_filter.SetCurSel(0);
    dlg.LoadPackage(big.small);
    BareDelete(dlg.m_tree);
    BareInsert(dlg.m_tree, big.shown);
    filterBare.push_back(TimeBareReplace(dlg.m_tree, big.images));

    {
      BenchDlg ending;
      ending.Create(nullptr);
      Pump();
      ending.LoadPackage(big.path);
      Pump();
      t = Now();
      ::DestroyWindow(ending);
      Pump();
      endOurs.push_back(Now() - t);
    }
    dlg.LoadPackage(big.small);
    BareDelete(dlg.m_tree);
    BareInsert(dlg.m_tree, big.shown);
    Pump();
    t = Now();
    BareDelete(dlg.m_tree);
    Pump();
    endBare.push_back(Now() - t);
  }
  Report("switch 100,000 -> 10 entries", switchOurs, switchBare);
  Report("filter change 100,000 -> 60,000", filterOurs, filterBare);
  Report("end the window with 100,000", endOurs, endBare);
}

// What the progress display costs: the load and the export with it, and with its display
// and message handling switched off (an interval that never passes).
void BenchProgressCost(BenchDlg& dlg, BenchUi& ui, const BigPackage& big, const std::wstring& dir, int rounds) {
  std::vector<double> loadOn, loadOff;
  for (int round = 0; round < rounds; ++round) {
    for (int side = 0; side < 2; ++side) {
      const bool on = (side + round) % 2 == 0;
      CWorkProgress::SetInterval(on ? CWorkProgress::kDefaultInterval : 0xFFFFFFFF);
      dlg.LoadPackage(big.small);
      Pump();
      const double t = Now();
      dlg.LoadPackage(big.path);
      (on ? loadOn : loadOff).push_back(Now() - t);
    }
  }
  CWorkProgress::SetInterval(CWorkProgress::kDefaultInterval);
  Report("load 100,000: progress on / off", loadOn, loadOff);

  // 10,000 entries of 512 bytes, as in the export benchmark.
  LoadExportPackage(dlg, dir + L"\\progress-export.rdb", std::vector<uint8_t>(512, 7));
  std::vector<double> exportOn, exportOff;
  std::vector<std::wstring> written;
  for (int round = 0; round < rounds; ++round) {
    for (int side = 0; side < 2; ++side) {
      const bool on = (side + round) % 2 == 0;
      const std::wstring out = dir + L"\\progress" + std::to_wstring(round) + (on ? L"on" : L"off");
      CreateDirectoryW(out.c_str(), nullptr);
      written.push_back(out);
      ui.folder = out + L"\\";
      CWorkProgress::SetInterval(on ? CWorkProgress::kDefaultInterval : 0xFFFFFFFF);
      const double t = Now();
      dlg.OnExportAll();
      (on ? exportOn : exportOff).push_back(Now() - t);
    }
  }
  CWorkProgress::SetInterval(CWorkProgress::kDefaultInterval);
  for (const std::wstring& folder : written) RemoveTree(folder);
  Report("export 10,000: progress on / off", exportOn, exportOff);
}

// The progress display's share of a load, a filter change and an export, measured inside
// the work: the time its displays (pane text, message handling) took against the whole.
void BenchProgressShare(BenchDlg& dlg, BenchUi& ui, const BigPackage& big, const std::wstring& dir) {
  struct Share {
    double before, count, start;
  };
  auto begin = [] { return Share{CWorkProgress::DisplaySeconds(), static_cast<double>(CWorkProgress::DisplayCount()), Now()}; };
  auto report = [](const char* what, const Share& s) {
    const double total = Now() - s.start;
    const double shown = CWorkProgress::DisplaySeconds() - s.before;
    std::printf("%-34s %9.1f ms, %4.0f displays taking %7.1f ms = %.2f%%\n", what, total * 1000,
                CWorkProgress::DisplayCount() - s.count, shown * 1000, 100 * shown / total);
  };
  dlg.m_filter.SetCurSel(0);
  dlg.LoadPackage(big.small);
  Pump();
  Share s = begin();
  dlg.LoadPackage(big.path);
  report("load 100,000 (progress share)", s);
  dlg.m_filter.SetCurSel(1);
  s = begin();
  dlg.OnFilterChanged();
  report("filter 100,000 -> 60,000 (share)", s);
  dlg.m_filter.SetCurSel(0);
  dlg.LoadPackage(big.small);

  LoadExportPackage(dlg, dir + L"\\share-export.rdb", std::vector<uint8_t>(512, 7));
  const std::wstring out = dir + L"\\share-out";
  CreateDirectoryW(out.c_str(), nullptr);
  ui.folder = out + L"\\";
  s = begin();
  dlg.OnExportAll();
  report("export 10,000 (progress share)", s);
  RemoveTree(out);
}

// Ending the window with `count` entries loaded, against the bare tree's deletion of the
// same count (one round each; a million takes minutes).
void BenchEndLarge(BenchDlg& dlg, const std::wstring& dir, int count) {
  sorv::pkg::PackageWriter writer;
  std::vector<std::wstring> shown;
  for (int i = 0; i < count; ++i) {
    const std::wstring w = L"d" + std::to_wstring(i / 1000) + L"\\e" + std::to_wstring(i) + L".png";
    writer.Add(std::u16string(w.begin(), w.end()), {1});
    shown.push_back(L"e" + std::to_wstring(i) + L".png");
  }
  const std::wstring package = dir + L"\\large.rdb";
  WriteFileBytes(package, writer.Build());
  double t;
  {
    BenchDlg ending;
    ending.Create(nullptr);
    Pump();
    t = Now();
    ending.LoadPackage(package);
    std::printf("large: load %d entries %.1f s\n", count, Now() - t);
    t = Now();
    ::DestroyWindow(ending);
    Pump();
  }
  const double ours = Now() - t;
  BareInsert(dlg.m_tree, shown);
  t = Now();
  BareDelete(dlg.m_tree);
  const double bare = Now() - t;
  std::printf("end the window with %d: %.1f s, bare delete %.1f s, ratio %.2f\n", count, ours, bare, ours / bare);
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF | ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);
  BenchUi ui;
  CPlatformUi::Install(&ui);

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"sorvres-bench-app-" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  {
    BenchDlg dlg;
    if (!dlg.Create(nullptr)) {
      std::printf("the main dialog could not be made\n");
      return 1;
    }
    Pump();
    std::printf("%-34s %12s %12s %6s\n", "operation (median)", "window", "bare", "ratio");
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "load") BenchLoad(dlg, dir);
    if (only.empty() || only == "load" || only == "export") BenchExport(dlg, ui, dir);
    if (only.empty() || only == "tree") {
      const BigPackage big = MakeBigPackage(dir);
      BenchTreeWork(dlg, big, 3);
      BenchProgressCost(dlg, ui, big, dir, 3);
    }
    if (only == "share") BenchProgressShare(dlg, ui, MakeBigPackage(dir), dir);
    if (only == "end") BenchEndLarge(dlg, dir, argc > 2 ? std::atoi(argv[2]) : 1000000);
  }
  RemoveTree(dir);
  CPlatformUi::Install(nullptr);
  return 0;
}
