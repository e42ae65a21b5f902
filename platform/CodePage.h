// Conversion between narrow text in the thread's ANSI code page and wide text.
// The only place where the code page is platform-specific: Windows uses CP_THREAD_ACP,
// the host build (tests, fuzzers, tools) takes narrow text as UTF-8.
#pragma once
#include <string>

namespace sorv {

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

}  // namespace sorv
