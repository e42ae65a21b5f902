// The layout description the program ships, read as the program reads it: wide text
// converted to the thread's ANSI code page, then parsed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/xml/CXMLEventRecorder.h"
#include "platform/CodePage.h"

namespace {

const wchar_t kShippedLayout[] =
    L"<CPositionWnd left=\"0\" top=\"0\" right=\"642\" bottom=\"382\" width=\"642\" height=\"382\" id=\"SorvRes\" text=\"SorvRes\" top-lock=\"1\" left-lock=\"1\" bottom-lock=\"0\" right-lock=\"0\">\n"
    L"    <CPositionWnd left=\"12\" top=\"312\" right=\"323\" bottom=\"11\" width=\"299\" height=\"25\" id=\"1000\" text=\"\" top-lock=\"0\" left-lock=\"1\" bottom-lock=\"1\" right-lock=\"1\">\n"
    L"    </CPositionWnd>\n"
    L"    <CPositionWnd left=\"315\" top=\"312\" right=\"249\" bottom=\"11\" width=\"70\" height=\"25\" id=\"1001\" text=\"打开文件\" top-lock=\"0\" left-lock=\"0\" bottom-lock=\"1\" right-lock=\"1\">\n"
    L"    </CPositionWnd>\n"
    L"    <CPositionWnd left=\"394\" top=\"312\" right=\"170\" bottom=\"11\" width=\"70\" height=\"25\" id=\"1002\" text=\"保存文件\" top-lock=\"0\" left-lock=\"0\" bottom-lock=\"1\" right-lock=\"1\">\n"
    L"    </CPositionWnd>\n"
    L"    <CPositionWnd left=\"473\" top=\"312\" right=\"91\" bottom=\"11\" width=\"70\" height=\"25\" id=\"1003\" text=\"全部导出\" top-lock=\"0\" left-lock=\"0\" bottom-lock=\"1\" right-lock=\"1\">\n"
    L"    </CPositionWnd>\n"
    L"    <CPositionWnd left=\"551\" top=\"312\" right=\"13\" bottom=\"11\" width=\"70\" height=\"25\" id=\"2\" text=\"退出\" top-lock=\"0\" left-lock=\"0\" bottom-lock=\"1\" right-lock=\"1\">\n"
    L"    </CPositionWnd>\n"
    L"    <CPositionWnd left=\"12\" top=\"12\" right=\"311\" bottom=\"40\" width=\"299\" height=\"296\" id=\"1005\" text=\"\" top-lock=\"1\" left-lock=\"1\" bottom-lock=\"1\" right-lock=\"0\">\n"
    L"    </CPositionWnd>\n"
    L"    <CPositionWnd left=\"315\" top=\"12\" right=\"13\" bottom=\"42\" width=\"306\" height=\"294\" id=\"1006\" text=\"\" top-lock=\"1\" left-lock=\"1\" bottom-lock=\"1\" right-lock=\"1\">\n"
    L"    </CPositionWnd>\n"
    L"</CPositionWnd>\n";

// The rows of the description: id, text, then left, top, right, bottom, width, height,
// top-lock, left-lock, bottom-lock, right-lock.
struct Row {
  const wchar_t* id;
  const wchar_t* text;
  int values[10];
};

const Row kRows[] = {
    {L"SorvRes", L"SorvRes", {0, 0, 642, 382, 642, 382, 1, 1, 0, 0}},
    {L"1000", L"", {12, 312, 323, 11, 299, 25, 0, 1, 1, 1}},
    {L"1001", L"打开文件", {315, 312, 249, 11, 70, 25, 0, 0, 1, 1}},
    {L"1002", L"保存文件", {394, 312, 170, 11, 70, 25, 0, 0, 1, 1}},
    {L"1003", L"全部导出", {473, 312, 91, 11, 70, 25, 0, 0, 1, 1}},
    {L"2", L"退出", {551, 312, 13, 11, 70, 25, 0, 0, 1, 1}},
    {L"1005", L"", {12, 12, 311, 40, 299, 296, 1, 1, 1, 0}},
    {L"1006", L"", {315, 12, 13, 42, 306, 294, 1, 1, 1, 1}},
};

std::vector<std::string> StartTagEvents(const Row& row) {
  static const char* const kGeometry[] = {"left", "top", "right", "bottom", "width", "height"};
  static const char* const kLocks[] = {"top-lock", "left-lock", "bottom-lock", "right-lock"};
  std::vector<std::string> events = {"B:CPositionWnd"};
  for (int i = 0; i < 6; ++i) events.push_back("P:" + std::string(kGeometry[i]) + "=" + std::to_string(row.values[i]));
  events.push_back("P:id=" + sorv::WideToAnsi(row.id));
  events.push_back("P:text=" + sorv::WideToAnsi(row.text));
  for (int i = 0; i < 4; ++i) events.push_back("P:" + std::string(kLocks[i]) + "=" + std::to_string(row.values[6 + i]));
  return events;
}

TEST(ShippedLayout, ReadsIntoTheDescribedEvents) {
  std::vector<std::string> expected = StartTagEvents(kRows[0]);
  for (std::size_t r = 1; r < sizeof(kRows) / sizeof(kRows[0]); ++r) {
    for (const std::string& e : StartTagEvents(kRows[r])) expected.push_back(e);
    expected.push_back("E:CPositionWnd");
  }
  expected.push_back("E:CPositionWnd");
  expected.push_back("D:");  // the white space between the tags is never reported

  CXMLEventRecorder p;
  const std::string narrow = sorv::WideToAnsi(kShippedLayout);
  ASSERT_FALSE(narrow.empty());
  EXPECT_NO_THROW(p.ParseString(narrow.c_str()));
  EXPECT_EQ(p.events, expected);
  for (std::size_t i = 0; i < p.values.size(); ++i) EXPECT_EQ(p.values[i], i);
  EXPECT_EQ(p.result, expected.size());
}

}  // namespace
