#include "preview/CImageCtrl.h"

#include <vector>

#include "framework/CComPtr.h"
#include "framework/CGlobalMemory.h"
#include "preview/IconPick.h"

#include "framework/CGdiObject.h"
#include "framework/CPaintDC.h"
#include "framework/CSelectObject.h"
#include "preview/ImageFit.h"

CImageCtrl::CImageCtrl() : m_bPlaceholder(FALSE) {
  // Without the resource the splash state is plain white.
  HANDLE splash = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kSplashBitmapId), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION);
  if (splash && !m_splash.Attach(static_cast<HBITMAP>(splash))) ::DeleteObject(splash);
}

CImageCtrl::~CImageCtrl() { FreeImage(); }

bool CImageCtrl::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_PAINT: OnPaint(); result = 0; return true;
    case WM_SIZE: OnSize(wParam, lParam); result = 0; return true;
  }
  return CWindow::OnMessage(msg, wParam, lParam, result);
}

void CImageCtrl::OnBind() {
  ModifyStyle(0, SS_NOTIFY);
  CWindow::OnBind();
}

namespace {

// For an icon or cursor of several pictures, a stream over its largest one: the decoder
// would take the first, often the smallest. Null otherwise, with `stream` where it was.
CComPtr<IStream> LargestIconStream(IStream* stream) {
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER start = {};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &start))) return {};
  uint8_t head[6] = {};
  ULONG got = 0;
  const bool icon = SUCCEEDED(stream->Read(head, sizeof(head), &got)) && sorv::IsIconDirectory(head, got);
  STATSTG stat = {};
  std::vector<uint8_t> bytes;
  if (icon && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart > start.QuadPart &&
      stat.cbSize.QuadPart - start.QuadPart <= 0x7FFFFFFF) {
    bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart - start.QuadPart));
    LARGE_INTEGER back;
    back.QuadPart = static_cast<LONGLONG>(start.QuadPart);
    got = 0;
    if (FAILED(stream->Seek(back, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got)))
      got = 0;
    bytes.resize(got);
  }
  LARGE_INTEGER back;
  back.QuadPart = static_cast<LONGLONG>(start.QuadPart);
  stream->Seek(back, STREAM_SEEK_SET, nullptr);
  std::vector<uint8_t> picture;
  if (bytes.empty() || !sorv::LargestIconPicture(bytes.data(), bytes.size(), picture)) return {};
  CGlobalMemory block;
  if (!block.Assign(picture.data(), static_cast<DWORD>(picture.size()))) return {};
  CComPtr<IStream> largest;
  if (FAILED(CreateStreamOnHGlobal(block.Get(), TRUE, &largest))) return {};
  block.Detach();  // the stream frees it
  ULARGE_INTEGER exact;
  exact.QuadPart = picture.size();
  largest->SetSize(exact);
  return largest;
}

}  // namespace

bool CImageCtrl::SetImageStream(IStream* stream) {
  FreeImage();
  m_bPlaceholder = TRUE;
  CComPtr<IStream> largest = stream ? LargestIconStream(stream) : CComPtr<IStream>();
  if (largest) stream = largest;
  const bool decoded = stream && m_image.LoadFromStream(stream);
  if (m_hWnd) Invalidate(TRUE);
  return decoded;
}

void CImageCtrl::ClearImage() {
  FreeImage();
  m_bPlaceholder = FALSE;
  if (m_hWnd) Invalidate(TRUE);
}

void CImageCtrl::FreeImage() {
  if (!m_image.IsNull()) m_image.Destroy();
}

void CImageCtrl::OnPaint() {
  CPaintDC dc(m_hWnd);
  Paint(dc);
}

void CImageCtrl::Paint(HDC dc) {
  RECT client = {};
  if (!m_hWnd || !GetClientRect(&client)) return;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  {
    CBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
    ::FillRect(dc, &client, white);
  }
  if (!m_image.IsNull()) {
    DrawFitted(dc, m_image, width, height);
  } else if (m_bPlaceholder) {
    DrawPlaceholder(dc, client);
  } else if (!m_splash.IsNull()) {
    DrawFitted(dc, m_splash, width, height);
  }
}

void CImageCtrl::DrawFitted(HDC dc, const CDibImage& image, int width, int height) {
  const sorv::FitRect fit = sorv::FitImage(image.GetWidth(), image.GetHeight(), width, height);
  image.Draw(dc, fit.x, fit.y, fit.width, fit.height);
}

void CImageCtrl::DrawPlaceholder(HDC dc, RECT client) {
  // 20 points for this device: 200 tenths of a point.
  const int height = -::MulDiv(::GetDeviceCaps(dc, LOGPIXELSY), 200, 720);
  CFont font(::CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
  CSelectObject select(dc, font);
  ::SetTextColor(dc, RGB(255, 0, 0));
  wchar_t text[] = L"无图片显示";
  ::DrawTextExW(dc, text, 5, &client, DT_SINGLELINE | DT_VCENTER | DT_CENTER, nullptr);
}

void CImageCtrl::OnSize(WPARAM type, LPARAM size) {
  DefWindowProc(WM_SIZE, type, size);
  Invalidate(TRUE);
}
