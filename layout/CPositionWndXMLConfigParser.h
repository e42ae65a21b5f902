// Reads a layout description into a tree of CPositionWndConfig records below a hidden root
// record: one record per CPositionWnd element, nested as the elements are. A record joins
// its parent when its end tag is read.
//
// Only well-formed descriptions are accepted: an element of another name, an end tag with
// no open element and an element still open at the end of the text make the parse fail with
// CXMLParser::Exception, so that a broken description is never half applied. The parser's
// guard replaces what a handler throws with its own message naming the handler; the reader's
// own reason stays readable through Refusal().
#pragma once
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "layout/CPositionWndConfig.h"
#include "layout/xml/CXMLParser.h"

class CPositionWndXMLConfigParser : public CXMLParser {
 public:
  CPositionWndXMLConfigParser();
  CPositionWndXMLConfigParser(const CPositionWndXMLConfigParser&) = delete;
  CPositionWndXMLConfigParser& operator=(const CPositionWndXMLConfigParser&) = delete;

  // Each document starts from the hidden root; an element left open at its end fails it.
  std::uint32_t ParseStream(std::istream& in) override;

  std::uint32_t OnElementBegin(const char* pszName, std::uint32_t nUser) override;
  std::uint32_t OnElementEnd(const char* pszName, std::uint32_t nUser) override;
  std::uint32_t OnProperty(const char* pszName, const char* pszValue, std::uint32_t nUser) override;

  // The hidden root record: the top-level elements are its children.
  const CPositionWndConfig& Root() const { return m_root; }
  // Why the last document was refused, or empty when it was not refused for its structure.
  const std::string& Refusal() const { return m_strRefusal; }

 private:
  // Keeps the reason and throws it.
  [[noreturn]] void Refuse(const char* pszReason);

  CPositionWndConfig* m_pCurrent;  // the record the next attribute is written into
  CPositionWndConfig m_root;
  // Records whose start tag has been read but not yet their end tag, outermost first; they
  // are owned here until they join their parent.
  std::vector<std::unique_ptr<CPositionWndConfig>> m_open;
  std::string m_strRefusal;
};
