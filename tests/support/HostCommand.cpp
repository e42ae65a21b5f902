#include "tests/support/HostCommand.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

std::wstring Widen(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

HANDLE Start(const std::wstring& program, std::wstring command, HANDLE output) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), &command[0], nullptr, nullptr, output != nullptr,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
    return nullptr;
  }
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

}  // namespace

std::string HostPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  char* unix = toUnix(path.c_str());
  if (!unix) return std::string();
  std::string result(unix);
  ::HeapFree(::GetProcessHeap(), 0, unix);
  // Wine does not pass a host program an argument that holds "c:"; the prefix's drive C
  // is its drive_c folder.
  const std::string drive = "/dosdevices/c:/";
  const size_t at = result.find(drive);
  if (at != std::string::npos) result.replace(at, drive.size(), "/drive_c/");
  return result;
}

HostShell StartHostShell(const std::string& script) {
  static int counter = 0;
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  HostShell shell;
  shell.doneFile = std::wstring(temp) + L"host-shell-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(counter++);
  const std::string folder = HostPath(temp);
  if (folder.empty()) return shell;
  std::string done = folder + "/";
  for (size_t i = std::wstring(temp).size(); i < shell.doneFile.size(); ++i) done += static_cast<char>(shell.doneFile[i]);
  // Wine gives no handle to a host process: its exit code comes back in a file.
  const HANDLE process =
      Start(L"Z:\\bin\\bash", L"/bin/bash -c \"(" + Widen(script) + L"); echo $? > '" + Widen(done) + L"'\"", nullptr);
  if (process) ::CloseHandle(process);
  shell.started = true;
  return shell;
}

int WaitHostShell(const HostShell& shell, DWORD timeoutMs) {
  if (!shell.started) return -1;
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    const std::vector<uint8_t> bytes = [&] {
      std::vector<uint8_t> out;
      const HANDLE f = ::CreateFileW(shell.doneFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
      if (f == INVALID_HANDLE_VALUE) return out;
      char buffer[64];
      DWORD n = 0;
      if (::ReadFile(f, buffer, sizeof buffer, &n, nullptr)) out.assign(buffer, buffer + n);
      ::CloseHandle(f);
      return out;
    }();
    if (!bytes.empty() && bytes.back() == '\n') {
      ::DeleteFileW(shell.doneFile.c_str());
      return std::atoi(std::string(bytes.begin(), bytes.end()).c_str());
    }
    ::Sleep(20);
  }
  return -1;
}

int RunHostShell(const std::string& script) { return WaitHostShell(StartHostShell(script), 60000); }

bool MakeHostHardLink(const std::wstring& link, const std::wstring& target) {
  const size_t slash = link.find_last_of(L'\\');
  const std::string folder = HostPath(link.substr(0, slash)), from = HostPath(target);
  if (folder.empty() || from.empty()) return ::CreateHardLinkW(link.c_str(), target.c_str(), nullptr) != FALSE;
  const std::wstring name = link.substr(slash + 1);
  std::string to = folder + "/";
  for (wchar_t c : name) to += static_cast<char>(c);  // ASCII names only
  return RunHostShell("ln '" + from + "' '" + to + "'") == 0;
}

std::wstring ShortNameFromDir(const std::wstring& folder, const std::wstring& name) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &inherit, 0)) return std::wstring();
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  // /u: the listing in UTF-16, whatever the console's code page.
  const HANDLE process = Start(std::wstring(), L"cmd.exe /u /c dir /x \"" + folder + L"\"", write);
  ::CloseHandle(write);
  std::string bytes;
  char buffer[4096];
  DWORD n = 0;
  while (process && ::ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  ::CloseHandle(read);
  if (!process) return std::wstring();
  ::WaitForSingleObject(process, 60000);
  ::CloseHandle(process);
  std::wstring text(bytes.size() / 2, L'\0');
  memcpy(&text[0], bytes.data(), text.size() * 2);
  // A line lists "... SHORT  long name": the short name is the word before the long one.
  std::wistringstream lines(text);
  std::wstring line;
  while (std::getline(lines, line)) {
    while (!line.empty() && (line.back() == L'\r' || line.back() == L' ')) line.pop_back();
    if (line.size() <= name.size() + 1 || line.compare(line.size() - name.size(), name.size(), name) != 0 ||
        line[line.size() - name.size() - 1] != L' ')
      continue;
    std::wistringstream words(line.substr(0, line.size() - name.size()));
    std::vector<std::wstring> all;
    for (std::wstring w; words >> w;) all.push_back(w);
    if (!all.empty() && all.back().find(L'~') != std::wstring::npos) return all.back();
  }
  return std::wstring();
}
