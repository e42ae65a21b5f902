// The main window: package path, type filter, entry tree, preview, save and export, with a
// status bar at the bottom holding the counts and the maker's link.
//
// One class in several files, by what the user does:
//   CSorvResDlg.cpp          set-up, placement, the message switch and OnCommand, where
//                            every command (button, shortcut, tree menu item) is one case
//   CSorvResDlgEntries.cpp   opening (button, drop), the entry list, the filter and the
//                            tree's fill, the selection's preview, the message pump
//   CSorvResDlgExport.cpp    saving the selected entry and exporting listed entries
//   CSorvResDlgCommands.cpp  the shortcuts' table and hook, the tree's context menu, Esc and
//                            the close box during work, the quick end, the dialogs' folders
//   CSorvResDlgFind.cpp      find by name (Ctrl+F, F3, Shift+F3)
//   CSorvResDlgFolders.cpp   the folder view and one folder's export
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "app/CLinkCtrlEx.h"
#include "app/EntryList.h"
#include "app/FolderTree.h"
#include "app/WorkText.h"
#include "framework/CButton.h"
#include "framework/CComboBox.h"
#include "framework/CDialog.h"
#include "framework/CEdit.h"
#include "framework/CFindDialog.h"
#include "framework/CStatusBar.h"
#include "framework/CTreeCtrl.h"
#include "layout/CPositionWnd.h"
#include "package/CSorvResFile.h"
#include "preview/CImageCtrl.h"
#include "rules/ExportFolderWin.h"

class CSorvResDlg : public CDialog {
 public:
  explicit CSorvResDlg(HWND parent = nullptr);
  ~CSorvResDlg() override;

  static const int kMinTrackWidth = 480;
  static const int kMinTrackHeight = 350;

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnCommand(UINT code, UINT id) override;
  // Esc and the close box end the program, except during an export, which they stop.
  void OnCancel() override;

  // Commands of the window (loading, filtering, preview, save and export).
  void OnOpenFile();
  void OnSaveFile();
  void OnExportAll();
  void OnFilterChanged();
  // The filter's list closed: a choice made in it with the keys is applied now.
  void OnFilterCloseUp();
  LRESULT OnTreeSelChanged(const NMTREEVIEWW* notification);
  void OnDropFiles(HDROP drop);

  // Loading a package and the entry tree.
  void LoadPackage(std::wstring path);
  void ClearItems();
  // Empties the tree (and unlists the entries) with its redrawing off.
  void ClearTree();
  void BuildItems();
  // Filters the entry list and mirrors what it lists into the tree and the status bar.
  void FillTree();
  // Inserts listed entry `index` into the tree; false when the tree could not take it.
  bool InsertListed(uint32_t index);
  void ShowPreview(RESITEM* item);
  // Handles every waiting message of the thread, then returns.
  void PumpMessages();

  // Saving and exporting.
  static std::wstring MakeSaveName(const std::wstring& storedName);
  // Asks for a folder and writes `entries` (indexes of listed entries, in index order)
  // below it, with progress and the final message: "全部导出" and "导出此文件夹".
  void ExportEntries(const std::vector<uint32_t>& entries);
  // Writes `entries` below `folder` as one export plan decides; returns how many were not
  // written, and names the first of them in `named`. Runs no message loop.
  size_t ExportListed(const std::wstring& folder, const std::vector<uint32_t>& entries,
                      std::vector<sorv::app::NotExportedEntry>* named = nullptr);
  // Adds an entry that was not written, with the plan's refusal or what the writer met.
  static void NameNotExported(std::vector<sorv::app::NotExportedEntry>& named, const RESENTRY* entry,
                              sorv::rules::ExportRefusal refusal, const sorv::rules::WriteResult& result);
  // Called before each listed entry of an export is written (index in the listed order).
  virtual void OnExportEntry(size_t /*index*/, size_t /*count*/) {}
  // A message box with the system's text for `code`.
  void ShowSystemError(DWORD code);

  // Keeps the nine controls where they belong for the current client size.
  void ApplyFixedPlacement();

  HICON m_hIcon;
  CSorvResFile m_resFile;
  // The entry list, in index order, and the entries listed in the tree in tree order (so
  // that the export walks them without two tree messages per item: the tree checks each
  // handle it is given). The tree items' data name its entries by index.
  sorv::app::EntryList m_entries;
  CButton m_btnOpen;
  std::wstring m_strPackagePath;
  CTreeCtrl m_tree;
  CImageCtrl m_preview;
  CPositionWnd m_layout;  // the layout root: this window and every window below it
  CLinkCtrlEx m_link;
  CComboBox m_filter;
  CEdit m_editPath;
  CEdit m_editName;
  CButton m_btnExport;
  CButton m_btnSave;
  CStatusBar m_statusBar;
  // True while a load, a save or an export runs: their message pumping and dialogs must
  // not start another one that would close the package under them.
  bool m_bBusy = false;
  HWND m_hFocusBeforeWork = nullptr;  // the control that had the focus when work began
  // During a refill: the index of the entry selected before it (kNoEntry for none), and
  // its new tree item once inserted.
  static const size_t kNoEntry = static_cast<size_t>(-1);
  size_t m_reselect = kNoEntry;
  HTREEITEM m_reselectItem = nullptr;
  // The entry the name box and the preview show, or null.
  RESITEM* m_shownItem = nullptr;

  // Where the dialogs start, for this run of the program only (nothing is kept on disk):
  // the folder of the last package opened, of the last file saved, the last export folder.
  std::wstring m_lastPackageFolder;
  std::wstring m_lastSaveFolder;
  std::wstring m_lastExportFolder;
  void RememberPackageFolder(const std::wstring& packagePath);
  void RememberSaveFolder(const std::wstring& savedPath);

  // Ctrl+O, Ctrl+S and Ctrl+E, translated in the dialog's message loop.
  HACCEL m_hAccel = nullptr;
  HHOOK m_hMsgFilter = nullptr;
  static LRESULT CALLBACK MsgFilterProc(int code, WPARAM wParam, LPARAM lParam);
  void InstallAccelerators();
  void RemoveAccelerators();
  // A right click on the tree: selects the item under the pointer and offers save and export.
  void OnTreeRightClick();
  // Shows the tree's menu at `screen` for the item clicked (or none); the command chosen, or 0.
  UINT TrackTreeMenu(POINT screen, HTREEITEM clicked);

  // Find by name (CSorvResDlgFind.cpp): Ctrl+F opens the system's Find dialog, its "find
  // next" and F3 / Shift+F3 select the next / previous listed entry whose stored name
  // holds the text or matches the pattern.
  void OnFind();
  void OnFindMessage(LPARAM lParam);
  void FindAgain(bool down);
  CFindDialog m_findDialog;
  std::wstring m_findText;
  bool m_findMatchCase = false;

  // The folder view (CSorvResDlgFolders.cpp): the tree shows the listed entries' folders,
  // each filled when first expanded. Tree items of folders carry FolderData(index).
  void OnToggleFolderView();
  void FillFolderView();
  void OnTreeItemExpanding(const NMTREEVIEWW* notification);
  void InsertFolderChildren(uint32_t folder, HTREEITEM parent);
  void ShowFolder(uint32_t folder);
  void OnExportFolder(uint32_t folder);
  // The tree item of listed entry `position`, with the folders above it opened; null when
  // it is not in the tree.
  HTREEITEM RevealListed(size_t position);
  // Adds "导出此文件夹" for a folder (else removes it) and checks "按文件夹显示".
  void PrepareTreeMenu(HMENU popup, HTREEITEM clicked);
  // A tree item's data: an entry's index (EntryData, even and never 0), or a folder of
  // the folder view (FolderData, odd).
  static LPARAM EntryData(size_t index) { return static_cast<LPARAM>(index + 1) << 1; }
  static size_t IndexOfData(LPARAM data) {
    return (data == 0 || (data & 1)) ? kNoEntry : static_cast<size_t>(data >> 1) - 1;
  }
  // The record of the entry behind a tree item's data (made when first asked for), or null.
  RESITEM* EntryOfData(LPARAM data) const {
    const size_t index = IndexOfData(data);
    return index < m_entries.Count() ? &m_entries.Item(index) : nullptr;
  }
  static bool IsFolderData(LPARAM data) { return (data & 1) != 0; }
  static LPARAM FolderData(uint32_t folder) { return (static_cast<LPARAM>(folder) << 1) | 1; }
  static uint32_t FolderOfData(LPARAM data) { return static_cast<uint32_t>(data >> 1); }
  // Explorer's order of names ("a2" before "a10").
  static int CompareNames(const wchar_t* a, const wchar_t* b);
  bool m_folderView = false;
  sorv::app::FolderTree m_folders{&CSorvResDlg::CompareNames};
  // The tree items of the listed entries by listed position: all of them in the flat list;
  // in the folder view those of the opened folders only, so a big package costs nothing
  // per entry there. Null when not in the tree.
  HTREEITEM ListedItem(size_t position) const;
  std::vector<HTREEITEM> m_listedItems;
  std::unordered_map<uint32_t, HTREEITEM> m_openedItems;
  // The folders' tree items, null until inserted.
  std::vector<HTREEITEM> m_folderItems;

 public:
  // The program's own window: when it goes, the process ends with it at once (the package
  // released first), without taking the tree apart item by item.
  void EndProcessWithWindow() { m_bEndProcess = true; }

 protected:
  bool m_bEndProcess = false;
  void EndProcessNow();

 private:
  // Open, Save, Export and the path box, in that order.
  void EnableCommands(BOOL enable);

  void OnSysCommand(WPARAM command, LPARAM lParam, LRESULT& result);
  bool OnPaintIconic();
  void OnSize(WPARAM type, LPARAM size);
};
