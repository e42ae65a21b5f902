#include "rules/TypeFilter.h"

#include <string>

#include "platform/TextRules.h"

namespace sorv {
namespace rules {

namespace {

// One row per choice, in the drop-down's order: its text, its pattern and the name
// rdbtool's --type gives it.
struct FilterChoice {
  const char16_t* text;
  const char16_t* pattern;
  const char* name;
};

const FilterChoice kChoices[kFilterCount] = {
    {u"过滤:所有文件(*.*)", nullptr, "all"},
    {u"过滤:图片文件(*.png;*.jpg;*.bmp;*.ico;*.gft)", u"*.png;*.jpg;*.bmp;*.ico;*.gft", "images"},
    {u"过滤:PNG图片(*.png;)", u"*.png;", "png"},
    {u"过滤:JPG图片(*.jpg;)", u"*.jpg;", "jpg"},
    {u"过滤:BMP图片(*.bmp)", u"*.bmp", "bmp"},
    {u"过滤:GFT图片(*.gft)", u"*.gft", "gft"},
    {u"过滤:ICO图标(*.ico)", u"*.ico", "ico"},
    {u"过滤:XML文件(*.xml)", u"*.xml", "xml"},
    {u"过滤:GMD文件(*.gmd)", u"*.gmd", "gmd"},
    {u"过滤:LUA文件(*.lua)", u"*.lua", "lua"},
};

std::u16string Decimal(size_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

const char16_t* FilterText(int index) {
  return (index >= 0 && index < kFilterCount) ? kChoices[index].text : nullptr;
}

const char* FilterName(int index) {
  return (index >= 0 && index < kFilterCount) ? kChoices[index].name : nullptr;
}

const char16_t* FilterPattern(int index) {
  return (index >= 0 && index < kFilterCount) ? kChoices[index].pattern : nullptr;
}

// Scans the pattern in place, copying nothing: the tree filter calls this once per entry.
bool ExtensionMatches(std::u16string_view ext, std::u16string_view pattern) {
  if (ext.empty()) return false;
  size_t start = 0;
  while (start <= pattern.size()) {
    size_t end = pattern.find(u';', start);
    if (end == std::u16string_view::npos) end = pattern.size();
    const size_t dot = pattern.find(u'.', start);
    if (dot < end && end - dot == ext.size()) {
      size_t i = 0;
      while (i < ext.size() && FoldAscii(ext[i]) == FoldAscii(pattern[dot + i])) ++i;
      if (i == ext.size()) return true;
    }
    start = end + 1;
  }
  return false;
}

bool IsListed(int filterIndex, std::u16string_view ext) {
  const char16_t* pattern = FilterPattern(filterIndex);
  return pattern == nullptr || ExtensionMatches(ext, pattern);
}

std::u16string CountStatusText(int filterIndex, size_t total, size_t listed) {
  std::u16string text = u"共有文件:" + Decimal(total);
  if (filterIndex != 0) text += u" 过滤后:" + Decimal(listed);
  return text;
}

}  // namespace rules
}  // namespace sorv
