// Progress and stop texts, and how a folder path typed into the chooser is read.
#include <gtest/gtest.h>

#include <string>

#include "app/WorkText.h"

using namespace sorv::app;

TEST(WorkText, ProgressAndStopTexts) {
  EXPECT_EQ(ProgressText(u"导出..", 1200, 99218, false), u"导出.. 1200/99218");
  EXPECT_EQ(ProgressText(u"load..", 0, 0, false), u"load..");  // total not known yet
  EXPECT_EQ(ProgressText(u"load..", 50, 200, true), u"load.. 25%");
  EXPECT_EQ(ProgressText(u"load..", 300, 200, true), u"load.. 100%");  // never past the end
  EXPECT_EQ(ExportStoppedMessage(12, 99218), u"导出已停止!\r\n\r\n已写入文件: 12 / 99218");
}

TEST(WorkText, TypedFolderIsAbsoluteOrRelativeToTheSelectedFolder) {
  const std::u16string base = u"C:\\users\\me\\Desktop";
  struct Case {
    std::u16string base;
    std::u16string typed;
    bool ok;
    std::u16string path;
  } cases[] = {
      {base, u"D:\\out\\pics", true, u"D:\\out\\pics"},
      {base, u"D:/out/pics/", true, u"D:\\out\\pics"},
      {base, u"d:", true, u"d:\\"},
      {base, u"D:\\", true, u"D:\\"},
      {base, u"D:out", true, u"D:\\out"},
      {base, u"  \"D:\\with space\\x\"  ", true, u"D:\\with space\\x"},
      {base, u"sub", true, u"C:\\users\\me\\Desktop\\sub"},
      {base, u"sub\\..\\other\\.\\x", true, u"C:\\users\\me\\Desktop\\other\\x"},
      {base, u"..\\..", true, u"C:\\users"},
      {base, u"..\\..\\..\\..\\..", true, u"C:\\"},  // never above the root
      {base, u"\\tmp\\x", true, u"C:\\tmp\\x"},
      {base, u"\\\\server\\share\\dir", true, u"\\\\server\\share\\dir"},
      {u"C:\\", u"x", true, u"C:\\x"},
      {u"C:\\a\\", u"x", true, u"C:\\a\\x"},
      {base, u"", false, u""},
      {base, u"   ", false, u""},
      {base, u"a*b", false, u""},
      {base, u"a?b", false, u""},
      {base, u"a|b", false, u""},
      {base, u"D:\\a:b", false, u""},                // a stream, not a folder
      {base, u"\\\\server", false, u""},             // no share
      {u"", u"relative", false, u""},                // nothing to be relative to
      {u"", u"E:\\abs", true, u"E:\\abs"},
  };
  for (const Case& c : cases) {
    std::u16string out = u"junk";
    EXPECT_EQ(ResolveTypedFolder(c.base, c.typed, out), c.ok) << std::string(c.typed.begin(), c.typed.end());
    EXPECT_EQ(out, c.path) << std::string(c.typed.begin(), c.typed.end());
  }
}
