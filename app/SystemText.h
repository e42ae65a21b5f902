// The system's own words for an error code (FormatMessageW), without the final line break;
// empty when the system has none.
#pragma once
#include <windows.h>

#include <string>

inline std::wstring SystemText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words = length && text ? std::wstring(text, length) : std::wstring();
  if (text) ::LocalFree(text);
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r')) words.pop_back();
  return words;
}
