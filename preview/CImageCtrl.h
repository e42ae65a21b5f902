// The preview pane: decodes an image stream once and paints it fitted and centred on white,
// or shows the splash picture (bitmap 129) or the red "无图片显示" when it has no image.
// It subclasses an existing static control.
#pragma once
#include <windows.h>
#include <objidl.h>

#include "framework/CDibImage.h"
#include "framework/CWindow.h"

class CImageCtrl : public CWindow {
 public:
  static constexpr int kSplashBitmapId = 129;

  CImageCtrl();
  ~CImageCtrl() override;

  // Replaces the picture with the one decoded from `stream` (null: none). The stream is
  // read from its current position; the caller keeps and releases it. False when nothing
  // could be decoded: the control then shows the placeholder text.
  bool SetImageStream(IStream* stream);
  // Back to the splash picture.
  void ClearImage();

  // Paints the current state over the whole client rectangle into `dc`: what WM_PAINT
  // shows, and a way to render the control elsewhere.
  void Paint(HDC dc);

 protected:
  void OnBind() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void OnPaint();
  void OnSize(WPARAM type, LPARAM size);
  void FreeImage();
  void DrawPlaceholder(HDC dc, RECT client);
  static void DrawFitted(HDC dc, const CDibImage& image, int width, int height);

  CDibImage m_image;   // the decoded picture, or empty
  CDibImage m_splash;  // bitmap 129, kept for the control's life
  BOOL m_bPlaceholder; // while empty: 0 shows the splash, 1 the placeholder text
};
