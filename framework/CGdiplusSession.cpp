#include "framework/CGdiplusSession.h"

#include <windows.h>
#include <objidl.h>  // the GDI+ headers need the COM types that WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <mutex>

namespace {

std::mutex g_lock;           // constant-initialised: safe for holders built before main
ULONG_PTR g_token = 0;       // 0 while GDI+ is not running
long g_holders = 0;

void ShutdownLocked() {
  if (!g_token) return;
  Gdiplus::GdiplusShutdown(g_token);
  g_token = 0;
}

// Shuts GDI+ down at exit when holders with static lifetime outlive main.
struct ExitShutdown {
  ~ExitShutdown() {
    std::lock_guard<std::mutex> guard(g_lock);
    ShutdownLocked();
  }
} g_exitShutdown;

}  // namespace

bool CGdiplusSession::EnsureStarted() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_token) return true;
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread, external codecs
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok || !token) return false;
  g_token = token;
  return true;
}

void CGdiplusSession::AddHolder() {
  std::lock_guard<std::mutex> guard(g_lock);
  ++g_holders;
}

void CGdiplusSession::ReleaseHolder() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_holders > 0 && --g_holders == 0) ShutdownLocked();
}

bool CGdiplusSession::IsStarted() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_token != 0;
}

long CGdiplusSession::HolderCount() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_holders;
}
