// How pack stores one file so that extract gives it back unchanged: its stored name and
// whether its bytes go behind a "TGF" header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/ExportPath.h"

namespace rdbtool {

// Bytes of a file's beginning that the decision looks at.
constexpr size_t kPackHeadSize = 20;

struct PackDecision {
  bool store = false;       // false: the file is left out, `note` says why
  bool wrap = false;
  std::u16string storedName;
  std::string note;         // the refusal, or a warning about a wrap that was not done
};

// Whether the reader would take a file of `fileSize` bytes beginning with `head` for a
// wrapped image: the marker, room for the header-length field, a length within the file.
bool BeginsWithWrapHeader(const uint8_t* head, size_t headSize, uint64_t fileSize);

// The name checks of PlanFile for the files of one folder, whose own components are
// checked once.
class FolderNameCheck {
 public:
  explicit FolderNameCheck(const std::vector<std::u16string>& folder = {});
  // Why the file `name` of the folder is left out (PlanFile's note), or empty.
  std::string Problem(std::u16string_view name) const;

 private:
  bool backslash_ = false;  // a component holds "\"
  sorv::rules::ExportRefusal refusal_ = sorv::rules::ExportRefusal::kNone;  // the first refused component's
};

// True when the file's name ends in one of `wrapExtensions` (lower-case, without dot;
// ASCII case ignored in the name).
bool AskedToWrap(std::u16string_view name, const std::vector<std::string>& wrapExtensions);
bool AskedToWrap(const std::vector<std::u16string>& components, const std::vector<std::string>& wrapExtensions);

// The decision for a file at `components` below the packed folder, of `fileSize` bytes
// starting with `head` (the first min(kPackHeadSize, fileSize) bytes; may be null when the
// file is not asked to be wrapped and its content is not known yet).
//  - Names that extract would refuse, and host names holding "\", are left out.
//  - A file asked to be wrapped whose content is a recognised image of extension E is
//    stored wrapped under its name without E (extract appends E again), provided the name
//    ends in E; otherwise it is stored plain with a warning.
//  - A file whose content is unrecognised is wrapped under its own name when asked.
//  - A file that already begins with a usable "TGF" header is always wrapped once more,
//    since extract would otherwise unwrap it.
PackDecision PlanFile(const std::vector<std::u16string>& components, const std::vector<std::string>& wrapExtensions,
                      const uint8_t* head, size_t headSize, uint64_t fileSize);

}  // namespace rdbtool
