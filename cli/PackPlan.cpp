#include "cli/PackPlan.h"

#include "cli/RefusalText.h"
#include "package/PackageFormat.h"
#include "platform/TextRules.h"
#include "rules/ExportPath.h"

namespace rdbtool {

namespace {

std::u16string Join(const std::vector<std::u16string>& components) {
  std::u16string name;
  for (size_t i = 0; i < components.size(); ++i) {
    if (i) name += u'\\';
    name += components[i];
  }
  return name;
}

bool EndsWith(const std::u16string& text, const std::u16string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

// As ResolveContent decides.
bool BeginsWithWrapHeader(const uint8_t* head, size_t headSize, uint64_t fileSize) {
  uint64_t length = 0;
  return sorv::pkg::ReadWrapHeader(head, headSize, fileSize, length);
}

bool AskedToWrap(std::u16string_view name, const std::vector<std::string>& wrapExtensions) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  const std::u16string_view ext = name.substr(dot + 1);
  for (const std::string& wanted : wrapExtensions) {
    if (wanted.size() != ext.size()) continue;
    bool same = true;
    for (size_t i = 0; i < ext.size() && same; ++i) {
      same = sorv::LowerAscii(ext[i]) == static_cast<unsigned char>(wanted[i]);
    }
    if (same) return true;
  }
  return false;
}

bool AskedToWrap(const std::vector<std::u16string>& components, const std::vector<std::string>& wrapExtensions) {
  return !components.empty() && AskedToWrap(components.back(), wrapExtensions);
}

// As MakeExportTarget judges a stored name, whose components here hold no separator.
FolderNameCheck::FolderNameCheck(const std::vector<std::u16string>& folder) {
  for (const std::u16string& part : folder) {
    backslash_ = backslash_ || part.find(u'\\') != std::u16string::npos;
    if (refusal_ == sorv::rules::ExportRefusal::kNone) refusal_ = sorv::rules::CheckExportComponent(part);
  }
}

std::string FolderNameCheck::Problem(std::u16string_view name) const {
  if (backslash_ || name.find(u'\\') != std::u16string_view::npos)
    return "the name holds \"\\\", which separates folders in a package";
  const sorv::rules::ExportRefusal refusal =
      refusal_ != sorv::rules::ExportRefusal::kNone ? refusal_ : sorv::rules::CheckExportComponent(name);
  if (refusal == sorv::rules::ExportRefusal::kNone) return std::string();
  return std::string("extract would refuse it: ") + RefusalText(refusal);
}

PackDecision PlanFile(const std::vector<std::u16string>& components, const std::vector<std::string>& wrapExtensions,
                      const uint8_t* head, size_t headSize, uint64_t fileSize) {
  PackDecision d;
  const std::vector<std::u16string> folder(components.begin(), components.end() - (components.empty() ? 0 : 1));
  d.note = FolderNameCheck(folder).Problem(components.empty() ? std::u16string_view() : components.back());
  if (!d.note.empty()) return d;
  const std::u16string name = Join(components);
  d.store = true;
  d.storedName = name;
  const bool asked = AskedToWrap(components, wrapExtensions);
  if (BeginsWithWrapHeader(head, headSize, fileSize)) {
    d.wrap = true;  // its own header must survive extract's unwrapping
    return d;
  }
  if (!asked) return d;

  const ResChar* sniffed = sorv::pkg::SniffExtension(head, head ? headSize : 0);
  const std::u16string ext(sniffed, sniffed + std::char_traits<ResChar>::length(sniffed));
  if (ext.empty()) {
    d.wrap = true;  // extract appends nothing, so the name stays as it is
    return d;
  }
  if (EndsWith(name, ext)) {
    const std::u16string stripped = name.substr(0, name.size() - ext.size());
    const sorv::rules::ExportTarget strippedTarget = sorv::rules::MakeExportTarget(u".", stripped);
    if (strippedTarget.Allowed() && strippedTarget.components.size() == components.size()) {
      d.wrap = true;
      d.storedName = stripped;
      return d;
    }
  }
  d.note = "stored without wrapping: its content is a " + std::string(ext.begin() + 1, ext.end()) +
           " image, so extract would add \"" + std::string(ext.begin(), ext.end()) +
           "\" to the name; a wrapped file's name must end in it";
  return d;
}

}  // namespace rdbtool
