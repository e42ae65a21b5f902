// Packages, drops and preview readings for the main window's command tests.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/MainDialogHarness.h"

namespace fixtures {

using Bytes = std::vector<uint8_t>;

struct EntrySpec {
  std::wstring name;
  Bytes data;
  bool wrapped = false;  // stored behind a "TGF\0" header
};

// Writes a package of `entries` (made by the package writer) to `path`.
void WritePackage(const std::wstring& path, const std::vector<EntrySpec>& entries);

// A 24-bit bottom-up BMP of one colour (0xRRGGBB).
Bytes SolidBmp(int width, int height, uint32_t rgb);
// Bytes that the reader recognises as a PNG (the signature and some data); not decodable.
Bytes PngLike(size_t size);
Bytes Text(const std::string& text);

// A drop handle as the shell makes it: DROPFILES with wide names, ready for WM_DROPFILES.
HDROP MakeDrop(const std::vector<std::wstring>& files);
// True when `drop` has been released (DragFinish frees the block).
bool DropReleased(HDROP drop);

// The tree's root items, in order: text and item data.
std::vector<std::pair<std::wstring, LPARAM>> TreeItems(const CTreeCtrl& tree);
std::vector<std::wstring> TreeTexts(const CTreeCtrl& tree);

// Paints into a fresh w x h 32-bit top-down bitmap and returns its pixels (0x00RRGGBB, top
// row first); none for an empty size.
std::vector<uint32_t> PaintedPixels(int w, int h, const std::function<void(HDC)>& paint);

// What the preview shows, read from its painted pixels.
enum class PreviewShows { kSplash, kPlaceholder, kColour, kOther };
// kColour when the centre pixel is `rgb` (a picture drawn there), kSplash when every pixel
// is the splash picture's fitted on white, kPlaceholder when red text shows, else kOther
// (a blank pane among them).
PreviewShows ReadPreview(CImageCtrl& preview, uint32_t rgb);

// Every file below `root`, as paths relative to it ("a\\b.png").
std::set<std::wstring> FilesBelow(const std::wstring& root);

// Open, Save, Export and the path box all enabled.
bool CommandsEnabled(const harness::TestDlg& dlg);

// A test on the main dialog made from its template: shown and settled before each test,
// with `Ui` answering its message boxes and dialogs and a scratch folder beside it.
template <class Dlg = harness::TestDlg, class Ui = harness::FakeUi>
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(nullptr));
    harness::Pump();
  }
  void TearDown() override { harness::Pump(); }
  bool CommandsEnabled() const { return fixtures::CommandsEnabled(dlg); }

  Ui ui;
  Dlg dlg;
  harness::TempDir dir;
};

// Real user actions on the dialog.
void ClickButton(CButton& button);
void ChooseFilter(harness::TestDlg& dlg, int index);
// Keyboard focus in the tree and one key press.
void PressKeyInTree(harness::TestDlg& dlg, WPARAM key);
// A left click on the tree's root item `index` (the tree takes keys only once something
// is selected).
void ClickTreeItem(harness::TestDlg& dlg, int index);

}  // namespace fixtures
