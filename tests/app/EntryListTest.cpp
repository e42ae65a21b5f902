// The window's entry list without the window: records made from the reader's entries when
// asked for, the type filter applied to the stored names, what the tree is offered, the
// count text and the item texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/EntryList.h"
#include "app/WideText.h"

using sorv::app::EntryList;
using sorv::app::DisplayName;
using sorv::app::FillItemNames;
using sorv::app::NameExtension;
using sorv::app::ToU16;

namespace {

// Stored names as a package holds them, in index order.
const ResChar* const kNames[] = {
    RES_TEXT("Skin\\Main\\Logo.PNG"), RES_TEXT("ui/btn.png"), RES_TEXT("icon.Png"),
    RES_TEXT("half.PN"),              RES_TEXT("a\\b.xml"),   RES_TEXT("noext"),
};

std::vector<RESENTRY> Entries() {
  std::vector<RESENTRY> entries;
  for (const ResChar* name : kNames) entries.push_back(RESENTRY{name, nullptr, 1});
  return entries;
}

std::vector<std::u16string> ListedNames(const EntryList& list) {
  std::vector<std::u16string> names;
  for (uint32_t index : list.Listed()) names.push_back(ToU16(list.Item(index).szName));
  return names;
}

}  // namespace

// A record is made when it is first asked for, once: the same address every time after.
TEST(EntryList, RecordsMadeWhenAskedForOncePerEntry) {
  const std::vector<RESENTRY> entries = Entries();
  EntryList list;
  list.Build(entries);
  ASSERT_EQ(list.Count(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(&list.Entry(i), &entries[i]) << i;
    EXPECT_EQ(list.Item(i).pEntry, &entries[i]) << i;
  }
  EXPECT_EQ(ToU16(list.Item(0).szName), u"Logo.PNG");
  EXPECT_EQ(ToU16(list.Item(0).szFName), u"Logo");
  EXPECT_EQ(ToU16(list.Item(0).szExt), u".PNG");
  EXPECT_EQ(ToU16(list.Item(5).szExt), u"");
  // Nothing is listed before a filter runs; filters and unlisting keep the records.
  EXPECT_TRUE(list.Listed().empty());
  RESITEM* const first = &list.Item(0);
  list.Filter(2);
  list.Filter(0);
  list.Unlist();
  EXPECT_EQ(&list.Item(0), first);

  // A second package replaces the first entirely.
  const std::vector<RESENTRY> other = {RESENTRY{RES_TEXT("one.lua"), nullptr, 1}};
  list.Build(other);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Item(0).pEntry, &other[0]);
  EXPECT_EQ(ToU16(list.Item(0).szName), u"one.lua");
}

TEST(EntryList, FilterListsWholeExtensionsInIndexOrderAndCounts) {
  const std::vector<RESENTRY> entries = Entries();
  EntryList list;
  list.Build(entries);
  struct Case {
    int filter;
    std::vector<std::u16string> listed;
    std::u16string counts;
  };
  const Case cases[] = {
      {0, {u"Logo.PNG", u"btn.png", u"icon.Png", u"half.PN", u"b.xml", u"noext"}, u"共有文件:6"},
      {-1, {u"Logo.PNG", u"btn.png", u"icon.Png", u"half.PN", u"b.xml", u"noext"}, u"共有文件:6 过滤后:6"},
      {1, {u"Logo.PNG", u"btn.png", u"icon.Png"}, u"共有文件:6 过滤后:3"},
      {2, {u"Logo.PNG", u"btn.png", u"icon.Png"}, u"共有文件:6 过滤后:3"},
      {7, {u"b.xml"}, u"共有文件:6 过滤后:1"},
      {9, {}, u"共有文件:6 过滤后:0"},
  };
  for (const Case& c : cases) {
    size_t steps = 0;
    list.Filter(c.filter, nullptr, [&] {
      ++steps;
      return true;
    });
    EXPECT_EQ(ListedNames(list), c.listed) << "filter " << c.filter;
    EXPECT_EQ(list.CountText(), c.counts) << "filter " << c.filter;
    // Every entry is a step, listed or not.
    EXPECT_EQ(steps, entries.size()) << "filter " << c.filter;
  }
}

// The tree is offered exactly the entries the filter lets through, in order; one it cannot
// show is neither listed nor counted.
TEST(EntryList, ListsOnlyWhatTheTreeTook) {
  const std::vector<RESENTRY> entries = Entries();
  EntryList list;
  list.Build(entries);
  std::vector<uint32_t> offered;
  list.Filter(2, [&](uint32_t index) {
    offered.push_back(index);
    return offered.size() != 2;  // the tree refuses the second
  });
  EXPECT_EQ(offered, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(list.Listed().ToVector(), (std::vector<uint32_t>{0, 2}));
  EXPECT_EQ(list.CountText(), u"共有文件:6 过滤后:2");

  list.Filter(0, [](uint32_t) { return true; });
  EXPECT_EQ(list.Listed().ToVector(), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
  // Under "all" too: one the tree refuses is left out, and positions follow.
  list.Filter(0, [](uint32_t index) { return index != 3; });
  const sorv::app::ListedIndexes& listed = list.Listed();
  EXPECT_EQ(listed.ToVector(), (std::vector<uint32_t>{0, 1, 2, 4, 5}));
  EXPECT_EQ(listed.PositionOf(4), 3u);
  EXPECT_EQ(listed.PositionOf(3), sorv::app::ListedIndexes::npos);
  list.Filter(0);
  EXPECT_EQ(list.Listed().PositionOf(5), 5u);
  EXPECT_EQ(list.Listed().PositionOf(6), sorv::app::ListedIndexes::npos);
}

// A step that answers false ends the walk before its entry (a load or refill stopped).
TEST(EntryList, AStepThatSaysStopEndsTheFilterThere) {
  const std::vector<RESENTRY> entries = Entries();
  EntryList list;
  list.Build(entries);
  size_t steps = 0;
  EXPECT_FALSE(list.Filter(0, nullptr, [&] { return ++steps < 3; }));
  EXPECT_EQ(ListedNames(list), (std::vector<std::u16string>{u"Logo.PNG", u"btn.png"}));
}

// The text the tree asks for and the extension the filter reads, taken from the stored
// name without a record, are what the record holds, however the name is made.
TEST(EntryList, TextAndExtensionWithoutARecordAreTheRecords) {
  const std::u16string names[] = {
      u"Skin\\Main\\Logo.PNG", u"ui/btn.png", u"noext", u"x.", u".hidden", u"a.b\\c", u"a.b/c.d.e",
      u"C:pic.png", u"C:\\dir\\pic.png", u"\\:odd.bmp", u"C:", u"", u"dir\\",
      u"d\\" + std::u16string(255, u'n'), u"d\\" + std::u16string(256, u'n'),
      u"d\\" + std::u16string(250, u'n') + u".pngxx", u"d\\" + std::u16string(300, u'n') + u"." + std::u16string(300, u'x'),
      u"e\\" + std::u16string(254, u'n') + u"\xD83D\xDE00.png",
  };
  for (const std::u16string& name : names) {
    const std::basic_string<ResChar> stored(name.begin(), name.end());
    RESITEM item;
    std::memset(&item, 0, sizeof item);
    FillItemNames(item, name);
    EXPECT_EQ(ToU16(DisplayName(stored.c_str())), ToU16(item.szName)) << name.size();
    const std::u16string ext(NameExtension(stored.c_str()));
    // The record's extension is the same, cut to its field.
    EXPECT_EQ(ext.substr(0, ToU16(item.szExt).size()), ToU16(item.szExt)) << name.size();
    EXPECT_EQ(ext.empty(), item.szExt[0] == 0) << name.size();
  }
  EXPECT_EQ(DisplayName(nullptr), L"");
  EXPECT_TRUE(NameExtension(nullptr).empty());
}

TEST(EntryList, UnlistKeepsTheRecordsAndClearDropsEverything) {
  const std::vector<RESENTRY> entries = Entries();
  EntryList list;
  list.Build(entries);
  list.Filter(0);
  list.Unlist();
  EXPECT_TRUE(list.Listed().empty());
  EXPECT_EQ(list.Count(), entries.size());

  list.Filter(0);
  list.Clear();
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_TRUE(list.Listed().empty());
  // An empty package lists nothing under any choice.
  const std::vector<RESENTRY> none;
  list.Build(none);
  list.Filter(1);
  EXPECT_TRUE(list.Listed().empty());
  EXPECT_EQ(list.CountText(), u"共有文件:0 过滤后:0");
}

namespace {

std::u16string Field(const wchar_t* field, size_t room) {
  size_t n = 0;
  while (n < room && field[n]) ++n;
  EXPECT_LT(n, room) << "field not terminated inside its room";
  return ToU16(field, n);
}

}  // namespace

TEST(EntryList, FillItemNamesShowsFileNameAndExtension) {
  RESITEM item;
  std::memset(&item, 0, sizeof item);
  FillItemNames(item, u"Skin\\Main\\Logo.PNG");
  EXPECT_EQ(Field(item.szName, 260), u"Logo.PNG");
  EXPECT_EQ(Field(item.szFName, 260), u"Logo");
  EXPECT_EQ(Field(item.szExt, 256), u".PNG");

  FillItemNames(item, u"readme");
  EXPECT_EQ(Field(item.szName, 260), u"readme");
  EXPECT_EQ(Field(item.szExt, 256), u"");
}

TEST(EntryList, FillItemNamesNeverWritesPastAField) {
  // 255 + 255 units would need 511 units in the 260-unit display name.
  const std::u16string name = u"d\\" + std::u16string(300, u'n') + u"." + std::u16string(300, u'x');
  RESITEM item;
  std::memset(&item, 0x5A, sizeof item);
  RESENTRY entry{};
  item.pEntry = &entry;
  FillItemNames(item, name);

  const std::u16string fname(255, u'n');
  const std::u16string ext = u"." + std::u16string(254, u'x');
  EXPECT_EQ(Field(item.szFName, 260), fname);
  EXPECT_EQ(Field(item.szExt, 256), ext);
  EXPECT_EQ(Field(item.szName, 260), (fname + ext).substr(0, 259));
  EXPECT_EQ(item.pEntry, &entry);
}
