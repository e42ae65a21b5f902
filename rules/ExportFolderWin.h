// Makes the folders of an export plan below the chosen folder on Windows: each planned
// folder is made (or found) once per export, and none is entered when it is a link or
// junction. The chosen folder itself may be one; the user picked it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "rules/ExportPlan.h"

namespace sorv {
namespace rules {

class ExportFolderWin {
 public:
  explicit ExportFolderWin(const ExportPlan& plan);

  const ExportPlan& Plan() const { return plan_; }

  // Makes the folders that allowed entry `entry` goes into and gives its target path (in
  // the system's long form).
  // ERROR_SUCCESS when they are there; ERROR_STOPPED_ON_SYMLINK when one of them is a link
  // or junction, ERROR_DIRECTORY when a file has a folder's name, or the system's code.
  // A folder that failed once fails every entry below it without another try.
  DWORD MakeFolders(size_t entry, std::wstring& path);

 private:
  const ExportPlan& plan_;
  std::wstring folder_;  // the chosen folder in long form, with its final separator
  // Per folder number: kUnknown, ERROR_SUCCESS or the code it failed with.
  std::vector<DWORD> state_;
  std::vector<uint32_t> chain_;  // scratch: folders to make, innermost first
  std::vector<size_t> ends_;     // scratch: where each folder level's text ends in the path
};

}  // namespace rules
}  // namespace sorv
