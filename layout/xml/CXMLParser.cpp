#include "layout/xml/CXMLParser.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/CodePage.h"

namespace {

const char kTagOverflow[] =
    "Buffer overflow ecountered while parsing an element tag in CXMLParser::ParseStream";
const char kDataOverflow[] =
    "Buffer overflow ecountered while parsing an element data in CXMLParser::ParseStream";
const char kStreamUnhandled[] = "Unhandled Exception ecountered in CXMLParser::ParseStream";
const char kCommentOverflow[] =
    "Buffer overflow ecountered while parsing a comment in CXMLParser::ParseComment";
const char kCommentEnd[] =
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseComment";
const char kNameOverflow[] =
    "Buffer overflow ecountered while parsing a property name in CXMLParser::ParseProperties";
const char kValueOverflow[] =
    "Buffer overflow ecountered while parsing a property value in CXMLParser::ParseProperties";
const char kPropertiesEnd[] =
    "Unexpected EndOfFile encountered while parsing properties in CXMLParser::ParseProperties";
const char kInstructionEnd[] =
    "Unexpected EndOfFile encountered while parsing a comment in "
    "CXMLParser::ParseProcessingInstruction";
const char kWhiteSpaceEnd[] =
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseOverWhiteSpace";

const int kEnd = std::char_traits<char>::eof();

// The byte is stored first and the count checked after, so 65,535 bytes fit and the cell
// after them always remains for the terminating zero.
void Store(char* pBuffer, std::size_t& nCount, int c, const char* pszOverflow) {
  pBuffer[nCount++] = static_cast<char>(c);
  if (nCount == CXMLParser::kBufferSize) throw CXMLParser::Exception(pszOverflow);
}

// A handler call as the reading steps make it: nothing but our own report with the
// handler's name may leave it, not even an Exception the handler threw itself.
template <typename Call>
std::uint32_t Guarded(const char* pszMessage, Call call) {
  try {
    return call();
  } catch (...) {
    throw CXMLParser::Exception(pszMessage);
  }
}

bool IsWhiteSpace(int c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

}  // namespace

CXMLParser::Exception::Exception(const std::string& message) : m_strMessage(sorv::AnsiToWide(message)) {}

void CXMLParser::ParseFile(const char* pszPath) {
  // One open serves both the size and the reading, so the file cannot change in between.
  std::ifstream in(pszPath, std::ios::in | std::ios::binary);
  std::streamoff nSize = -1;
  if (in.is_open() && in.seekg(0, std::ios::end)) {
    nSize = static_cast<std::streamoff>(in.tellg());
    in.seekg(0, std::ios::beg);
    in.peek();  // a path that opens but cannot be read (a folder) fails here, not as an empty text
  }
  if (nSize < 0 || in.fail()) {
    throw Exception(std::string("Unable to open file ") + pszPath + " in CXMLParser::ParseFile");
  }
  m_nExpectedLength = static_cast<std::uint32_t>(nSize);
  ParseStream(in);
}

void CXMLParser::ParseString(const char* pszText) {
  const std::size_t nLength = std::strlen(pszText);
  m_nExpectedLength = static_cast<std::uint32_t>(nLength);
  std::istringstream in(std::string(pszText, nLength), std::ios::in | std::ios::binary);
  ParseStream(in);
}

int CXMLParser::TakeByte(std::istream& in) {
  ++m_nBytesRead;
  return in.get();  // a stream that is already failed reads as the end of input
}

void CXMLParser::StepBack(std::istream& in) {
  in.unget();
  --m_nBytesRead;
}

std::uint32_t CXMLParser::ParseStream(std::istream& in) {
  try {
    char szTag[kBufferSize];
    char szData[kBufferSize];
    std::size_t nTag = 0;
    std::size_t nData = 0;
    bool bInTag = false;
    std::uint32_t nUser = 0;
    m_nBytesRead = 0;

    for (int c = TakeByte(in); c != kEnd; c = TakeByte(in)) {
      if (!bInTag) {
        if (c == '<') {
          bInTag = true;
        } else {
          Store(szData, nData, c, kDataOverflow);
        }
        continue;
      }
      // Only a space separates the name from the attributes: tabs and line ends are tag text.
      if (c != ' ' && c != '>') {
        Store(szTag, nTag, c, kTagOverflow);
        continue;
      }
      // A zero byte in the tag ends it for the classification as for the handlers.
      szTag[nTag] = '\0';
      if (char* pSlash = std::strchr(szTag, '/')) {
        if (nData > 0) {
          szData[nData] = '\0';
          nUser = Guarded("Unhandled exception encountered in call to OnElementData",
                          [&] { return OnElementData(szData, nUser); });
          nData = 0;
        }
        const char* pszName = szTag;
        if (pSlash == szTag) {
          pszName = szTag + 1;
        } else {
          *pSlash = '\0';
        }
        nUser = Guarded("Unhandled exception encountered in call to OnElementEnd",
                        [&] { return OnElementEnd(pszName, nUser); });
        if (in.peek() == '\n') ParseOverWhiteSpace(in);
      } else if (std::strstr(szTag, "!--") != nullptr) {
        // Pending data stays and grows on after the comment.
        nUser = ParseComment(in, nUser);
        ParseOverWhiteSpace(in);
      } else if (szTag[0] == '?') {
        nUser = ParseProcessingInstruction(in, szTag + 1, c == '>', nUser);
        ParseOverWhiteSpace(in);
      } else {
        if (nData > 0) {
          szData[nData] = '\0';
          nUser = Guarded("Unhandled exception encountered in call to OnElementData",
                          [&] { return OnElementData(szData, nUser); });
          nData = 0;
        }
        nUser = Guarded("Unhandled exception encountered in call to OnElementBegin",
                        [&] { return OnElementBegin(szTag, nUser); });
        if (c == ' ') nUser = ParseProperties(in, nUser, false);
        ParseOverWhiteSpace(in);
      }
      bInTag = false;
      nTag = 0;
    }

    // The end of input inside data or a tag is no failure: the data so far is the last
    // event, and an unfinished tag is dropped.
    szData[nData] = '\0';
    return Guarded("Unhandled exception encountered in call to OnElementData",
                   [&] { return OnElementData(szData, nUser); });
  } catch (const Exception&) {
    throw;
  } catch (...) {
    throw Exception(kStreamUnhandled);
  }
}

std::uint32_t CXMLParser::ParseProperties(std::istream& in, std::uint32_t nUser, bool bInstruction) {
  char szName[kBufferSize];
  char szValue[kBufferSize];
  std::size_t nName = 0;
  std::size_t nValue = 0;
  bool bInName = true;
  bool bAfterEquals = false;
  bool bInQuotes = false;

  for (;;) {
    const int c = TakeByte(in);
    if (c == kEnd) throw Exception(kPropertiesEnd);
    if (c == '=') {
      // Also inside quotes: an '=' is kept nowhere.
      bInName = false;
      bAfterEquals = true;
    } else if (c == '"') {
      bInQuotes = !bInQuotes;
      if (bInQuotes) continue;
      szName[nName] = '\0';
      szValue[nValue] = '\0';
      nUser = Guarded("Unhandled exception encountered in call to OnProperty",
                      [&] { return OnProperty(szName, szValue, nUser); });
      nName = 0;
      nValue = 0;
      bInName = false;
      bAfterEquals = false;
    } else if (bInName) {
      Store(szName, nName, c, kNameOverflow);
    } else if (bAfterEquals) {
      Store(szValue, nValue, c, kValueOverflow);
    } else if (c == '>') {
      return nUser;
    } else if (c == ' ') {
      continue;
    } else if (bInstruction && c == '?' && in.peek() == '>') {
      TakeByte(in);  // "?>" closes an instruction
      return nUser;
    } else {
      Store(szName, nName, c, kNameOverflow);
      bInName = true;
    }
  }
}

std::uint32_t CXMLParser::ParseComment(std::istream& in, std::uint32_t nUser) {
  char szText[kBufferSize];
  std::size_t nText = 0;

  for (;;) {
    const int c = TakeByte(in);
    if (c == kEnd) throw Exception(kCommentEnd);
    if (c == '>' && nText > 0 && szText[nText - 1] == '-') break;
    Store(szText, nText, c, kCommentOverflow);
  }
  // The closing "--" is not part of the text.
  szText[nText >= 2 ? nText - 2 : 0] = '\0';
  return Guarded("Unhandled exception encountered in call to OnComment",
                 [&] { return OnComment(szText, nUser); });
}

// The target is the tag text after its '?'. When '>' ended the tag, the instruction is
// complete (a '?' right before that '>' closes it and is not part of the target);
// otherwise its attributes follow, closed by "?>" or by '>'.
std::uint32_t CXMLParser::ParseProcessingInstruction(std::istream& in, char* pszTarget, bool bTagClosed,
                                                     std::uint32_t nUser) {
  if (bTagClosed) {
    const std::size_t nTarget = std::strlen(pszTarget);
    if (nTarget > 0 && pszTarget[nTarget - 1] == '?') pszTarget[nTarget - 1] = '\0';
  }
  nUser = Guarded("Unhandled exception encountered in call to OnProcessingInstructionBegin",
                  [&] { return OnProcessingInstructionBegin(pszTarget, nUser); });
  while (!bTagClosed) {
    const int c = TakeByte(in);
    if (c == kEnd) throw Exception(kInstructionEnd);
    if (c == '>') break;
    if (c == ' ') continue;
    if (c == '?' && in.peek() == '>') {
      TakeByte(in);
      break;
    }
    // The first attribute: the list reads on to the instruction's closing.
    StepBack(in);
    nUser = ParseProperties(in, nUser, true);
    break;
  }
  return Guarded("Unhandled exception encountered in call to OnProcessingInstructionEnd",
                 [&] { return OnProcessingInstructionEnd(pszTarget, nUser); });
}

void CXMLParser::ParseOverWhiteSpace(std::istream& in) {
  for (;;) {
    const int c = TakeByte(in);
    if (c == kEnd) {
      // Fewer bytes than announced: the input ended early.
      if (m_nBytesRead < m_nExpectedLength) throw Exception(kWhiteSpaceEnd);
      return;
    }
    if (!IsWhiteSpace(c)) {
      StepBack(in);
      return;
    }
  }
}

std::uint32_t CXMLParser::OnProcessingInstructionBegin(const char*, std::uint32_t nUser) { return nUser; }
std::uint32_t CXMLParser::OnProcessingInstructionEnd(const char*, std::uint32_t nUser) { return nUser; }
std::uint32_t CXMLParser::OnElementBegin(const char*, std::uint32_t nUser) { return nUser; }
std::uint32_t CXMLParser::OnElementData(const char*, std::uint32_t nUser) { return nUser; }
std::uint32_t CXMLParser::OnElementEnd(const char*, std::uint32_t nUser) { return nUser; }
std::uint32_t CXMLParser::OnProperty(const char*, const char*, std::uint32_t nUser) { return nUser; }
std::uint32_t CXMLParser::OnComment(const char*, std::uint32_t nUser) { return nUser; }
