// The merged tree that mount serves: which files it holds, where their bytes are, and
// which entries it hides and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cli/MountTree.h"

using namespace rdbtool;
using sorv::rules::ExportRefusal;

namespace {

MountEntry Plain(const char16_t* name, uint64_t offset, uint64_t size) {
  MountEntry e;
  e.SetName(name);
  e.valid = true;
  e.offset = offset;
  e.size = size;
  return e;
}

// Every file as "path" -> "layer:offset:size", every folder as "path/" -> "".
std::map<std::string, std::string> Files(const MountTree& tree, uint32_t folder = MountTree::kRoot,
                                         const std::string& prefix = "") {
  std::map<std::string, std::string> out;
  for (const uint32_t* c = tree.ChildrenBegin(folder); c != tree.ChildrenEnd(folder); ++c) {
    const std::string path = prefix + std::string(tree.Name(*c));
    EXPECT_EQ(tree.At(*c).parent, folder);
    EXPECT_EQ(tree.Find(folder, tree.Name(*c)), *c) << path;  // every child is found by its name
    EXPECT_EQ(tree.Name(*c).data()[tree.Name(*c).size()], '\0') << path;
    if (tree.IsFolder(*c)) {
      out[path + "/"] = "";
      for (const auto& kv : Files(tree, *c, path + "/")) out.insert(kv);
    } else {
      const MountTree::Node& n = tree.At(*c);
      out[path] = std::to_string(n.layer) + ":" + std::to_string(n.begin) + ":" + std::to_string(n.size);
    }
  }
  return out;
}

}  // namespace

TEST(MountTree, LaterPackagesReplaceFilesAndFoldersMerge) {
  const std::vector<std::vector<MountEntry>> layers = {
      {Plain(u"ui\\icons\\a.png", 100, 5), Plain(u"ui/icons/b.png", 105, 6), Plain(u"data\\x.xml", 111, 7)},
      {Plain(u"UI/icons/a.png", 40, 9), Plain(u"ui\\icons\\a.png", 50, 8), Plain(u"ui\\new\\c.lua", 58, 1)},
  };
  std::vector<HiddenEntry> hidden;
  const MountTree tree = MountTree::Build(layers, hidden);
  const std::map<std::string, std::string> expected = {
      {"UI/", ""},           {"UI/icons/", ""},           {"UI/icons/a.png", "1:40:9"},  // names compared exactly
      {"ui/", ""},           {"ui/icons/", ""},           {"ui/icons/a.png", "1:50:8"},  // the patch's bytes
      {"ui/icons/b.png", "0:105:6"},                      {"ui/new/", ""},
      {"ui/new/c.lua", "1:58:1"},                         {"data/", ""},
      {"data/x.xml", "0:111:7"},
  };
  EXPECT_EQ(Files(tree), expected);
  EXPECT_TRUE(hidden.empty());  // a replaced file is the point of layering, not a refusal
  EXPECT_EQ(tree.FileCount(), 5u);
  EXPECT_EQ(tree.SubfolderCount(MountTree::kRoot), 3u);
  EXPECT_EQ(tree.Find(MountTree::kRoot, "nothing"), MountTree::kNone);
  const uint32_t ui = tree.Find(MountTree::kRoot, "ui");
  EXPECT_EQ(tree.SubfolderCount(ui), 2u);
  EXPECT_EQ(tree.Find(tree.Find(ui, "icons"), "a.png") != MountTree::kNone, true);
  // A file is no folder to look into.
  EXPECT_EQ(tree.Find(tree.Find(tree.Find(ui, "icons"), "a.png"), "x"), MountTree::kNone);
}

TEST(MountTree, HidesWhatExtractWouldNotWriteAndSaysWhy) {
  MountEntry outside = Plain(u"bad\\outside.bin", 0, 0);
  outside.valid = false;
  MountEntry wrapped = Plain(u"img\\logo", 7, 3);
  wrapped.ext = MountEntry::ExtensionCode(&sorv::pkg::kContentTypes[0]);
  ASSERT_EQ(wrapped.Extension(), u".png");
  const char16_t lone[] = {u'x', 0xD800, u'.', u't', 0};
  const std::vector<std::vector<MountEntry>> layers = {
      {Plain(u"a\\b.txt", 1, 1), Plain(u"A\\B.TXT", 2, 1), Plain(u"A/B.TXT", 3, 1), Plain(u"..\\up", 4, 1), outside,
       Plain(lone, 5, 1), Plain(u"clash\\inner", 6, 1), wrapped},
      {Plain(u"clash", 9, 1), Plain(u"a\\b.txt", 10, 1)},
  };
  std::vector<HiddenEntry> hidden;
  const MountTree tree = MountTree::Build(layers, hidden);
  EXPECT_EQ(Files(tree), (std::map<std::string, std::string>{{"a/", ""},
                                                             {"a/b.txt", "1:10:1"},
                                                             {"A/", ""},
                                                             {"A/B.TXT", "0:2:1"},
                                                             {"img/", ""},
                                                             {"img/logo.png", "0:7:3"},
                                                             {"clash", "1:9:1"}}));
  // No folder "bad": its only entry is hidden, and extract would not make it either.
  struct Seen {
    uint32_t layer;
    size_t entry;
    HiddenEntry::Why why;
    ExportRefusal refusal;
  };
  const std::vector<Seen> expected = {
      {0, 2, HiddenEntry::kRefused, ExportRefusal::kDuplicate},    // a duplicate within one package
      {0, 3, HiddenEntry::kRefused, ExportRefusal::kDotComponent},
      {0, 4, HiddenEntry::kInvalid, ExportRefusal::kNone},
      {0, 5, HiddenEntry::kRefused, ExportRefusal::kUnpairedSurrogate},  // no host file name carries it
      {0, 6, HiddenEntry::kRefused, ExportRefusal::kNameClash},    // the patch's file "clash" wins
  };
  ASSERT_EQ(hidden.size(), expected.size());
  std::sort(hidden.begin(), hidden.end(), [](const HiddenEntry& a, const HiddenEntry& b) { return a.entry < b.entry; });
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(hidden[i].layer, expected[i].layer) << i;
    EXPECT_EQ(hidden[i].entry, expected[i].entry) << i;
    EXPECT_EQ(hidden[i].why, expected[i].why) << i;
    if (hidden[i].why == HiddenEntry::kRefused) EXPECT_EQ(hidden[i].refusal, expected[i].refusal) << i;
  }
  // Who holds the name: the first "A\B.TXT" of the same package; the patch's "clash".
  EXPECT_EQ(hidden[0].earlierLayer, 0u);
  EXPECT_EQ(hidden[0].earlierEntry, 1u);
  EXPECT_EQ(hidden[4].earlierLayer, 1u);
  EXPECT_EQ(hidden[4].earlierEntry, 0u);
}

TEST(MountTree, EmptyTreeAndManyEntriesInOneFolder) {
  std::vector<HiddenEntry> hidden;
  const MountTree empty = MountTree::Build({}, hidden);
  EXPECT_EQ(empty.NodeCount(), 1u);
  EXPECT_EQ(empty.ChildrenBegin(MountTree::kRoot), empty.ChildrenEnd(MountTree::kRoot));
  EXPECT_EQ(empty.Find(MountTree::kRoot, ""), MountTree::kNone);

  // Many names in few folders; each is found where it was put.
  std::vector<std::u16string> names;
  for (int i = 0; i < 5000; ++i) {
    const std::string digits = std::to_string(i);
    names.push_back(u"d" + std::u16string(1, char16_t(u'a' + i % 7)) + u"\\f" +
                    std::u16string(digits.begin(), digits.end()));
  }
  std::vector<std::vector<MountEntry>> layers(1);
  for (size_t i = 0; i < names.size(); ++i) layers[0].push_back(Plain(names[i].c_str(), i * 10, i));
  const MountTree tree = MountTree::Build(layers, hidden);
  EXPECT_TRUE(hidden.empty());
  EXPECT_EQ(tree.FileCount(), 5000u);
  for (int i = 0; i < 5000; i += 499) {
    const uint32_t folder = tree.Find(MountTree::kRoot, "d" + std::string(1, char('a' + i % 7)));
    ASSERT_NE(folder, MountTree::kNone);
    const uint32_t file = tree.Find(folder, "f" + std::to_string(i));
    ASSERT_NE(file, MountTree::kNone) << i;
    EXPECT_EQ(tree.At(file).begin, static_cast<uint64_t>(i) * 10);
  }
}
