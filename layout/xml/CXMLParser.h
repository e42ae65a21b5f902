// Event-driven reader for the small XML subset of the layout description: elements,
// double-quoted attributes, text between tags, comments and processing instructions.
// It builds no tree and checks no nesting; a subclass overrides the handlers it needs.
// Texts are narrow bytes handed over exactly as they stand (no entities, no conversion).
#pragma once

#include <cstdint>
#include <istream>
#include <string>

class CXMLParser {
public:
  // The parser's one failure report; the message is wide text made from the narrow
  // message through the thread's ANSI code page.
  class Exception {
  public:
    explicit Exception(const std::string& message);
    const std::wstring& Message() const { return m_strMessage; }

  private:
    std::wstring m_strMessage;
  };

  // Each reading step keeps its texts in fixed buffers of this size; the last cell is
  // reserved for the terminating zero.
  static constexpr std::size_t kBufferSize = 65536;

  CXMLParser() = default;

  // The order of these declarations is the order of the virtual table.
  virtual void ParseFile(const char* pszPath);
  virtual void ParseString(const char* pszText);
  virtual std::uint32_t ParseStream(std::istream& in);

  // Handlers: each gets the value the previous handler returned and returns the value for
  // the next one. Text arguments live only for the duration of the call.
  virtual std::uint32_t OnProcessingInstructionBegin(const char* pszTarget, std::uint32_t nUser);
  virtual std::uint32_t OnProcessingInstructionEnd(const char* pszTarget, std::uint32_t nUser);
  virtual std::uint32_t OnElementBegin(const char* pszName, std::uint32_t nUser);
  virtual std::uint32_t OnElementData(const char* pszText, std::uint32_t nUser);
  virtual std::uint32_t OnElementEnd(const char* pszName, std::uint32_t nUser);
  virtual std::uint32_t OnProperty(const char* pszName, const char* pszValue, std::uint32_t nUser);
  virtual std::uint32_t OnComment(const char* pszText, std::uint32_t nUser);

protected:
  // Read attempts on the stream in the current ParseStream, the one that met the end of
  // input included; a step back takes one off.
  std::uint32_t m_nBytesRead = 0;
  // Length of the input announced by ParseFile or ParseString; 0 until one of them runs.
  std::uint32_t m_nExpectedLength = 0;

private:
  std::uint32_t ParseProperties(std::istream& in, std::uint32_t nUser, bool bInstruction);
  std::uint32_t ParseComment(std::istream& in, std::uint32_t nUser);
  std::uint32_t ParseProcessingInstruction(std::istream& in, char* pszTarget, bool bTagClosed,
                                           std::uint32_t nUser);
  void ParseOverWhiteSpace(std::istream& in);

  int TakeByte(std::istream& in);
  void StepBack(std::istream& in);
};
