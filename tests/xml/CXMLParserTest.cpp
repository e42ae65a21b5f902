// Event traces and failures of the XML reader on small documents, the buffer limits, the
// handler guards and the file entry point.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/xml/CXMLEventRecorder.h"
#include "layout/xml/CXMLParser.h"
#include "platform/CodePage.h"

namespace {

using Events = std::vector<std::string>;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

const char kPropertiesEnd[] =
    "Unexpected EndOfFile encountered while parsing properties in CXMLParser::ParseProperties";
const char kCommentEnd[] =
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseComment";
const char kInstructionEnd[] =
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseProcessingInstruction";
const char kWhiteSpaceEnd[] =
    "Unexpected EndOfFile encountered while parsing a comment in CXMLParser::ParseOverWhiteSpace";

// Texts with a zero byte go through ParseStream (ParseString stops at the zero); the others
// through ParseString, which reaches ParseStream through the virtual table.
std::wstring Parse(CXMLEventRecorder& p, const std::string& input) {
  try {
    if (input.find('\0') != std::string::npos) {
      std::istringstream in(input, std::ios::in | std::ios::binary);
      p.ParseStream(in);
    } else {
      p.ParseString(input.c_str());
    }
  } catch (const CXMLParser::Exception& e) {
    return e.Message();
  }
  return std::wstring();
}

// The trace, and the user value threaded through it: the n-th event received n, and a
// completed parse returns the value the last handler gave back.
void ExpectTrace(const CXMLEventRecorder& p, const Events& expected, bool completed) {
  EXPECT_EQ(p.events, expected);
  for (std::size_t i = 0; i < p.values.size(); ++i) EXPECT_EQ(p.values[i], i) << "event " << i;
  if (completed) {
    EXPECT_EQ(p.result, p.events.size());
  }
}

struct TraceCase {
  const char* name;
  std::string input;
  Events events;
  const char* error;  // nullptr: the parse completes
};

std::ostream& operator<<(std::ostream& os, const TraceCase& c) { return os << c.name; }

class Trace : public testing::TestWithParam<TraceCase> {};

TEST_P(Trace, EventsAndOutcome) {
  const TraceCase& c = GetParam();
  CXMLEventRecorder p;
  const std::wstring error = Parse(p, c.input);
  EXPECT_EQ(error, Wide(c.error ? c.error : ""));
  ExpectTrace(p, c.events, c.error == nullptr);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Tags, Trace, testing::Values(
    TraceCase{"EmptyInputGivesOneEmptyData", "", {"D:"}, nullptr},
    TraceCase{"StartTagClosedByGt", "<a>", {"B:a", "D:"}, nullptr},
    TraceCase{"AttributesAndSpacesBeforeGt", R"(<a x="1" y="two words"  >)",
              {"B:a", "P:x=1", "P:y=two words", "D:"}, nullptr},
    TraceCase{"DataAndEndTag", "<a>text</a>", {"B:a", "D:text", "E:a", "D:"}, nullptr},
    TraceCase{"SelfClosingGivesOnlyEnd", "<a/>", {"E:a", "D:"}, nullptr},
    TraceCase{"SelfClosingWithAttributesRunsIntoName", R"(<a x="1"/><b y="2">)",
              {"B:a", "P:x=1", "P:/><b y=2", "D:"}, nullptr},
    TraceCase{"EndTagNameBeforeOrAfterSlash", "</a/b><c/d>", {"E:a/b", "E:c", "D:"}, nullptr},
    TraceCase{"OnlySpaceSeparatesName", "<a\tx=\"1\">", {"B:a\tx=\"1\"", "D:"}, nullptr},
    TraceCase{"SecondSpaceJoinsName", R"(<a  x="1">)", {"B:a", "P: x=1", "D:"}, nullptr},
    TraceCase{"TabBetweenAttributesStartsName", "<a x=\"1\"\ty=\"2\">", {"B:a", "P:x=1", "P:\ty=2", "D:"},
              nullptr},
    TraceCase{"SpacesAroundEqualsAreKept", R"(<a x = "1">)", {"B:a", "P:x = 1", "D:"}, nullptr},
    TraceCase{"SingleQuotesAreOrdinaryBytes", R"(<a x='1' y="2">)", {"B:a", "P:x='1' y2", "D:"}, nullptr},
    TraceCase{"EqualsInValueDroppedGtKept", R"(<a x="p=q >r<">)", {"B:a", "P:x=pq >r<", "D:"}, nullptr},
    TraceCase{"EntitiesPassThrough", R"(<a x="&amp;">&lt;&#20;</a>)",
              {"B:a", "P:x=&amp;", "D:&lt;&#20;", "E:a", "D:"}, nullptr},
    TraceCase{"MultibyteBytesPassThrough", "<a t=\"\xB4\xF2\">\xBF\xAA\xCE\xC4</a>",
              {"B:a", "P:t=\xB4\xF2", "D:\xBF\xAA\xCE\xC4", "E:a", "D:"}, nullptr}));

INSTANTIATE_TEST_SUITE_P(WhiteSpace, Trace, testing::Values(
    TraceCase{"LineFeedAfterTagsSkipped", "<a>\n  <b>1</b>\n  <c>2</c>\n</a>\n",
              {"B:a", "B:b", "D:1", "E:b", "B:c", "D:2", "E:c", "E:a", "D:"}, nullptr},
    TraceCase{"SpaceAfterEndTagIsData", "<a><b>1</b> <c/></a>",
              {"B:a", "B:b", "D:1", "E:b", "D: ", "E:c", "E:a", "D:"}, nullptr},
    TraceCase{"CrLfAfterEndTagIsData", "<a>\r\n  <b>1</b>\r\n  </a>\r\n",
              {"B:a", "B:b", "D:1", "E:b", "D:\r\n  ", "E:a", "D:\r\n"}, nullptr},
    TraceCase{"EndTagEndedBySpace", "<a></a >x", {"B:a", "E:a", "D:>x"}, nullptr},
    TraceCase{"WhiteSpaceAfterLastEndTag", "<a></a>\n \t\r\n", {"B:a", "E:a", "D:"}, nullptr},
    TraceCase{"LeadingDataKeepsWhiteSpace", " x <a>", {"D: x ", "B:a", "D:"}, nullptr}));

INSTANTIATE_TEST_SUITE_P(Comments, Trace, testing::Values(
    TraceCase{"WordAndSpace", "<!-- word -->\n<a>", {"C:word ", "B:a", "D:"}, nullptr},
    TraceCase{"FirstWordIsTagText", "<!--skipped kept -->", {"C:kept ", "D:"}, nullptr},
    TraceCase{"NoSpaceReadsFollowingBytes", "<!--x--><a>-->", {"C:<a>", "D:"}, nullptr},
    TraceCase{"EmptyText", "<!-- -->", {"C:", "D:"}, nullptr},
    TraceCase{"GtWithoutDashIsText", "<!-- a>b -- c -->", {"C:a>b -- c ", "D:"}, nullptr},
    TraceCase{"DataAroundCommentJoins", "x<!-- c -->y<a>", {"C:c ", "D:xy", "B:a", "D:"}, nullptr},
    TraceCase{"MarkerAnywhereInTag", "<a!--b c -->", {"C:c ", "D:"}, nullptr}));

INSTANTIATE_TEST_SUITE_P(Instructions, Trace, testing::Values(
    TraceCase{"DeclarationClosedByQuestionGt", "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<a>",
              {"PB:xml", "P:version=1.0", "P:encoding=GBK", "PE:xml", "B:a", "D:"}, nullptr},
    TraceCase{"NoAttributesKeepsDataPending", "x<?pi?>y<a>", {"PB:pi", "PE:pi", "D:xy", "B:a", "D:"}, nullptr},
    TraceCase{"ClosedByGt", R"(<?pi a="1">z)", {"PB:pi", "P:a=1", "PE:pi", "D:z"}, nullptr},
    TraceCase{"SpaceThenQuestionGt", "<?pi ?>z", {"PB:pi", "PE:pi", "D:z"}, nullptr},
    TraceCase{"AttributeThenSpaceQuestionGt", R"(<?pi a="1" ?>z)", {"PB:pi", "P:a=1", "PE:pi", "D:z"},
              nullptr}));

INSTANTIATE_TEST_SUITE_P(ZeroBytes, Trace, testing::Values(
    TraceCase{"InTagHidesSlash", "<a\0/b>"s, {"B:a", "D:"}, nullptr},
    TraceCase{"InTagHidesCommentMarker", "<a\0!--b>"s, {"B:a", "D:"}, nullptr},
    TraceCase{"AtTagStart", "<\0/a>"s, {"B:", "D:"}, nullptr},
    TraceCase{"InData", "x\0y<a>"s, {"D:x", "B:a", "D:"}, nullptr},
    TraceCase{"InNameAndValue", "<a n\0m=\"v\0w\">"s, {"B:a", "P:n=v", "D:"}, nullptr},
    TraceCase{"InComment", "<!-- c\0d -->"s, {"C:c", "D:"}, nullptr}));

INSTANTIATE_TEST_SUITE_P(EndOfInput, Trace, testing::Values(
    TraceCase{"InsideData", "<a>text", {"B:a", "D:text"}, nullptr},
    TraceCase{"InsideTagDropsTag", "x<ab", {"D:x"}, nullptr},
    TraceCase{"InsideValue", R"(<a x="1)", {"B:a"}, kPropertiesEnd},
    TraceCase{"BeforeAttributesGt", R"(<a x="1" )", {"B:a", "P:x=1"}, kPropertiesEnd},
    TraceCase{"InsideComment", "<!-- abc", {}, kCommentEnd},
    TraceCase{"CommentGtWithoutDash", "<!-- a>", {}, kCommentEnd},
    TraceCase{"InstructionBeforeAttributes", "<?pi ", {"PB:pi"}, kInstructionEnd},
    TraceCase{"InstructionAttributes", R"(<?pi a="1")", {"PB:pi", "P:a=1"}, kPropertiesEnd}));

// Each buffer takes 65,535 bytes; the 65,536th raises that buffer's own message.
struct LimitCase {
  const char* name;
  std::function<std::string(std::size_t)> document;  // with a text of n bytes in the buffer
  std::function<std::string(std::size_t)> event;     // the event that carries it
  const char* overflow;
};

std::ostream& operator<<(std::ostream& os, const LimitCase& c) { return os << c.name; }

class Limit : public testing::TestWithParam<LimitCase> {};

TEST_P(Limit, LargestTextFitsOneMoreByteOverflows) {
  const LimitCase& c = GetParam();
  const std::size_t largest = CXMLParser::kBufferSize - 1;
  {
    CXMLEventRecorder p;
    EXPECT_EQ(Parse(p, c.document(largest)), L"");
    const std::string expected = c.event(largest);
    bool found = false;
    for (const std::string& e : p.events) found = found || e == expected;
    EXPECT_TRUE(found) << "no event carries the full text";
  }
  {
    CXMLEventRecorder p;
    EXPECT_EQ(Parse(p, c.document(largest + 1)), Wide(c.overflow));
  }
}

std::string Run(std::size_t n, char c = 'x') { return std::string(n, c); }

INSTANTIATE_TEST_SUITE_P(Buffers, Limit, testing::Values(
    LimitCase{"TagText", [](std::size_t n) { return "<" + Run(n) + ">"; },
              [](std::size_t n) { return "B:" + Run(n); },
              "Buffer overflow ecountered while parsing an element tag in CXMLParser::ParseStream"},
    LimitCase{"ElementData", [](std::size_t n) { return "<a>" + Run(n) + "</a>"; },
              [](std::size_t n) { return "D:" + Run(n); },
              "Buffer overflow ecountered while parsing an element data in CXMLParser::ParseStream"},
    LimitCase{"ElementDataAtEnd", [](std::size_t n) { return Run(n); },
              [](std::size_t n) { return "D:" + Run(n); },
              "Buffer overflow ecountered while parsing an element data in CXMLParser::ParseStream"},
    LimitCase{"PropertyName", [](std::size_t n) { return "<a " + Run(n) + "=\"v\">"; },
              [](std::size_t n) { return "P:" + Run(n) + "=v"; },
              "Buffer overflow ecountered while parsing a property name in CXMLParser::ParseProperties"},
    LimitCase{"PropertyValue", [](std::size_t n) { return "<a n=\"" + Run(n) + "\">"; },
              [](std::size_t n) { return "P:n=" + Run(n); },
              "Buffer overflow ecountered while parsing a property value in CXMLParser::ParseProperties"},
    // The comment buffer holds the text and the "--" before the closing '>'.
    LimitCase{"Comment", [](std::size_t n) { return "<!-- " + Run(n - 2) + "-->"; },
              [](std::size_t n) { return "C:" + Run(n - 2); },
              "Buffer overflow ecountered while parsing a comment in CXMLParser::ParseComment"}));

// Whatever escapes a handler reaches the caller only as the guard's report for it.
struct GuardCase {
  const char* name;
  const char* handler;
  std::string input;
  Events events;  // up to and including the failing call
};

std::ostream& operator<<(std::ostream& os, const GuardCase& c) { return os << c.name; }

class Guard : public testing::TestWithParam<GuardCase> {};

TEST_P(Guard, ReplacesAnyHandlerException) {
  const GuardCase& c = GetParam();
  for (auto what : {CXMLEventRecorder::Throw::Runtime, CXMLEventRecorder::Throw::Int,
                    CXMLEventRecorder::Throw::ParserException}) {
    CXMLEventRecorder p;
    p.throwIn = c.handler;
    p.throwWhat = what;
    EXPECT_EQ(Parse(p, c.input), Wide(std::string("Unhandled exception encountered in call to ") + c.handler))
        << "thrown kind " << static_cast<int>(what);
    EXPECT_EQ(p.events, c.events);
  }
}

INSTANTIATE_TEST_SUITE_P(Handlers, Guard, testing::Values(
    GuardCase{"ElementBegin", "OnElementBegin", "<a>x", {"B:a"}},
    GuardCase{"ElementDataAtStartTag", "OnElementData", "x<a>", {"D:x"}},
    GuardCase{"ElementDataAtEndTag", "OnElementData", "<a>x</a>", {"B:a", "D:x"}},
    GuardCase{"ElementDataAtEnd", "OnElementData", "<a>x", {"B:a", "D:x"}},
    GuardCase{"ElementEnd", "OnElementEnd", "<a></a>", {"B:a", "E:a"}},
    GuardCase{"Property", "OnProperty", R"(<a x="1" y="2">)", {"B:a", "P:x=1"}},
    GuardCase{"Comment", "OnComment", "<!-- c -->x", {"C:c "}},
    GuardCase{"InstructionBegin", "OnProcessingInstructionBegin", "<?pi?>x", {"PB:pi"}},
    GuardCase{"InstructionEnd", "OnProcessingInstructionEnd", "<?pi?>x", {"PB:pi", "PE:pi"}}));

TEST(XmlStream, OtherExceptionsFromTheStreamBecomeOneReport) {
  CXMLEventRecorder p;
  std::istringstream in("<a>x");
  in.exceptions(std::ios::eofbit | std::ios::failbit | std::ios::badbit);
  try {
    p.ParseStream(in);
    FAIL() << "no exception";
  } catch (const CXMLParser::Exception& e) {
    EXPECT_EQ(e.Message(), L"Unhandled Exception ecountered in CXMLParser::ParseStream");
  }
  EXPECT_EQ(p.events, Events({"B:a"}));
}

TEST(XmlStream, FailedStreamReadsAsEmptyInput) {
  CXMLEventRecorder p;
  std::istringstream in("<a>x</a>");
  in.setstate(std::ios::failbit);
  EXPECT_EQ(p.ParseStream(in), 1u);
  EXPECT_EQ(p.events, Events({"D:"}));
}

// The end of input while skipping white space is a failure only when fewer bytes came than
// ParseString or ParseFile announced, and the announced length outlives their parse. A correct
// count is the bytes plus the attempt that met the end: steps back are taken off, looks
// ahead are not counted.
TEST(XmlStream, WhiteSpaceEndCheckedAgainstAnnouncedLength) {
  const std::string twelveBytes = "<b>\n<c></c>\n";  // steps back twice, looks ahead once
  {
    CXMLEventRecorder p;
    std::istringstream in(twelveBytes);
    p.ParseStream(in);  // nothing announced yet
    EXPECT_EQ(p.events, Events({"B:b", "B:c", "E:c", "D:"}));
  }
  CXMLEventRecorder p;
  EXPECT_EQ(Parse(p, "<a>" + std::string(11, '\n')), L"");  // 14 bytes announced
  p.events.clear();
  std::istringstream shortOfFourteen(twelveBytes);
  try {
    p.ParseStream(shortOfFourteen);
    FAIL() << "no exception";
  } catch (const CXMLParser::Exception& e) {
    EXPECT_EQ(e.Message(), Wide(kWhiteSpaceEnd));
  }
  EXPECT_EQ(p.events, Events({"B:b", "B:c", "E:c"}));

  EXPECT_EQ(Parse(p, "<a>" + std::string(10, '\n')), L"");  // 13 bytes announced
  std::istringstream enoughForThirteen(twelveBytes);
  EXPECT_NO_THROW(p.ParseStream(enoughForThirteen));
}

TEST(XmlStream, EachParseStartsFromACleanState) {
  CXMLEventRecorder p;
  EXPECT_EQ(Parse(p, "x<unfinished"), L"");
  EXPECT_EQ(Parse(p, R"(<a v="1)"), Wide(kPropertiesEnd));
  EXPECT_EQ(Parse(p, "<!-- open"), Wide(kCommentEnd));
  p.events.clear();
  p.values.clear();
  EXPECT_EQ(Parse(p, "<b>y"), L"");
  ExpectTrace(p, {"B:b", "D:y"}, true);
  EXPECT_EQ(p.streamCalls, 4);
}

// Bytes exactly as stored: a carriage return survives, so the file is read untranslated.
class XmlFile : public testing::Test {
protected:
  void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good());
    written.push_back(path);
  }
  void TearDown() override {
    for (const auto& path : written) std::filesystem::remove(path);
  }
  std::vector<std::filesystem::path> written;
};

TEST_F(XmlFile, ParsesTheFileBytes) {
  Write("xml_parser_test_input.xml", "<a x=\"1\">t\r\n</a>\r\n<b>\x1A</b>");
  CXMLEventRecorder p;
  p.ParseFile("xml_parser_test_input.xml");
  ExpectTrace(p, {"B:a", "P:x=1", "D:t\r\n", "E:a", "D:\r\n", "B:b", "D:\x1A", "E:b", "D:"}, true);
  EXPECT_EQ(p.streamCalls, 1);
}

// The path is narrow text in the thread's ANSI code page, as is the message made from it.
TEST_F(XmlFile, PathAndMessageUseTheAnsiCodePage) {
  const std::wstring name = L"\x5E03\x5C40.xml";  // two CJK characters
  Write(std::filesystem::u8path(u8"\u5E03\u5C40.xml"), "<a/>");
  CXMLEventRecorder p;
  p.ParseFile(sorv::WideToAnsi(name).c_str());
  EXPECT_EQ(p.events, Events({"E:a", "D:"}));

  const std::wstring missing = L"\x7F3A\x5931.xml";
  try {
    p.ParseFile(sorv::WideToAnsi(missing).c_str());
    FAIL() << "no exception";
  } catch (const CXMLParser::Exception& e) {
    EXPECT_EQ(e.Message(), L"Unable to open file " + missing + L" in CXMLParser::ParseFile");
  }
  EXPECT_EQ(p.streamCalls, 1);  // only the first file was parsed
}

TEST_F(XmlFile, FolderIsNoFile) {
  CXMLEventRecorder p;
  try {
    p.ParseFile(".");
    FAIL() << "no exception";
  } catch (const CXMLParser::Exception& e) {
    EXPECT_EQ(e.Message(), L"Unable to open file . in CXMLParser::ParseFile");
  }
  EXPECT_TRUE(p.events.empty());
}

TEST_F(XmlFile, EmptyFileIsAnEmptyDocument) {
  Write("xml_parser_test_empty.xml", "");
  CXMLEventRecorder p;
  p.ParseFile("xml_parser_test_empty.xml");
  ExpectTrace(p, {"D:"}, true);
}

}  // namespace
