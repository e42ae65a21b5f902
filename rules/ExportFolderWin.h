// Writes the files of an export plan below the chosen folder on Windows, so that nothing the
// file system or another process does can send a byte elsewhere:
// - every folder is opened once as a handle and held until the export ends, shared for
//   reading and writing only, so no program can rename or remove it meanwhile; the next
//   folder and every file are opened relative to that handle, never by a path that a
//   rename could redirect; no link or junction is entered;
// - an existing file is never written into: the new content goes into a temporary file in
//   the same folder, which is then renamed over the old one (so a hard link elsewhere keeps
//   its bytes, and a failed write leaves the old file as it was);
// - every folder and file made or found is asked for its name, which must be the planned
//   one as the system compares names: a short-name alias or a name the system cut is
//   refused, not written under another name.
// The chosen folder itself may be a link; the user picked it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "rules/ExportPlan.h"

namespace sorv {
namespace rules {

enum class WriteOutcome {
  kWritten,
  kLink,         // a link or junction has the name, or the name reaches something elsewhere
  kAlias,        // the system takes the name for another file or folder's short name
  kNameChanged,  // the system made the file or folder under another name (a cut one, ...)
  kNotFolder,    // a file has the name of a folder on the way
  kMoved,        // the folder was moved away while writing: the name cannot be read back
  kKept,         // something has the name, and existing files are kept
  kFailed,       // the system's error
};

struct WriteResult {
  WriteOutcome outcome = WriteOutcome::kFailed;
  DWORD error = ERROR_SUCCESS;  // for kFailed
  bool atFolder = false;        // the outcome is about a folder on the way, not the file
  bool Written() const { return outcome == WriteOutcome::kWritten; }
};

class ExportFolderWin {
 public:
  explicit ExportFolderWin(const ExportPlan& plan);
  ~ExportFolderWin();
  ExportFolderWin(const ExportFolderWin&) = delete;
  ExportFolderWin& operator=(const ExportFolderWin&) = delete;

  const ExportPlan& Plan() const { return plan_; }

  // Writes `size` bytes as the allowed entry `entry`'s file, making the folders on its way.
  // With `keepExisting` a file (or anything else) already of that name is left alone: kKept.
  // A folder that failed once fails every entry below it without another try.
  WriteResult Write(size_t entry, const void* data, uint64_t size, bool keepExisting = false);

 private:
  struct Folder {
    HANDLE handle = nullptr;
    bool known = false;
    WriteResult result;  // when known and there is no handle: why it is not there
  };
  // The handle of allowed entry `entry`'s folder, making and opening the folders on the way.
  WriteResult OpenFolders(size_t entry, const std::u16string& relative, HANDLE& folder);

  const ExportPlan& plan_;
  HANDLE root_ = nullptr;
  WriteResult rootResult_;
  std::u16string rootName_;  // the chosen folder's name as the system reads it back
  std::vector<Folder> folders_;
  std::vector<uint32_t> chain_;  // scratch: folders to open, innermost first
  std::vector<size_t> ends_;     // scratch: where each folder level's text ends
};

// Writes `size` bytes as the file `path` in an existing folder: a new file, or a new file
// renamed over an existing one (a link of that name is replaced, not written through). On
// failure an existing file keeps its bytes and nothing else is left.
WriteResult WriteFileReplacing(const std::wstring& path, const void* data, uint64_t size);

// A test seam: every file written after this fails once more than `afterBytes` bytes of it
// were written, as a full disk would fail it. kNoWriteFault turns it off.
constexpr uint64_t kNoWriteFault = ~uint64_t(0);
void InjectWriteFault(uint64_t afterBytes);

}  // namespace rules
}  // namespace sorv
