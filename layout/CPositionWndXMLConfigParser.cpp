#include "layout/CPositionWndXMLConfigParser.h"

#include <limits>
#include <utility>

namespace {

const char kElementName[] = "CPositionWnd";
const char kForeignElement[] =
    "Unexpected element encountered in CPositionWndXMLConfigParser::OnElementBegin";
const char kUnbalancedEnd[] =
    "Unexpected end tag encountered in CPositionWndXMLConfigParser::OnElementEnd";
const char kUnclosedElement[] =
    "Unexpected EndOfFile encountered inside an element in CPositionWndXMLConfigParser::ParseStream";

// Names match ignoring the case of ASCII letters only; other bytes compare exactly.
bool EqualsNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char ca = static_cast<unsigned char>(*a);
    unsigned char cb = static_cast<unsigned char>(*b);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Leading white space, an optional sign, then digits up to the first other byte; no digits
// read as 0. Values beyond 32 bits stop at the nearest limit instead of wrapping.
std::int32_t ReadDecimal(const char* p) {
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                      : std::int64_t{std::numeric_limits<std::int32_t>::max()};
  std::int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > limit) value = limit;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

CPositionWndXMLConfigParser::CPositionWndXMLConfigParser() : m_pCurrent(&m_root) {}

void CPositionWndXMLConfigParser::Refuse(const char* pszReason) {
  m_strRefusal = pszReason;
  throw CXMLParser::Exception(pszReason);
}

std::uint32_t CPositionWndXMLConfigParser::ParseStream(std::istream& in) {
  m_open.clear();
  m_pCurrent = &m_root;
  m_strRefusal.clear();
  const std::uint32_t nUser = CXMLParser::ParseStream(in);
  if (m_pCurrent != &m_root) Refuse(kUnclosedElement);
  return nUser;
}

std::uint32_t CPositionWndXMLConfigParser::OnElementBegin(const char* pszName, std::uint32_t nUser) {
  if (!EqualsNoCase(pszName, kElementName)) Refuse(kForeignElement);
  m_open.push_back(std::make_unique<CPositionWndConfig>(m_pCurrent));
  m_pCurrent = m_open.back().get();
  return nUser;
}

std::uint32_t CPositionWndXMLConfigParser::OnElementEnd(const char* pszName, std::uint32_t nUser) {
  if (m_pCurrent == &m_root || !EqualsNoCase(pszName, kElementName)) Refuse(kUnbalancedEnd);
  std::unique_ptr<CPositionWndConfig> record = std::move(m_open.back());
  m_open.pop_back();
  m_pCurrent = record->parent;
  m_pCurrent->AddChild(std::move(record));
  return nUser;
}

std::uint32_t CPositionWndXMLConfigParser::OnProperty(const char* pszName, const char* pszValue,
                                                      std::uint32_t nUser) {
  CPositionWndConfig& r = *m_pCurrent;
  struct Field {
    const char* name;
    std::int32_t CPositionWndConfig::*member;
  };
  static const Field kFields[] = {
      {"left", &CPositionWndConfig::left},           {"top", &CPositionWndConfig::top},
      {"right", &CPositionWndConfig::right},         {"bottom", &CPositionWndConfig::bottom},
      {"width", &CPositionWndConfig::width},         {"height", &CPositionWndConfig::height},
      {"top-lock", &CPositionWndConfig::topLock},    {"left-lock", &CPositionWndConfig::leftLock},
      {"bottom-lock", &CPositionWndConfig::bottomLock}, {"right-lock", &CPositionWndConfig::rightLock},
  };
  for (const Field& field : kFields) {
    if (EqualsNoCase(pszName, field.name)) {
      r.*field.member = ReadDecimal(pszValue);
      return nUser;
    }
  }
  if (EqualsNoCase(pszName, "id")) r.id = pszValue;
  // "text" and any other attribute are not used.
  return nUser;
}
