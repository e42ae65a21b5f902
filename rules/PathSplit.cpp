#include "rules/PathSplit.h"

#include "platform/TextRules.h"

namespace sorv {
namespace rules {

PathParts SplitPath(const std::u16string& path) {
  PathParts parts;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == u':') {
    parts.drive = path.substr(0, 2);
    pos = 2;
  }
  size_t nameStart = pos;
  for (size_t i = pos; i < path.size(); ++i) {
    if (IsSeparator(path[i])) nameStart = i + 1;
  }
  parts.dir = path.substr(pos, nameStart - pos);
  size_t dot = path.size();
  for (size_t i = nameStart; i < path.size(); ++i) {
    if (path[i] == u'.') dot = i;
  }
  parts.fname = path.substr(nameStart, dot - nameStart);
  parts.ext = path.substr(dot);
  return parts;
}

std::u16string CutToUnits(const std::u16string& text, size_t maxUnits) {
  if (text.size() <= maxUnits) return text;
  size_t length = maxUnits;
  if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
  return text.substr(0, length);
}

NameParts SplitName(const std::u16string& storedName) {
  PathParts parts = SplitPath(storedName);
  return NameParts{CutToUnits(parts.fname, kSplitRoom - 1), CutToUnits(parts.ext, kSplitRoom - 1)};
}

}  // namespace rules
}  // namespace sorv
