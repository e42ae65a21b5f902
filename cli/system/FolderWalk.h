// The files below a folder, for pack and update, in name order. A listing holds every name
// once, in one block, and each folder's place once: a million files take tens of megabytes,
// not a string per path.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/system/NativePath.h"

namespace rdbtool {

struct FoundFile {
  std::vector<std::u16string> components;  // the path below the root, one part each
  NativePath path;                         // for opening
  std::string display;                     // the path below the root, for messages
  std::string problem;                     // why it cannot be packed; empty for a regular file
  bool link = false;                       // the problem is a symbolic link not followed
  bool followed = false;                   // the file is a symbolic link, followed
};

// Identity of a file (device and file number), to recognise the package being made among
// the files being packed.
struct FileId {
  bool valid = false;
  uint64_t device = 0, number = 0;
  bool operator==(const FileId& other) const {
    return valid && other.valid && device == other.device && number == other.number;
  }
};
FileId IdentifyFile(const NativePath& path);

class FolderListing {
 public:
  enum class Kind : uint8_t {
    kFile,          // a regular file
    kFollowedFile,  // a regular file reached through a symbolic link
    kLink,          // a symbolic link, not followed (Problem says so)
    kProblem,       // cannot be packed (Problem says why)
  };

  size_t Count() const { return items_.size(); }
  Kind KindOf(size_t i) const { return items_[i].kind; }
  // Why it cannot be packed; empty for a file.
  const std::string& Problem(size_t i) const;
  // The folder it lies in: files of one folder give the same number.
  uint32_t FolderOf(size_t i) const { return items_[i].folder; }
  // Its own name, the last of its components.
  std::u16string Name(size_t i) const;
  // Its folder's components below the root (none for the root): kept until the next call
  // for another folder.
  const std::vector<std::u16string>& FolderComponents(size_t i) const { return Folder(items_[i].folder).components; }
  NativePath Path(size_t i) const;
  std::string Display(size_t i) const;
  FoundFile At(size_t i) const;

 private:
  friend class FolderWalker;
  using Unit = NativePath::value_type;
  struct Item {
    uint32_t folder;
    uint32_t nameAt;  // in names_
    uint32_t problem;  // in problems_, for kLink and kProblem
    uint16_t nameSize;
    Kind kind;
  };
  struct FolderPlace {
    uint32_t parent;
    uint32_t nameAt;
    uint16_t nameSize;
  };
  // A folder's texts, made when first asked for and kept for the next file of the folder.
  struct FolderTexts {
    uint32_t folder = UINT32_MAX;
    NativePath path;
    std::string display;
    std::vector<std::u16string> components;
  };
  const FolderTexts& Folder(uint32_t folder) const;
  std::basic_string_view<Unit> NameAt(uint32_t at, uint16_t size) const {
    return std::basic_string_view<Unit>(names_.data() + at, size);
  }

  NativePath root_;
  std::vector<Unit> names_;
  std::vector<Item> items_;
  std::vector<FolderPlace> folders_;  // [0]: the root
  std::vector<std::string> problems_;
  mutable FolderTexts shown_;
};

// Every regular file below `root`, depth first in name order (UTF-16 order of the names),
// into `listing`. Files that are `skip` (valid ones only) are left out: the package being
// made. Symbolic links are followed only with `followLinks` (a link back to a folder being
// walked then comes back with a problem); devices, pipes, sockets, unreadable folders and
// names that are not valid text come back with a problem. False when `root` itself cannot
// be read, or when the names do not fit the listing (4 GiB of names).
bool WalkFolder(const NativePath& root, bool followLinks, const std::vector<FileId>& skip, FolderListing& listing,
                std::string& error);

// What the system says of one name in a folder (FolderWalkPosix.cpp, FolderWalkWin.cpp).
struct FolderChild {
  enum class Kind : uint8_t { kFile, kFolder, kLink, kProblem };
  NativePath name;
  std::u16string text;  // the name as UTF-16, for ordering (as far as it converts)
  Kind kind = Kind::kProblem;
  bool viaLink = false;  // a file or folder reached through a symbolic link
  std::string problem;
  uint64_t number = 0;  // the file number when the listing gives it (0: ask IdentifyFile)
  FileId folderId;      // a folder reached through a link: to find a link back up
};
// The names in folder `path` (reached through a link: `viaLink`), without "." and "..",
// and the folder's own identity. False when the folder cannot be read (`error` says why).
bool ReadFolder(const NativePath& path, bool viaLink, bool followLinks, FileId& self, std::vector<FolderChild>& children,
                std::string& error);
// The problem of a link to a folder above it, in the platform's words.
extern const char* const kLinkLoopProblem;
// The separator of the paths shown in messages.
extern const char kDisplaySeparator;

}  // namespace rdbtool
