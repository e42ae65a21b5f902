#include "rules/ExportPath.h"

#include <utility>

#include "platform/TextRules.h"

namespace sorv {
namespace rules {

namespace {

bool EqualsUpper(std::u16string_view text, const char16_t* upper) {
  size_t i = 0;
  for (; i < text.size() && upper[i]; ++i) {
    if (FoldAscii(text[i]) != upper[i]) return false;
  }
  return i == text.size() && upper[i] == 0;
}

}  // namespace

ExportRefusal CheckExportComponent(std::u16string_view component) {
  if (component.empty()) return ExportRefusal::kEmptyComponent;
  if (component == u"." || component == u"..") return ExportRefusal::kDotComponent;
  for (char16_t c : component) {
    if (c == u':') return ExportRefusal::kColon;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return ExportRefusal::kControlCharacter;
    if (c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*') {
      return ExportRefusal::kInvalidCharacter;
    }
  }
  const char16_t last = component.back();
  if (last == u'.' || last == u' ') return ExportRefusal::kTrailingDotOrSpace;
  if (IsReservedDeviceName(component)) return ExportRefusal::kReservedName;
  return ExportRefusal::kNone;
}

bool IsReservedDeviceName(std::u16string_view component) {
  std::u16string_view base = component.substr(0, component.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  static const char16_t* const kNames[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  for (const char16_t* name : kNames) {
    if (EqualsUpper(base, name)) return true;
  }
  if (base.size() != 4) return false;
  const std::u16string_view stem = base.substr(0, 3);
  if (!EqualsUpper(stem, u"COM") && !EqualsUpper(stem, u"LPT")) return false;
  const char16_t n = base[3];
  return (n >= u'0' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3';
}

ExportTarget MakeExportTarget(const std::u16string& folder, const std::u16string& storedName) {
  ExportTarget target;
  if (folder.empty()) {
    target.refusal = ExportRefusal::kNoFolder;
    return target;
  }
  std::u16string base = folder;
  if (IsSeparator(base.back())) base.back() = u'\\';
  else base += u'\\';

  std::vector<std::u16string> components;
  size_t start = 0;
  for (size_t i = 0; i <= storedName.size(); ++i) {
    if (i == storedName.size() || IsSeparator(storedName[i])) {
      components.push_back(storedName.substr(start, i - start));
      start = i + 1;
    }
  }
  for (const std::u16string& component : components) {
    const ExportRefusal refusal = CheckExportComponent(component);
    if (refusal != ExportRefusal::kNone) {
      target.refusal = refusal;
      return target;
    }
  }

  target.path = base;
  for (size_t i = 0; i < components.size(); ++i) {
    target.path += components[i];
    if (i + 1 < components.size()) target.path += u'\\';
  }
  target.components = std::move(components);
  return target;
}

std::u16string ExportDoneMessage(size_t notExported) {
  std::u16string text = u"导出文件完成!";
  if (notExported != 0) {
    const std::string digits = std::to_string(notExported);
    text += u"\r\n\r\n失败: ";
    text += std::u16string(digits.begin(), digits.end());
  }
  return text;
}

}  // namespace rules
}  // namespace sorv
