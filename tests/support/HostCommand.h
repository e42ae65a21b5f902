// Host programs started from a Windows test under Wine (Wine starts them as it starts
// Windows ones), and the system's own command shell: hard links made from the host, a
// second process that changes a folder while the program writes, a folder listing with
// short names.
#pragma once
#include <windows.h>

#include <string>

// Wine's path on the host for a Windows path; empty on Windows.
std::string HostPath(const std::wstring& path);
// A host shell started by StartHostShell.
struct HostShell {
  bool started = false;
  std::wstring doneFile;  // holds the exit code once the script has ended
};
// Starts `bash -c script` (no double quotes in it).
HostShell StartHostShell(const std::string& script);
// The script's exit code once it has ended; -1 when it was not started or is still running
// after `timeoutMs`.
int WaitHostShell(const HostShell& shell, DWORD timeoutMs);
// Runs `bash -c script` to its end; its exit code, -1 when it could not be run.
int RunHostShell(const std::string& script);
// `link` becomes a second name of the file `target` (hard link, made on the host).
bool MakeHostHardLink(const std::wstring& link, const std::wstring& target);
// The short (8.3) name that `dir /x` lists for `name` in `folder`; empty when it lists none.
std::wstring ShortNameFromDir(const std::wstring& folder, const std::wstring& name);
