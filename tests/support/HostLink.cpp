#include "tests/support/HostLink.h"

#include <windows.h>

#include "tests/support/HostCommand.h"

namespace {

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

bool MakeSystemSymlink(const std::wstring& link, const std::wstring& target, bool directory) {
  const DWORD flags = directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  if (!::CreateSymbolicLinkW(link.c_str(), target.c_str(), flags | 0x2 /* unprivileged */) &&
      !::CreateSymbolicLinkW(link.c_str(), target.c_str(), flags))
    return false;
  return Exists(link);
}

bool MakeHostSymlink(const std::wstring& link, const std::wstring& target) {
  const std::string unixTarget = HostPath(target);
  // The link's folder exists; its own name does not yet, so translate the folder.
  const size_t slash = link.find_last_of(L'\\');
  const std::string unixFolder = HostPath(link.substr(0, slash));
  if (unixTarget.empty() || unixFolder.empty()) {
    return MakeSystemSymlink(link, target, (::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0);
  }
  const std::string unixLink = unixFolder + "/" + std::string(link.begin() + slash + 1, link.end());
  // Wine starts host programs as it starts Windows ones.
  std::wstring command = L"/bin/ln -s \"" + Widen(unixTarget) + L"\" \"" + Widen(unixLink) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(L"Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  ::WaitForSingleObject(process.hProcess, 10000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // The host process may be reported finished a moment before its work shows.
  for (int i = 0; i < 100 && !Exists(link); ++i) ::Sleep(50);
  return Exists(link);
}
