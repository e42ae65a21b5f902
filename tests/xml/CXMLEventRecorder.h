// A parser that writes down every event it is handed, with the user value it was given.
// Each handler returns the value plus one, so a trace whose values run 0, 1, 2, ... shows
// that every handler received what the one before it returned.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "layout/xml/CXMLParser.h"

class CXMLEventRecorder : public CXMLParser {
public:
  enum class Throw { Nothing, Runtime, Int, ParserException };

  std::vector<std::string> events;     // "B:name", "D:text", "E:name", "P:name=value", "C:text",
                                       // "PB:target", "PE:target"
  std::vector<std::uint32_t> values;   // the user value each event received
  std::uint32_t result = 0;            // what the last ParseStream returned
  int streamCalls = 0;                 // ParseStream calls, however they were reached

  // Makes the named handler throw the first time it is called.
  std::string throwIn;
  Throw throwWhat = Throw::Nothing;

  std::uint32_t ParseStream(std::istream& in) override {
    ++streamCalls;
    result = CXMLParser::ParseStream(in);
    return result;
  }

  std::uint32_t OnProcessingInstructionBegin(const char* t, std::uint32_t v) override {
    return Record("OnProcessingInstructionBegin", "PB:" + std::string(t), v);
  }
  std::uint32_t OnProcessingInstructionEnd(const char* t, std::uint32_t v) override {
    return Record("OnProcessingInstructionEnd", "PE:" + std::string(t), v);
  }
  std::uint32_t OnElementBegin(const char* n, std::uint32_t v) override {
    return Record("OnElementBegin", "B:" + std::string(n), v);
  }
  std::uint32_t OnElementData(const char* t, std::uint32_t v) override {
    return Record("OnElementData", "D:" + std::string(t), v);
  }
  std::uint32_t OnElementEnd(const char* n, std::uint32_t v) override {
    return Record("OnElementEnd", "E:" + std::string(n), v);
  }
  std::uint32_t OnProperty(const char* n, const char* val, std::uint32_t v) override {
    return Record("OnProperty", "P:" + std::string(n) + "=" + val, v);
  }
  std::uint32_t OnComment(const char* t, std::uint32_t v) override {
    return Record("OnComment", "C:" + std::string(t), v);
  }

private:
  std::uint32_t Record(const char* handler, std::string event, std::uint32_t value) {
    events.push_back(std::move(event));
    values.push_back(value);
    if (throwWhat != Throw::Nothing && throwIn == handler) {
      const Throw what = throwWhat;
      throwWhat = Throw::Nothing;
      switch (what) {
        case Throw::Runtime: throw std::runtime_error("handler failed");
        case Throw::Int: throw 7;
        case Throw::ParserException: throw CXMLParser::Exception("handler's own report");
        case Throw::Nothing: break;
      }
    }
    return value + 1;
  }
};
