#include "app/WorkText.h"

#include <vector>

#include "platform/TextRules.h"

namespace sorv {
namespace app {

namespace {

std::u16string Number(size_t n) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n);
  return digits;
}

bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

std::u16string Trim(const std::u16string& text) {
  size_t first = 0, last = text.size();
  while (first < last && (text[first] == u' ' || text[first] == u'\t')) ++first;
  while (last > first && (text[last - 1] == u' ' || text[last - 1] == u'\t')) --last;
  std::u16string t = text.substr(first, last - first);
  if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"') t = t.substr(1, t.size() - 2);
  return t;
}

// Splits `path` into its root ("D:\" or "\\server\share\") and the rest. False when it has
// neither.
bool SplitRoot(const std::u16string& path, std::u16string& root, std::u16string& rest) {
  if (path.size() >= 2 && IsLetter(path[0]) && path[1] == u':') {
    root = path.substr(0, 2) + u"\\";
    rest = path.substr(2);
    return true;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // Server and share belong to the root.
    std::u16string server, share;
    size_t i = 2;
    while (i < path.size() && !IsSeparator(path[i])) server += path[i++];
    while (i < path.size() && IsSeparator(path[i])) ++i;
    while (i < path.size() && !IsSeparator(path[i])) share += path[i++];
    if (server.empty() || share.empty()) return false;
    root = u"\\\\" + server + u"\\" + share + u"\\";
    rest = path.substr(i);
    return true;
  }
  return false;
}

}  // namespace

std::u16string ProgressText(const std::u16string& label, size_t done, size_t total, bool percent) {
  if (total == 0) return label;  // nothing counted yet
  if (done > total) done = total;
  if (percent) return label + u" " + Number(done * 100 / total) + u"%";
  return label + u" " + Number(done) + u"/" + Number(total);
}

std::u16string ExportStoppedMessage(size_t written, size_t total) {
  return u"导出已停止!\r\n\r\n已写入文件: " + Number(written) + u" / " + Number(total);
}

std::u16string ShortenedName(const std::u16string& name, size_t units) {
  if (name.size() <= units || units < 3) return name;
  size_t head = (units - 1) / 2;
  size_t tail = units - 1 - head;
  // Never half a surrogate pair on either side of the cut.
  if (head > 0 && IsHighSurrogate(name[head - 1])) --head;
  if (tail > 0 && IsLowSurrogate(name[name.size() - tail])) --tail;
  return name.substr(0, head) + u"\u2026" + name.substr(name.size() - tail);
}

std::u16string RefusalWords(rules::ExportRefusal refusal) {
  using rules::ExportRefusal;
  switch (refusal) {
    case ExportRefusal::kNone: return u"";
    case ExportRefusal::kNoFolder: return u"没有导出目录";
    case ExportRefusal::kEmptyComponent: return u"名称有空的部分";
    case ExportRefusal::kDotComponent: return u"名称含 . 或 .. 目录";
    case ExportRefusal::kColon: return u"名称含冒号";
    case ExportRefusal::kControlCharacter: return u"名称含控制字符";
    case ExportRefusal::kInvalidCharacter: return u"名称含文件名不能用的字符";
    case ExportRefusal::kTrailingDotOrSpace: return u"名称以点或空格结尾";
    case ExportRefusal::kReservedName: return u"名称是设备名";
    case ExportRefusal::kTooLong: return u"路径或名称太长";
    case ExportRefusal::kUnpairedSurrogate: return u"名称含不成对的代理字符";
    case ExportRefusal::kDuplicate: return u"与前面的条目是同一个文件";
    case ExportRefusal::kNameClash: return u"与前面条目的文件或目录同名";
  }
  return u"";
}

std::u16string ExportDoneText(size_t notExported, const std::vector<NotExportedEntry>& named) {
  std::u16string text = rules::ExportDoneMessage(notExported);
  if (notExported == 0) return text;
  size_t shown = 0;
  for (const NotExportedEntry& entry : named) {
    if (shown == kNamedNotExported) break;
    text += u"\r\n" + ShortenedName(entry.name, kNotExportedNameUnits) + u": " + entry.reason;
    ++shown;
  }
  if (notExported > shown) text += u"\r\n\u2026";
  return text;
}

bool ResolveTypedFolder(const std::u16string& base, const std::u16string& typed, std::u16string& out) {
  out.clear();
  const std::u16string text = Trim(typed);
  if (text.empty()) return false;
  for (char16_t c : text)
    if (c < 0x20 || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|') return false;

  std::u16string root, rest;
  if (!SplitRoot(text, root, rest)) {
    // A network path without its share names no folder.
    if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) return false;
    std::u16string baseRest;
    if (!SplitRoot(base, root, baseRest)) return false;
    // "\x" starts at the root of the selected folder's drive; "x" inside the folder.
    rest = IsSeparator(text[0]) ? text : baseRest + u"\\" + text;
  }
  // A ":" past the drive would name a stream, not a folder.
  if (rest.find(u':') != std::u16string::npos) return false;

  std::vector<std::u16string> parts;
  std::u16string part;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || IsSeparator(rest[i])) {
      if (part == u"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != u".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += rest[i];
    }
  }
  out = root;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? u"\\" : u"") + parts[i];
  return true;
}

}  // namespace app
}  // namespace sorv
