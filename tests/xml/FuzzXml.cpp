// Arbitrary bytes as an XML document. The only allowed outcomes are events and
// CXMLParser::Exception with one of the parser's own messages; handler arguments are
// zero-terminated inside the buffers and the user value is threaded through every handler.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "layout/xml/CXMLParser.h"

namespace {

const char* const kMessages[] = {
    "Buffer overflow ecountered while parsing an element tag in CXMLParser::ParseStream",
    "Buffer overflow ecountered while parsing an element data in CXMLParser::ParseStream",
    "Unhandled Exception ecountered in CXMLParser::ParseStream",
    "Buffer overflow ecountered while parsing a comment in CXMLParser::ParseComment",
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseComment",
    "Buffer overflow ecountered while parsing a property name in CXMLParser::ParseProperties",
    "Buffer overflow ecountered while parsing a property value in CXMLParser::ParseProperties",
    "Unexpected EndOfFile encountered while parsing properties in CXMLParser::ParseProperties",
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseProcessingInstruction",
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseOverWhiteSpace",
};

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class CCheckingParser : public CXMLParser {
public:
  explicit CCheckingParser(std::uint32_t throwAt) : m_throwAt(throwAt) {}

  std::uint32_t calls = 0;
  std::uint64_t digest = 0;       // of the events, to compare two entry points
  const char* thrower = nullptr;  // the handler that threw, if any

  std::uint32_t OnProcessingInstructionBegin(const char* t, std::uint32_t v) override {
    return Check("OnProcessingInstructionBegin", t, "", v);
  }
  std::uint32_t OnProcessingInstructionEnd(const char* t, std::uint32_t v) override {
    return Check("OnProcessingInstructionEnd", t, "", v);
  }
  std::uint32_t OnElementBegin(const char* n, std::uint32_t v) override { return Check("OnElementBegin", n, "", v); }
  std::uint32_t OnElementData(const char* t, std::uint32_t v) override { return Check("OnElementData", t, "", v); }
  std::uint32_t OnElementEnd(const char* n, std::uint32_t v) override { return Check("OnElementEnd", n, "", v); }
  std::uint32_t OnProperty(const char* n, const char* val, std::uint32_t v) override {
    return Check("OnProperty", n, val, v);
  }
  std::uint32_t OnComment(const char* t, std::uint32_t v) override { return Check("OnComment", t, "", v); }

private:
  std::uint32_t Check(const char* handler, const char* a, const char* b, std::uint32_t value) {
    if (!a || !b) std::abort();
    // strnlen stops at the limit, so a missing terminator shows up here or under ASan.
    if (strnlen(a, kBufferSize) >= kBufferSize || strnlen(b, kBufferSize) >= kBufferSize) std::abort();
    if (value != calls) std::abort();
    ++calls;
    for (const char* p = handler; *p; ++p) digest = digest * 131 + static_cast<unsigned char>(*p);
    for (const char* p = a; *p; ++p) digest = digest * 131 + static_cast<unsigned char>(*p);
    for (const char* p = b; *p; ++p) digest = digest * 131 + static_cast<unsigned char>(*p);
    if (calls == m_throwAt) {
      thrower = handler;
      throw 1;
    }
    return value + 1;
  }

  std::uint32_t m_throwAt;
};

void CheckReport(const CCheckingParser& p, const CXMLParser::Exception& e) {
  if (p.thrower) {
    if (e.Message() != Wide(std::string("Unhandled exception encountered in call to ") + p.thrower)) std::abort();
    return;
  }
  for (const char* m : kMessages) {
    if (e.Message() == Wide(m)) return;
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // Through a stream, every byte, zeros included.
  {
    CCheckingParser p(0);
    std::istringstream in(bytes, std::ios::in | std::ios::binary);
    try {
      if (p.ParseStream(in) != p.calls) std::abort();
    } catch (const CXMLParser::Exception& e) {
      CheckReport(p, e);
    }
  }

  // Through ParseString, which stops at the first zero; on the same text a fresh parser
  // reading the stream directly must see the same events.
  {
    const std::string text = bytes.substr(0, bytes.find('\0'));
    CCheckingParser viaString(0);
    CCheckingParser viaStream(0);
    bool stringFailed = false;
    bool streamFailed = false;
    try {
      viaString.ParseString(text.c_str());
    } catch (const CXMLParser::Exception& e) {
      CheckReport(viaString, e);
      stringFailed = true;
    }
    std::istringstream in(text, std::ios::in | std::ios::binary);
    try {
      viaStream.ParseStream(in);
    } catch (const CXMLParser::Exception& e) {
      CheckReport(viaStream, e);
      streamFailed = true;
    }
    if (stringFailed != streamFailed || viaString.digest != viaStream.digest || viaString.calls != viaStream.calls)
      std::abort();
  }

  // A handler that throws at a call chosen by the first byte: the caller gets the guard's report.
  if (size > 0) {
    CCheckingParser p(data[0] % 16 + 1);
    std::istringstream in(bytes, std::ios::in | std::ios::binary);
    try {
      p.ParseStream(in);
    } catch (const CXMLParser::Exception& e) {
      CheckReport(p, e);
    }
  }
  return 0;
}
