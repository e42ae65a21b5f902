#include "rules/SaveName.h"

#include "rules/PathSplit.h"

namespace sorv {
namespace rules {

std::u16string MakeSaveName(const std::u16string& storedName) {
  NameParts parts = SplitName(storedName);
  const size_t question = parts.ext.find(u'?');
  if (question != std::u16string::npos) parts.ext.resize(question);
  return parts.fname + parts.ext;
}

}  // namespace rules
}  // namespace sorv
