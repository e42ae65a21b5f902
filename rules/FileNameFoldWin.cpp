// Names below the export folder compare as the system compares file names: case-blind,
// one UTF-16 unit at a time, through the system's own upper-case table (the one the file
// systems and the object manager use for names).
#include <windows.h>

#include "rules/ExportPlan.h"

namespace sorv {
namespace rules {

namespace {

using Upcase = WCHAR(WINAPI*)(WCHAR);

struct UpcaseTable {
  char16_t unit[0x10000];
  UpcaseTable() {
    const auto upcase = reinterpret_cast<Upcase>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlUpcaseUnicodeChar")));
    for (unsigned u = 0; u < 0x10000; ++u) unit[u] = static_cast<char16_t>(u);
    if (upcase) {
      for (unsigned u = 0; u < 0x10000; ++u) unit[u] = static_cast<char16_t>(upcase(static_cast<WCHAR>(u)));
      return;
    }
    // Without it, the invariant upper-casing, unit by unit (surrogates stay as they are).
    for (unsigned u = 0; u < 0x10000; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      WCHAR in = static_cast<WCHAR>(u), out = in;
      if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &in, 1, &out, 1, nullptr, nullptr, 0) == 1)
        unit[u] = static_cast<char16_t>(out);
    }
  }
};

void FoldWithSystemTable(char16_t* units, size_t count) {
  static const UpcaseTable table;
  for (size_t i = 0; i < count; ++i) units[i] = table.unit[units[i]];
}

}  // namespace

FileNameFold PlatformFileNameFold() { return &FoldWithSystemTable; }

FileNameFold CaseBlindFileNameFold() { return &FoldWithSystemTable; }

}  // namespace rules
}  // namespace sorv
