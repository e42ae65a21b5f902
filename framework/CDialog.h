// A dialog made from a template, modal (the program's message loop) or modeless (tests).
// Once the system has made the window, the dialog subclasses it like any other wrapper, so
// a dialog class's messages go through its OnMessage switch and what it leaves reaches the
// system's dialog handling. Notifications no handler took are reflected to the control's
// own wrapper.
#pragma once
#include "framework/CWindow.h"

// Reflected notifications arrive at the control's wrapper as this base + the message.
const UINT OCM_BASE_SORV = WM_APP + 0x2000;
const UINT OCM_NOTIFY_SORV = OCM_BASE_SORV + WM_NOTIFY;

// Sends a WM_NOTIFY or control WM_COMMAND on to the sending control's wrapper, if it has
// one. True when it was sent; `result` holds the wrapper's answer.
bool ReflectToControl(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

class CDialog : public CWindow {
 public:
  explicit CDialog(UINT templateId, HWND parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; returns the value given to EndDialog, or -1 when the window
  // could not be made.
  virtual INT_PTR DoModal();
  // Makes the dialog modeless (visible when its template says so).
  bool Create(HWND parent = nullptr);
  // Ends a modal run, or destroys a modeless dialog, with `result`.
  void EndDialog(INT_PTR result);

 protected:
  // Control binding: attaches member wrappers to the template's controls by id.
  virtual void DoDataExchange() {}
  // Set-up: runs the binding; TRUE lets the system focus the first tab stop.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  // Every WM_COMMAND: `code` is the notification (0 for a button's click and a menu item, 1
  // for an accelerator), `id` the control's or the item's. True when taken; otherwise a
  // control's notification goes on to the control's own wrapper. The base takes OK and
  // Cancel.
  virtual bool OnCommand(UINT code, UINT id);
  // The notification code of a command that comes from an accelerator.
  static const UINT kAcceleratorCode = 1;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // Binds `control` to the child `id` unless it is bound already (binding runs again on OK).
  void BindControl(int id, CWindow& control);

  UINT m_nTemplateId;
  HWND m_hParentWnd;

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

  bool m_bModal = false;
};
