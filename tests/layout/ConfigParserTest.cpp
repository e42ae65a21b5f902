// The layout description reader: the shipped description, and the texts that decide what a
// record holds, under which key it is found, and when a description is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "layout/CPositionWndConfig.h"
#include "layout/CPositionWndXMLConfigParser.h"
#include "platform/CodePage.h"

namespace {

// The description the program carries, as it reaches the reader: the resource text
// converted to the ANSI code page (UTF-8 on the host).
std::string ShippedDescription() {
  std::ifstream in(SORVRES_LAYOUT_XML, std::ios::binary);
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return sorv::WideToAnsi(sorv::AnsiToWide(utf8));
}

std::vector<std::string> Keys(const CPositionWndConfig& record) {
  std::vector<std::string> keys;
  for (const auto& entry : record.children) keys.push_back(entry.first);
  return keys;
}

// left, top, right, bottom, width, height, topLock, leftLock, bottomLock, rightLock
std::vector<std::int32_t> Values(const CPositionWndConfig& r) {
  return {r.left, r.top, r.right, r.bottom, r.width, r.height, r.topLock, r.leftLock, r.bottomLock, r.rightLock};
}

// One top-level element with the given start-tag attributes, parsed.
struct Parsed {
  explicit Parsed(const std::string& text) { parser.ParseString(text.c_str()); }
  const CPositionWndConfig& Root() const { return parser.Root(); }
  CPositionWndXMLConfigParser parser;
};

}  // namespace

TEST(ConfigParser, ShippedDescriptionGivesOneRecordWithSevenChildrenInKeyOrder) {
  const std::string text = ShippedDescription();
  ASSERT_FALSE(text.empty()) << SORVRES_LAYOUT_XML;
  Parsed parsed(text);
  const CPositionWndConfig& root = parsed.Root();
  EXPECT_EQ(root.parent, nullptr);
  ASSERT_EQ(Keys(root), std::vector<std::string>({"SorvRes"}));

  const CPositionWndConfig* top = root.FindChild("SorvRes");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->parent, &root);
  EXPECT_EQ(top->id, "SorvRes");
  EXPECT_EQ(Values(*top), std::vector<std::int32_t>({0, 0, 642, 382, 642, 382, 1, 1, 0, 0}));
  ASSERT_EQ(Keys(*top), std::vector<std::string>({"1000", "1001", "1002", "1003", "1005", "1006", "2"}));

  const struct {
    const char* id;
    std::vector<std::int32_t> values;
  } rows[] = {
      {"1000", {12, 312, 323, 11, 299, 25, 0, 1, 1, 1}}, {"1001", {315, 312, 249, 11, 70, 25, 0, 0, 1, 1}},
      {"1002", {394, 312, 170, 11, 70, 25, 0, 0, 1, 1}}, {"1003", {473, 312, 91, 11, 70, 25, 0, 0, 1, 1}},
      {"2", {551, 312, 13, 11, 70, 25, 0, 0, 1, 1}},     {"1005", {12, 12, 311, 40, 299, 296, 1, 1, 1, 0}},
      {"1006", {315, 12, 13, 42, 306, 294, 1, 1, 1, 1}},
  };
  for (const auto& row : rows) {
    const CPositionWndConfig* record = top->FindChild(row.id);
    ASSERT_NE(record, nullptr) << row.id;
    EXPECT_EQ(record->parent, top) << row.id;
    EXPECT_EQ(Values(*record), row.values) << row.id;
    EXPECT_TRUE(record->children.empty()) << row.id;
  }
  // Keys are exact: no trimming, no case folding, no numeric reading.
  for (const char* key : {"sorvres", "01000", " 1000", "+1000", "1000 ", "1004", ""})
    EXPECT_EQ(top->FindChild(key), nullptr) << key;
}

TEST(ConfigParser, NamesMatchInAnyAsciiCaseAndUnknownAttributesAreIgnored) {
  Parsed parsed(
      "<cpositionwnd LEFT=\"5\" Top=\"6\" RIGHT=\"7\" bottom=\"8\" WIDTH=\"9\" height=\"10\" ID=\"a\" "
      "TEXT=\"x\" colour=\"red\" Top-Lock=\"0\" LEFT-LOCK=\"0\" bottom-LOCK=\"1\" rIGHT-lOCK=\"1\">\n"
      "</CPOSITIONWND>\n");
  const CPositionWndConfig* record = parsed.Root().FindChild("a");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(Values(*record), std::vector<std::int32_t>({5, 6, 7, 8, 9, 10, 0, 0, 1, 1}));
  EXPECT_EQ(Keys(parsed.Root()), std::vector<std::string>({"a"}));
}

TEST(ConfigParser, MissingAttributesGiveTopLeftLocksZeroGeometryAndTheEmptyKey) {
  Parsed parsed("<CPositionWnd>\n</CPositionWnd>\n");
  const CPositionWndConfig* record = parsed.Root().FindChild("");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(Values(*record), std::vector<std::int32_t>({0, 0, 0, 0, 0, 0, 1, 1, 0, 0}));
}

TEST(ConfigParser, LaterSiblingWithTheSameIdReplacesTheEarlierOne) {
  Parsed parsed(
      "<CPositionWnd id=\"top\">\n"
      "<CPositionWnd id=\"7\" left=\"1\">\n<CPositionWnd id=\"inner\">\n</CPositionWnd>\n</CPositionWnd>\n"
      "<CPositionWnd id=\"8\" left=\"2\">\n</CPositionWnd>\n"
      "<CPositionWnd id=\"7\" left=\"3\">\n</CPositionWnd>\n"
      "</CPositionWnd>\n");
  const CPositionWndConfig* top = parsed.Root().FindChild("top");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(Keys(*top), std::vector<std::string>({"7", "8"}));
  EXPECT_EQ(top->FindChild("7")->left, 3);
  EXPECT_TRUE(top->FindChild("7")->children.empty());  // the earlier record went with its subtree
  // A later attribute of the same name overwrites the earlier one.
  Parsed repeated("<CPositionWnd id=\"a\" left=\"1\" left=\"2\" id=\"b\">\n</CPositionWnd>\n");
  EXPECT_EQ(Keys(repeated.Root()), std::vector<std::string>({"b"}));
  EXPECT_EQ(repeated.Root().FindChild("b")->left, 2);
}

TEST(ConfigParser, KeysAreOrderedByteByByteWithHighBytesLast) {
  // "\xC3\xA9" is a two-byte character: its lead byte sorts after every ASCII byte.
  Parsed parsed(
      "<CPositionWnd id=\"\xC3\xA9\">\n</CPositionWnd>\n<CPositionWnd id=\"b\">\n</CPositionWnd>\n"
      "<CPositionWnd id=\"2\">\n</CPositionWnd>\n<CPositionWnd id=\"B\">\n</CPositionWnd>\n"
      "<CPositionWnd id=\"1005\">\n</CPositionWnd>\n<CPositionWnd id=\"1000\">\n</CPositionWnd>\n");
  EXPECT_EQ(Keys(parsed.Root()), std::vector<std::string>({"1000", "1005", "2", "B", "b", "\xC3\xA9"}));
}

TEST(ConfigParser, NumbersAreReadAsTheirLeadingDecimalDigits) {
  const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const struct {
    const char* value;
    std::int32_t expected;
  } cases[] = {
      {"42", 42},          {"12px", 12},       {"3.9", 3},          {"-7", -7},
      {"+8", 8},           {"  \t15", 15},     {"0012", 12},        {"abc", 0},
      {"", 0},             {"-", 0},           {"--5", 0},          {"1 2", 1},
      {" -0", 0},          {"2147483647", kMax}, {"-2147483648", kMin},
      {"99999999999999999999", kMax},          {"-99999999999999999999", kMin},
  };
  for (const auto& c : cases) {
    Parsed parsed(std::string("<CPositionWnd left=\"") + c.value + "\" bottom-lock=\"" + c.value + "\">\n</CPositionWnd>\n");
    const CPositionWndConfig* record = parsed.Root().FindChild("");
    ASSERT_NE(record, nullptr) << c.value;
    EXPECT_EQ(record->left, c.expected) << '"' << c.value << '"';
    EXPECT_EQ(record->bottomLock, c.expected) << '"' << c.value << '"';
  }
}

TEST(ConfigParser, MalformedDescriptionsAreRefusedWithTheirReason) {
  const std::string foreign = "Unexpected element encountered in CPositionWndXMLConfigParser::OnElementBegin";
  const std::string stray = "Unexpected end tag encountered in CPositionWndXMLConfigParser::OnElementEnd";
  const std::string unclosed =
      "Unexpected EndOfFile encountered inside an element in CPositionWndXMLConfigParser::ParseStream";
  const std::wstring guardBegin = L"Unhandled exception encountered in call to OnElementBegin";
  const std::wstring guardEnd = L"Unhandled exception encountered in call to OnElementEnd";
  struct Case {
    const char* text;
    std::string reason;     // what the reader keeps
    std::wstring message;   // what the caller catches: a handler's reason goes behind the guard's
  } cases[] = {
      // an element of another name, at the top or nested
      {"<Window id=\"1\">\n</Window>\n", foreign, guardBegin},
      {"<CPositionWnd id=\"a\">\n<Button id=\"1\">\n</Button>\n</CPositionWnd>\n", foreign, guardBegin},
      // an end tag with no open element, or of another name
      {"</CPositionWnd>\n", stray, guardEnd},
      {"<CPositionWnd id=\"a\">\n</CPositionWnd>\n</CPositionWnd>\n", stray, guardEnd},
      {"<CPositionWnd id=\"a\">\n</Window>\n", stray, guardEnd},
      // elements still open at the end of the text
      {"<CPositionWnd id=\"a\">\n", unclosed, std::wstring(unclosed.begin(), unclosed.end())},
      {"<CPositionWnd id=\"a\">\n<CPositionWnd id=\"b\">\n</CPositionWnd>\n", unclosed,
       std::wstring(unclosed.begin(), unclosed.end())},
  };
  for (const Case& c : cases) {
    CPositionWndXMLConfigParser parser;
    std::wstring caught;
    try {
      parser.ParseString(c.text);
    } catch (const CXMLParser::Exception& e) {
      caught = e.Message();
    }
    EXPECT_EQ(parser.Refusal(), c.reason) << c.text;
    EXPECT_TRUE(caught == c.message) << c.text << " refused with \"" << parser.Refusal() << "\"";
  }
  // The reason belongs to one document: the next one that parses clears it.
  CPositionWndXMLConfigParser again;
  EXPECT_THROW(again.ParseString("</CPositionWnd>\n"), CXMLParser::Exception);
  EXPECT_EQ(again.Refusal(), stray);
  again.ParseString("<CPositionWnd id=\"a\">\n</CPositionWnd>\n");
  EXPECT_EQ(again.Refusal(), "");
  // Comments, text between the tags and an empty text are no reason to refuse.
  Parsed quiet("<!-- layout -->\n<CPositionWnd id=\"a\">text\n</CPositionWnd>\n");
  EXPECT_EQ(Keys(quiet.Root()), std::vector<std::string>({"a"}));
  Parsed empty("");
  EXPECT_TRUE(empty.Root().children.empty());
}

TEST(ConfigParser, DeeplyNestedDescriptionsParseAndGoAway) {
  // Nesting as deep as the text allows must not exhaust the stack, neither when the records
  // join the tree nor when an unclosed chain is thrown away.
  const int kDepth = 200000;
  std::string open, close;
  for (int i = 0; i < kDepth; ++i) open += "<CPositionWnd>";
  for (int i = 0; i < kDepth; ++i) close += "</CPositionWnd>";
  {
    Parsed parsed(open + close);
    const CPositionWndConfig* record = &parsed.Root();
    int depth = 0;
    while ((record = record->FindChild("")) != nullptr) ++depth;
    EXPECT_EQ(depth, kDepth);
  }
  CPositionWndXMLConfigParser unclosed;
  EXPECT_THROW(unclosed.ParseString(open.c_str()), CXMLParser::Exception);
}
