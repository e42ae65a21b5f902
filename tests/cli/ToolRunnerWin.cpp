#include <windows.h>

#include <algorithm>
#include <thread>

#include "tests/cli/ToolRunner.h"

namespace {

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

// One argument quoted the way the C runtime splits command lines.
void AppendQuoted(const std::wstring& arg, std::wstring& line) {
  line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') line.append(2 * backslashes + 1, L'\\');
    else line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, L'\\');
  line += L'"';
}

// rdbtool.exe, found from this test's own folder.
std::wstring ToolPath() {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir(self, n);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir + Wide(RDBTOOL_RELATIVE_PATH);
}

void Drain(HANDLE h, std::string* sink) {
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) sink->append(buffer, n);
}

}  // namespace

namespace {

ToolResult Run(const std::vector<std::string>& args, const std::string* input) {
  ToolResult result;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite, inRead = INVALID_HANDLE_VALUE, inWrite = INVALID_HANDLE_VALUE;
  if (!CreatePipe(&outRead, &outWrite, &sa, 0) || !CreatePipe(&errRead, &errWrite, &sa, 0)) return result;
  if (input) {
    if (!CreatePipe(&inRead, &inWrite, &sa, 0)) return result;
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  const std::wstring tool = ToolPath();
  std::wstring line;
  AppendQuoted(tool, line);
  for (const std::string& a : args) {
    line += L' ';
    AppendQuoted(Wide(a), line);
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inRead;
  si.hStdOutput = outWrite;
  si.hStdError = errWrite;
  PROCESS_INFORMATION pi = {};
  const BOOL started = CreateProcessW(tool.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &si, &pi);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  std::thread writer;
  if (input) {
    CloseHandle(inRead);
    writer = std::thread([inWrite, input] {
      for (size_t done = 0; done < input->size();) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(input->size() - done, 1 << 16));
        if (!WriteFile(inWrite, input->data() + done, chunk, &n, nullptr) || n == 0) break;
        done += n;
      }
      CloseHandle(inWrite);
    });
  }
  if (started) {
    std::thread errThread(Drain, errRead, &result.err);
    Drain(outRead, &result.out);
    errThread.join();
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  if (writer.joinable()) writer.join();
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

}  // namespace

ToolResult RunRdbtool(const std::vector<std::string>& args, bool) { return Run(args, nullptr); }

ToolResult RunRdbtoolWithInput(const std::vector<std::string>& args, const std::string& input) {
  return Run(args, &input);
}
