// The window wrapper's subclassing and routing, and the RAII pieces, on real windows and
// handles.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "framework/CComPtr.h"
#include "framework/CGdiObject.h"
#include "framework/CGlobalMemory.h"
#include "framework/CMenu.h"
#include "framework/CWindow.h"
#include "platform/KernelHandle.h"
#include "tests/support/ImageStreams.h"
#include "tests/support/PreviewHarness.h"

namespace {

const UINT kPing = WM_APP + 1;   // handled: answers 42 + wParam
const UINT kThrow = WM_APP + 2;  // the handler throws

class Recorder : public CWindow {
 public:
  int binds = 0;
  DWORD styleAtBind = 0;
  bool wasRoutedAtBind = true;
  HWND finalWindow = nullptr;

 protected:
  void OnBind() override {
    ++binds;
    styleAtBind = GetStyle();
    wasRoutedAtBind = IsSubclassed();
  }
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (msg) {
      case kPing: result = 42 + static_cast<LRESULT>(wParam); return true;
      case kThrow: throw std::runtime_error("handler failed");
    }
    return CWindow::OnMessage(msg, wParam, lParam, result);
  }
  void OnFinalMessage(HWND hWnd) override { finalWindow = hWnd; }
};

WNDPROC g_below = nullptr;
LRESULT CALLBACK OnTop(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(g_below, hWnd, msg, wParam, lParam);
}

std::wstring TextOf(HWND hWnd) {
  wchar_t buffer[64] = {};
  GetWindowTextW(hWnd, buffer, 64);
  return buffer;
}

TEST(WindowWrapper, RoutesHandledMessagesAndPassesTheRestToTheWindow) {
  harness::TestWindow win(100, 50);
  const WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(win.Control(), GWLP_WNDPROC));
  Recorder wrapper;
  ASSERT_TRUE(wrapper.SubclassWindow(win.Control()));
  EXPECT_EQ(wrapper.GetHwnd(), win.Control());
  EXPECT_EQ(wrapper.binds, 1);
  EXPECT_FALSE(wrapper.wasRoutedAtBind);  // the binding step runs before routing starts

  EXPECT_EQ(SendMessageW(win.Control(), kPing, 1, 0), 43);
  SetWindowTextW(win.Control(), L"passed on");  // not handled: the static keeps its text
  EXPECT_EQ(TextOf(win.Control()), L"passed on");
  EXPECT_EQ(wrapper.GetWindowText(), L"passed on");
  // An exception stays on our side of user32; the window's own handling answers.
  EXPECT_EQ(SendMessageW(win.Control(), kThrow, 0, 0), 0);

  EXPECT_EQ(wrapper.UnsubclassWindow(), win.Control());
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(win.Control(), GWLP_WNDPROC)), original);
  EXPECT_EQ(SendMessageW(win.Control(), kPing, 1, 0), 0);
  EXPECT_EQ(wrapper.GetHwnd(), nullptr);
}

TEST(WindowWrapper, RefusesASecondBindingAndNonWindows) {
  harness::TestWindow win(100, 50);
  harness::TestWindow other(100, 50);
  Recorder first, second;
  ASSERT_TRUE(first.SubclassWindow(win.Control()));
  EXPECT_FALSE(second.SubclassWindow(win.Control()));  // another wrapper routes it already
  EXPECT_FALSE(first.SubclassWindow(other.Control()));  // this wrapper has its window
  EXPECT_FALSE(second.SubclassWindow(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234))));
  EXPECT_EQ(second.binds, 0);
  EXPECT_EQ(SendMessageW(win.Control(), kPing, 0, 0), 42);
  ASSERT_TRUE(second.SubclassWindow(other.Control()));
  EXPECT_EQ(SendMessageW(other.Control(), kPing, 2, 0), 44);
}

TEST(WindowWrapper, GoingAwayUnderALaterSubclasserKeepsTheChainWorking) {
  harness::TestWindow win(100, 50);
  {
    Recorder wrapper;
    ASSERT_TRUE(wrapper.SubclassWindow(win.Control()));
    g_below = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(win.Control(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OnTop)));
    EXPECT_EQ(SendMessageW(win.Control(), kPing, 0, 0), 42);
  }  // leaves from the middle of the chain
  EXPECT_EQ(SendMessageW(win.Control(), kPing, 0, 0), 0);
  SetWindowTextW(win.Control(), L"still reaches the static");
  EXPECT_EQ(TextOf(win.Control()), L"still reaches the static");
  Recorder again;  // the window is free for a new wrapper
  EXPECT_TRUE(again.SubclassWindow(win.Control()));
  EXPECT_EQ(SendMessageW(win.Control(), kPing, 5, 0), 47);
}

TEST(WindowWrapper, DestroyingTheWindowDetachesTheWrapper) {
  Recorder wrapper;
  HWND control = nullptr;
  {
    harness::TestWindow win(100, 50, WS_CHILD | WS_VISIBLE | SS_CENTER);
    control = win.Control();
    ASSERT_TRUE(wrapper.SubclassWindow(control));
    EXPECT_EQ(wrapper.styleAtBind & SS_CENTER, static_cast<DWORD>(SS_CENTER));
  }
  EXPECT_EQ(wrapper.finalWindow, control);
  EXPECT_EQ(wrapper.GetHwnd(), nullptr);
  EXPECT_FALSE(wrapper.IsSubclassed());
  harness::TestWindow next(100, 50);
  EXPECT_TRUE(wrapper.SubclassWindow(next.Control()));
}

TEST(WindowWrapper, ModifyStyleChangesOnlyTheNamedBits) {
  harness::TestWindow win(100, 50, WS_CHILD | WS_VISIBLE | WS_BORDER);
  CWindow window(win.Control());
  EXPECT_TRUE(window.ModifyStyle(WS_BORDER, SS_NOTIFY));
  EXPECT_EQ(window.GetStyle(), static_cast<DWORD>(WS_CHILD | WS_VISIBLE | SS_NOTIFY));
  EXPECT_FALSE(window.ModifyStyle(0, SS_NOTIFY));  // nothing to change
  EXPECT_TRUE(window.ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED));
  EXPECT_TRUE(window.GetExStyle() & WS_EX_CLIENTEDGE);
  EXPECT_EQ(window.Detach(), win.Control());
}

TEST(ResourceHolders, GdiObjectsAreDeletedOnlyByTheirOwner) {
  HBRUSH owned = CreateSolidBrush(RGB(1, 2, 3));
  HBRUSH borrowed = CreateSolidBrush(RGB(4, 5, 6));
  HBRUSH detached = CreateSolidBrush(RGB(7, 8, 9));
  HBRUSH moved = CreateSolidBrush(RGB(10, 11, 12));
  {
    CBrush a(owned);
    CBrushHandle b(borrowed);
    CBrush c(detached);
    EXPECT_EQ(c.Detach(), detached);
    CBrush d(moved);
    CBrush e(std::move(d));
    EXPECT_TRUE(d.IsNull());
    EXPECT_EQ(GetObjectType(moved), static_cast<DWORD>(OBJ_BRUSH));
  }
  EXPECT_EQ(GetObjectType(owned), 0u);
  EXPECT_EQ(GetObjectType(moved), 0u);
  EXPECT_EQ(GetObjectType(borrowed), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_EQ(GetObjectType(detached), static_cast<DWORD>(OBJ_BRUSH));
  DeleteObject(borrowed);
  DeleteObject(detached);
}

bool HandleOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

bool Mapped(const void* address) {
  MEMORY_BASIC_INFORMATION info = {};
  return VirtualQuery(address, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT;
}

TEST(ResourceHolders, HandlesAndViewsAreGivenBackOnceByTheirOwner) {
  // Empty values: what each creating call returns on failure.
  EXPECT_EQ(sorv::FileHandle().Get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(sorv::KernelHandle().Get(), nullptr);
  EXPECT_FALSE(sorv::FileHandle().IsValid());
  EXPECT_FALSE(sorv::KernelHandle(INVALID_HANDLE_VALUE).IsValid());  // never closed

  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE kept = nullptr;
  {
    sorv::KernelHandle owner(first);
    owner.Reset(second);  // closes the first
    EXPECT_FALSE(HandleOpen(first));
    EXPECT_TRUE(HandleOpen(second));
    kept = owner.Detach();
    EXPECT_FALSE(owner.IsValid());
  }
  EXPECT_TRUE(HandleOpen(kept));  // detached: the owner left it alone
  {
    sorv::KernelHandle owner(kept);
  }
  EXPECT_FALSE(HandleOpen(kept));
  {
    // Closed now, with the system's answer, and not again when the owner goes.
    sorv::KernelHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE event = owner.Get();
    EXPECT_TRUE(owner.Close());
    EXPECT_FALSE(HandleOpen(event));
    EXPECT_FALSE(owner.IsValid());
    EXPECT_TRUE(owner.Close());  // nothing left to close
  }

  // A view is unmapped when its owner goes, and the mapping outlives it only while owned.
  const void* address = nullptr;
  {
    sorv::KernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, nullptr));
    ASSERT_TRUE(mapping.IsValid());
    sorv::MappedView view;
    EXPECT_TRUE(view.IsNull());
    view.Reset(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_FALSE(view.IsNull());
    address = view.Get();
    EXPECT_TRUE(Mapped(address));
    EXPECT_EQ(view.Get()[0], 0);
  }
  EXPECT_FALSE(Mapped(address));
}

TEST(ResourceHolders, MenusAndSearchesEndWithTheirOwner) {
  HMENU popup = nullptr;
  HMENU bar = nullptr;
  {
    CMenu menu(CreateMenu());
    bar = menu;
    ASSERT_FALSE(menu.IsNull());
    popup = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), L"p"));
    EXPECT_EQ(menu.SubMenu(0), popup);
    EXPECT_EQ(menu.SubMenu(1), nullptr);
    EXPECT_TRUE(IsMenu(popup));
  }
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_FALSE(IsMenu(popup));  // the pop-up went with the menu holding it
  EXPECT_EQ(CMenu().SubMenu(0), nullptr);

  // A search holds its folder open: the folder can be removed only once the search ended.
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"sorv-find-owner-" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  {
    WIN32_FIND_DATAW found = {};
    sorv::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    ASSERT_TRUE(find.IsValid());
    EXPECT_FALSE(RemoveDirectoryW(folder.c_str()));
  }
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
  EXPECT_FALSE(sorv::FindHandle(INVALID_HANDLE_VALUE).IsValid());
}

TEST(ResourceHolders, GlobalMemoryAndComPointersReleaseInPairs) {
  const testimg::Bytes bytes = {1, 2, 3, 4, 5};
  HGLOBAL handed = nullptr;
  {
    CGlobalMemory memory;
    ASSERT_TRUE(memory.Assign(bytes.data(), bytes.size()));
    {
      CGlobalMemory::Lock lock(memory.Get());
      ASSERT_NE(lock.Data(), nullptr);
      EXPECT_EQ(0, memcmp(lock.Data(), bytes.data(), bytes.size()));
    }
    handed = memory.Detach();
    EXPECT_TRUE(memory.IsNull());
  }
  EXPECT_GE(GlobalSize(handed), bytes.size());  // detached: still alive
  GlobalFree(handed);

  CComPtr<IStream> stream = testimg::StreamOf(bytes);
  ASSERT_TRUE(stream);
  stream->AddRef();
  EXPECT_EQ(stream->Release(), 1u);
  {
    CComPtr<IStream> copy(stream);
    stream->AddRef();
    EXPECT_EQ(stream->Release(), 2u);
  }
  stream->AddRef();
  EXPECT_EQ(stream->Release(), 1u);
  IStream* raw = stream.Detach();
  EXPECT_EQ(raw->Release(), 0u);
}

}  // namespace
