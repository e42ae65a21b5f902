#include "cli/PackPlan.h"

#include "rules/ExportPath.h"
#include "package/PackageFormat.h"
#include "cli/RefusalText.h"
#include "platform/TextRules.h"

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

bool AskedToWrap(const std::vector<std::u16string>& components, const std::vector<std::string>& wrapExtensions) {
  if (components.empty()) return false;
  const std::u16string& last = components.back();
  const size_t dot = last.rfind(u'.');
  if (dot == std::u16string::npos) return false;
  const std::u16string ext = last.substr(dot + 1);
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

PackDecision PlanFile(const std::vector<std::u16string>& components, const std::vector<std::string>& wrapExtensions,
                      const uint8_t* head, size_t headSize, uint64_t fileSize) {
  PackDecision d;
  for (const std::u16string& part : components) {
    if (part.find(u'\\') != std::u16string::npos) {
      d.note = "the name holds \"\\\", which separates folders in a package";
      return d;
    }
  }
  const std::u16string name = Join(components);
  const sorv::rules::ExportTarget target = sorv::rules::MakeExportTarget(u".", name);
  if (!target.Allowed()) {
    d.note = std::string("extract would refuse it: ") + RefusalText(target.refusal);
    return d;
  }
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
