// The folder that extract writes into. Where each entry goes and whether it may be
// written at all is decided beforehand for the whole extract by the window program's
// export plan (ExportPlan); this class makes the entries' folders and writes their bytes,
// and never leaves the folder: no link below it is followed (on the host it walks folder
// by folder without following symbolic links; on Windows no reparse point is entered),
// and the package being read is never replaced. On the host an existing file is never
// written into: a new file is written beside it under a temporary name and then takes its
// place, so a failed write keeps the old file and a hard link to it elsewhere keeps its
// bytes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/system/NativePath.h"
#include "rules/ExportPlan.h"

#if !defined(_WIN32)
struct stat;
#endif

#if defined(_WIN32)
namespace sorv {
namespace rules {
class ExportFolderWin;
}
}  // namespace sorv
#endif

namespace rdbtool {

class ExtractFolder {
 public:
  ExtractFolder();
  ~ExtractFolder();
  ExtractFolder(const ExtractFolder&) = delete;
  ExtractFolder& operator=(const ExtractFolder&) = delete;

  // Opens `folder`, making it (and missing parents) first when it does not exist.
  bool Open(const NativePath& folder, std::string& error);
  // The package file being read: it is never replaced by an entry's file.
  void Protect(const NativePath& packagePath);

  // An empty plan for this folder: names compared as its file system compares them (on
  // the host, case-blind on FAT, exFAT, NTFS, SMB and case-folding folders), and lengths
  // within what it takes.
  sorv::rules::ExportPlan MakePlan() const;

  // Writes `size` bytes as the allowed entry `entry` of `plan` (which must stay the same
  // for one extract), replacing an existing file. False with the reason, which begins
  // with "link: " or "write failed: " (on Windows also "alias: " or "name changed by the
  // system: "); a file left half-written is removed, and so are the folders made for it.
  bool Write(const sorv::rules::ExportPlan& plan, size_t entry, const uint8_t* data, uint64_t size,
             std::string& error);

  // With `keep`, Write never replaces an existing file (or anything else of that name):
  // it fails, and WasKept() tells that this was the reason.
  void KeepExisting(bool keep) { keepExisting_ = keep; }
  bool WasKept() const { return kept_; }

 private:
  bool keepExisting_ = false;
  bool kept_ = false;
#if defined(_WIN32)
  std::u16string folder_;
  std::unique_ptr<sorv::rules::ExportFolderWin> folders_;
#else
  struct OpenFolder {
    uint32_t number;  // in the plan
    std::string name;
    int fd;
    bool made;  // made by this extract
  };
  // Enters the plan's folder `folder` below the chosen one, making what is missing; the
  // first `entered` of chain_ were kept from the entry before.
  bool EnterFolder(const sorv::rules::ExportPlan& plan, uint32_t folder, size_t& entered, std::string& error);
  // Leaves the folders from chain_[from] on, removing those this extract made that are
  // still empty.
  void LeaveMadeFolders(size_t from);
  // Writes a new file over the existing `name` in `dirFd`.
  bool Replace(int dirFd, const std::string& name, const uint8_t* data, uint64_t size, std::string& error);
  bool IsPackage(int dirFd, const std::string& name, const struct stat& existing,
                 const sorv::rules::ExportPlan& plan) const;
  int rootFd_ = -1;
  bool caseBlind_ = false;
  // The directories of the last entry, open, outermost first: entries of one directory
  // usually follow each other, so each directory is made and opened once.
  std::vector<OpenFolder> chain_;
  std::vector<uint32_t> folders_;  // scratch: the folders down to the one entered
  std::string fileName_, appended_;  // scratch: the file's name in UTF-8
  bool protected_ = false;
  uint64_t protectedDevice_ = 0, protectedInode_ = 0, protectedSize_ = 0;
  int64_t protectedModified_ = 0;
  int packageFolderFd_ = -1;
  std::u16string packageName_;
  unsigned temporaries_ = 0;
#endif
};

}  // namespace rdbtool
