#include "app/LayoutHookup.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "layout/xml/CXMLParser.h"
#include "platform/CodePage.h"
#include "resources/resource.h"

std::string LoadLayoutDescription() {
  // With a zero buffer size the call hands back the resource text itself, whatever its length.
  const wchar_t* resource = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), IDS_LAYOUT, reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || !resource) return std::string();
  return sorv::WideToAnsi(std::wstring(resource, static_cast<size_t>(length)));
}

namespace {
// A description can hold any 32-bit values; their difference must not overflow.
int Extent(std::int32_t from, std::int32_t to) {
  const std::int64_t d = std::int64_t{to} - from;
  return static_cast<int>(std::clamp<std::int64_t>(d, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
}  // namespace

bool HookUpLayout(CPositionWnd& root, HWND dialog, const std::string& description) {
  root.Attach(dialog, 1);
  try {
    root.LoadConfig(description.c_str());
  } catch (const CXMLParser::Exception&) {
    return false;
  }
  ::SetWindowPos(dialog, nullptr, 0, 0, Extent(root.left, root.right), Extent(root.top, root.bottom), SWP_NOMOVE | SWP_NOZORDER);
  return true;
}

bool HookUpLayout(CPositionWnd& root, HWND dialog) { return HookUpLayout(root, dialog, LoadLayoutDescription()); }
