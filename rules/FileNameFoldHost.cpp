// Host file systems compare names byte for byte, except the case-blind ones (FAT, exFAT,
// NTFS, SMB shares, case-folding folders), which compare them through an upper-case table
// as Windows does; the writer asks the target folder which it is.
#include <locale.h>
#include <wctype.h>

#include "rules/ExportPlan.h"

namespace sorv {
namespace rules {

namespace {

// Unicode's simple upper-case mapping, one UTF-16 unit to one (surrogates stay as they
// are), from the C library's UTF-8 locale, which carries the whole table whatever the
// user's locale is.
struct UpcaseTable {
  char16_t unit[0x10000];
  UpcaseTable() {
    for (unsigned u = 0; u < 0x10000; ++u) unit[u] = static_cast<char16_t>(u);
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    for (unsigned u = 0; u < 0x10000; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const wint_t upper = utf8 ? towupper_l(static_cast<wint_t>(u), utf8) : (u >= 'a' && u <= 'z' ? u - 32 : u);
      if (upper < 0x10000) unit[u] = static_cast<char16_t>(upper);
    }
    if (utf8) freelocale(utf8);
  }
};

void FoldWithUpcaseTable(char16_t* units, size_t count) {
  static const UpcaseTable table;
  for (size_t i = 0; i < count; ++i) units[i] = table.unit[units[i]];
}

}  // namespace

FileNameFold PlatformFileNameFold() { return nullptr; }

FileNameFold CaseBlindFileNameFold() { return &FoldWithUpcaseTable; }

}  // namespace rules
}  // namespace sorv
