// The tool's pieces: text conversion and JSON escaping, the pack
// decision, the entry selection, argument parsing, the progress text and the index walk.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/IndexInPlace.h"
#include "cli/EntrySelection.h"
#include "cli/PackPlan.h"
#include "cli/Progress.h"
#include "cli/Utf.h"
#include "cli/WindowsName.h"
#include "cli/system/MappedFile.h"
#include "cli/system/NativePath.h"
#include "package/PackageFormat.h"
#include "package/PackageWriter.h"
#include "tests/cli/JsonReader.h"

using namespace rdbtool;

TEST(Utf, ConvertsBothWaysAndRefusesBrokenText) {
  std::string utf8;
  EXPECT_TRUE(Utf16ToUtf8(u"a界\U0001F600", utf8));
  EXPECT_EQ(utf8, "a\xE7\x95\x8C\xF0\x9F\x98\x80");
  std::u16string back;
  ASSERT_TRUE(Utf8ToUtf16(utf8, back));
  EXPECT_EQ(back, u"a界\U0001F600");

  EXPECT_FALSE(Utf16ToUtf8(std::u16string(u"x\xD800y"), utf8));
  EXPECT_EQ(utf8, "x\xEF\xBF\xBDy");

  const char* const bad[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE7\x95", "\x80", "\xFF"};
  for (const char* b : bad) EXPECT_FALSE(Utf8ToUtf16(b, back)) << b;
}

TEST(Utf, JsonStringsEscapeWhatTheyMustAndReplaceLoneSurrogates) {
  std::string out;
  const std::u16string name = std::u16string(u"a\"b\\c\n\x01") + u"界" + char16_t(0xDC00) + u"\U0001F600";
  EXPECT_FALSE(AppendJsonString(name, out));  // not the exact name: the caller adds its units
  EXPECT_EQ(out, "\"a\\\"b\\\\c\\n\\u0001\xE7\x95\x8C\xEF\xBF\xBD\xF0\x9F\x98\x80\"");
  // A strict reader takes it.
  JsonValue v;
  ASSERT_TRUE(ParseJson(out, v));
  EXPECT_EQ(v.text, std::u16string(u"a\"b\\c\n\x01界\uFFFD\U0001F600"));
  out.clear();
  EXPECT_TRUE(AppendJsonString(u"plain", out));
  EXPECT_FALSE(ParseJson("\"\\ud800\"", v));  // and refuses an unpaired escape, as strict readers do
}

TEST(Utf, DisplayNamesStayOnOneLine) {
  std::string out;
  AppendDisplayName(std::u16string(u"a\nb\tc\x7F" u"d") + char16_t(0xD800), out);
  EXPECT_EQ(out, "a?b?c?d\xEF\xBF\xBD");
}

namespace {
std::vector<std::u16string> Parts(std::initializer_list<const char16_t*> parts) {
  return std::vector<std::u16string>(parts.begin(), parts.end());
}
const uint8_t kPngHead[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 1};
}  // namespace

TEST(PackPlan, WrapsSoThatExtractGivesTheNameBack) {
  const std::vector<std::string> png = {"png"};
  // A PNG named .png loses the extension that extract appends again.
  PackDecision d = PlanFile(Parts({u"ui", u"x.gft.png"}), png, kPngHead, sizeof kPngHead, 100);
  EXPECT_TRUE(d.store && d.wrap);
  EXPECT_EQ(d.storedName, u"ui\\x.gft");
  EXPECT_TRUE(d.note.empty());

  // Asked, but the content is not a recognised image: wrapped under its own name.
  const uint8_t text[] = "plain text, not an image";
  d = PlanFile(Parts({u"a.png"}), png, text, 20, 24);
  EXPECT_TRUE(d.store && d.wrap);
  EXPECT_EQ(d.storedName, u"a.png");

  // A PNG whose name does not end in ".png" exactly would come back renamed: stored plain.
  for (const char16_t* name : {u"A.PNG", u".png"}) {
    d = PlanFile(Parts({name}), png, kPngHead, sizeof kPngHead, 100);
    EXPECT_TRUE(d.store);
    EXPECT_FALSE(d.wrap) << static_cast<int>(name[0]);
    EXPECT_EQ(d.storedName, name);
    EXPECT_FALSE(d.note.empty());
  }
  // Not asked: plain.
  d = PlanFile(Parts({u"a.png"}), {}, kPngHead, sizeof kPngHead, 100);
  EXPECT_TRUE(d.store);
  EXPECT_FALSE(d.wrap);
}

TEST(PackPlan, ContentThatLooksWrappedIsWrappedOnceMore) {
  const std::vector<uint8_t> wrapped = sorv::pkg::PackageWriter::Wrap({'G', 'I', 'F', '8'});
  PackDecision d = PlanFile(Parts({u"raw.gft"}), {}, wrapped.data(), 20, wrapped.size());
  EXPECT_TRUE(d.store && d.wrap);
  EXPECT_EQ(d.storedName, u"raw.gft");
  // A header length beyond the file is no usable header: the reader would not unwrap it.
  d = PlanFile(Parts({u"raw.gft"}), {}, wrapped.data(), 20, 19);
  EXPECT_FALSE(d.wrap);
}

TEST(PackPlan, NamesExtractWouldRefuseAreLeftOut) {
  for (const char16_t* name : {u"CON.png", u"a:b", u"x.", u"bad<name>", u"back\\slash"}) {
    const PackDecision d = PlanFile(Parts({u"dir", name}), {}, nullptr, 0, 0);
    EXPECT_FALSE(d.store) << static_cast<int>(name[0]);
    EXPECT_FALSE(d.note.empty());
  }
}

TEST(EntrySelection, KindsCombineWithAndValuesWithOr) {
  EntrySelection s;
  std::string error;
  ASSERT_TRUE(s.AddTypes("png,JPEG", error));
  ASSERT_TRUE(s.AddPattern("ui/*", error));
  ASSERT_TRUE(s.AddPattern("*.gft", error));
  EXPECT_TRUE(s.Selects(u"UI\\a.png", "png"));
  EXPECT_TRUE(s.Selects(u"x.gft", "jpg"));
  EXPECT_FALSE(s.Selects(u"ui\\a.gif", "gif"));  // type not chosen
  EXPECT_FALSE(s.Selects(u"other.png", "png"));  // no pattern matches

  EXPECT_FALSE(s.AddTypes("png,webp", error));
  EXPECT_NE(error.find("webp"), std::string::npos);

  EntrySelection names;
  ASSERT_TRUE(names.AddName("Skin/Logo.png", error));
  ASSERT_TRUE(names.AddName("missing.txt", error));
  EXPECT_TRUE(names.Selects(u"skin\\logo.png", "png"));
  EXPECT_FALSE(names.Selects(u"skin\\logo.png.bak", "none"));
  EXPECT_EQ(names.UnmatchedNames(), std::vector<std::string>{"missing.txt"});
}

// A record filled by an option table, as a command's is.
struct SampleArguments : Arguments {
  std::vector<std::string> dir, types;
  bool json = false, keep = false, verbose = false;
};

const OptionTable<SampleArguments> kSampleOptions = {
    {'C', nullptr, "DIR", &SampleArguments::dir, "the folder"},
    {0, "type", "TYPE", &SampleArguments::types, "the types"},
    {0, "json", &SampleArguments::json, "JSON"},
    {'k', "keep-old-files", &SampleArguments::keep, "keep"},
    {'v', nullptr, &SampleArguments::verbose, "verbose"},
};

SampleArguments Parse(const std::vector<std::string>& args) {
  return kSampleOptions.Fill(ParseArguments(args, kSampleOptions.Infos()));
}

TEST(Arguments, ParsesOptionsAndRefusesWhatItDoesNotKnow) {
  const SampleArguments a = Parse({"pkg", "-C", "out", "--type=png", "--type", "gif", "--", "--odd-name"});
  EXPECT_EQ(a.Positionals(), (std::vector<std::string>{"pkg", "--odd-name"}));
  EXPECT_EQ(a.dir, std::vector<std::string>{"out"});
  EXPECT_EQ(a.types, (std::vector<std::string>{"png", "gif"}));
  EXPECT_FALSE(a.json);
  EXPECT_EQ(Parse({"-", "--json"}).Positionals(), std::vector<std::string>{"-"});  // "-": standard input

  EXPECT_THROW(Parse({"--bogus"}), UsageError);
  EXPECT_THROW(Parse({"--json=1"}), UsageError);
  EXPECT_THROW(Parse({"-C"}), UsageError);
  EXPECT_THROW(Parse({"--C", "x"}), UsageError);  // a short name is not a long one
  EXPECT_TRUE(ParseArguments({"-h"}, {}).help);
}

TEST(Arguments, OneRowForBothNamesOfAnOption) {
  for (const char* given : {"-k", "--keep-old-files"}) {
    const SampleArguments a = Parse({given});
    EXPECT_TRUE(a.keep) << given;
    EXPECT_FALSE(a.verbose) << given;
  }
  EXPECT_THROW(Parse({"--k"}), UsageError);
  EXPECT_THROW(Parse({"--keep"}), UsageError);  // no abbreviations
}

TEST(Arguments, TakesShortOptionsRunTogetherAsGetoptDoes) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> dir;  // the values of -C
    bool k, v;
  } cases[] = {
      {{"-kv"}, {}, true, true},
      {{"-vC", "out"}, {"out"}, false, true},
      {{"-kCout"}, {"out"}, true, false},   // the rest of the word is the value
      {{"-Ck", "x"}, {"k"}, false, false},  // ... even when it looks like an option
  };
  for (const Case& c : cases) {
    const SampleArguments a = Parse(c.args);
    EXPECT_EQ(a.dir, c.dir) << c.args[0];
    EXPECT_EQ(a.keep, c.k) << c.args[0];
    EXPECT_EQ(a.verbose, c.v) << c.args[0];
  }
  EXPECT_EQ(Parse({"-Ck", "x"}).Positionals(), std::vector<std::string>{"x"});
  EXPECT_THROW(Parse({"-kx"}), UsageError);
  EXPECT_THROW(Parse({"-kC"}), UsageError);  // -C without its value
}

TEST(Arguments, HelpLinesShowEveryNameAndWrapWithinEightyColumns) {
  const std::vector<OptionInfo> options = {
      {'C', nullptr, "DIR", "the folder to write into"},
      {'k', "keep-old-files", nullptr,
       "never replace an existing file: such entries are counted and left alone, whatever the folder holds"},
      {0, "units", "UNITS", "first line\nsecond line"},
  };
  EXPECT_EQ(OptionHelp(options),
            "  -C DIR        the folder to write into\n"
            "  -k, --keep-old-files  never replace an existing file: such entries are counted\n"
            "                and left alone, whatever the folder holds\n"
            "  --units UNITS  first line\n"
            "                second line\n");
}

TEST(Progress, TextShowsShareOfBytesAndFiles) {
  EXPECT_EQ(Progress::Render(0, 10, 0, 1000), "[..............................]    0%  0/10 files");
  EXPECT_EQ(Progress::Render(5, 10, 500, 1000), "[###############...............]   50%  5/10 files");
  EXPECT_EQ(Progress::Render(10, 10, 1000, 1000), "[##############################]  100%  10/10 files");
  // Empty entries only: by files.
  EXPECT_EQ(Progress::Render(1, 4, 0, 0), "[#######.......................]   25%  1/4 files");
}

TEST(WindowsName, NamesCollideAsTheFileSystemComparesThem) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool collide;
  };
  const Case cases[] = {
      {u"ui\\a.png", u"UI/A.PNG", true},       // ASCII case and separators
      {u"x", u"x", true},                        // the same name
      {u"ａｂ", u"ＡＢ", true},                  // fullwidth letters
      {u"σ", u"Σ", true},                        // Greek sigma, small and capital
      {u"ς", u"Σ", true},                        // final sigma
      {u"ä", u"Ä", true},                        // Latin-1
      {u"ǆ", u"Ǆ", true},                        // a pair in Latin Extended-B
      {u"ж", u"Ж", true},                        // Cyrillic
      {u"ı", u"I", false},                       // dotless i is not I
      {u"ſ", u"S", false},                       // nor is long s
      {u"ß", u"SS", false},                      // one unit is never two
      {u"a.png", u"a.png ", false},
      {u"界面", u"界面", true},
      {u"\U0001F600", u"\U0001F601", false},   // beyond the BMP: compared as they are
      {u"a\\b", u"a\\\\b", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NamesCollideOnWindows(c.a, c.b), c.collide) << "case " << (&c - cases);
    EXPECT_EQ(WindowsNameKey(c.a) == WindowsNameKey(c.b), c.collide) << "case " << (&c - cases);
    if (c.collide) EXPECT_EQ(WindowsNameDigest(c.a), WindowsNameDigest(c.b)) << "case " << (&c - cases);
  }
  // Every unit maps to a unit that maps to itself: the key is stable.
  for (char32_t c = 0; c < 0x10000; ++c) {
    const char16_t up = WindowsUpcase(static_cast<char16_t>(c));
    EXPECT_EQ(WindowsUpcase(up), up) << std::hex << static_cast<unsigned>(c);
  }
}

// The index walked from the file in blocks must give what walking the mapping gives:
// the same records, the same bytes for each, and the same damage at the same record.
namespace {

std::vector<uint8_t> IndexBytes(const std::vector<std::u16string>& names, uint32_t count) {
  std::vector<uint8_t> bytes(sorv::pkg::kHeaderSize);
  sorv::pkg::WriteHeader(bytes.data(), count, 0);
  for (size_t i = 0; i < names.size(); ++i) {
    const size_t at = bytes.size();
    bytes.resize(at + static_cast<size_t>(sorv::pkg::RecordSize(names[i].size())));
    sorv::pkg::WriteRecord(bytes.data() + at, names[i], i, i * 3);
  }
  return bytes;
}

}  // namespace

TEST(IndexInPlace, WalkingTheFileInBlocksGivesWhatTheMappingGives) {
  // Names of many lengths, so that records end anywhere in the walk's blocks, and one
  // longer than a whole block.
  std::vector<std::u16string> names;
  for (size_t i = 0; i < 30000; ++i) names.push_back(std::u16string(1 + i * 7919 % 61, char16_t(u'a' + i % 26)));
  names[15000] = std::u16string(300000, u'x');
  const std::vector<uint8_t> whole = IndexBytes(names, static_cast<uint32_t>(names.size()));
  const size_t lastRecord = whole.size() - static_cast<size_t>(sorv::pkg::RecordSize(names.back().size()));
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"whole", whole},
      {"the last name cut", std::vector<uint8_t>(whole.begin(), whole.begin() + lastRecord + 2)},
      {"the last fields cut", std::vector<uint8_t>(whole.begin(), whole.end() - 5)},
      {"the long name cut", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2)},
      {"more records counted than there is room for", IndexBytes({u"a", u"b"}, 1000)},
      {"shorter than a header", std::vector<uint8_t>(whole.begin(), whole.begin() + 20)},
      {"no records", IndexBytes({}, 0)},
  };
  const std::string path = ::testing::TempDir() + "index-walk.rdb";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      FILE* f = fopen(path.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      ASSERT_EQ(fwrite(c.bytes.data(), 1, c.bytes.size(), f), c.bytes.size());
      fclose(f);
    }
    MappedFile file;
    std::string error;
    ASSERT_TRUE(file.Open(ToNativePath(path), error)) << error;
    IndexInPlace mapped, walked;
    sorv::pkg::IndexDamage mappedDamage, walkedDamage;
    const bool mappedOk = mapped.Read(file.Data(), file.Size(), &mappedDamage);
    std::vector<std::pair<const uint8_t*, const uint8_t*>> seen;
    std::vector<std::vector<uint8_t>> seenBytes;
    const bool walkedOk = walked.Read(file, &walkedDamage, [&](uint32_t i, const uint8_t* record, const uint8_t* fields) {
      EXPECT_EQ(i, seenBytes.size());
      seenBytes.emplace_back(record, fields + 16);
      seen.emplace_back(record, fields);
    });
    ASSERT_EQ(walkedOk, mappedOk);
    EXPECT_EQ(walkedDamage.kind, mappedDamage.kind);
    EXPECT_EQ(walkedDamage.record, mappedDamage.record);
    EXPECT_EQ(walkedDamage.offset, mappedDamage.offset);
    if (!mappedOk) continue;
    ASSERT_EQ(walked.Count(), mapped.Count());
    ASSERT_EQ(seenBytes.size(), mapped.Count());
    for (size_t i = 0; i <= mapped.Count(); ++i) ASSERT_EQ(walked.Records()[i], mapped.Records()[i]) << i;
    for (size_t i = 0; i < mapped.Count(); ++i) {
      const uint8_t* at = file.Data() + mapped.Records()[i];
      ASSERT_EQ(seenBytes[i], std::vector<uint8_t>(at, file.Data() + mapped.Records()[i + 1])) << i;
      EXPECT_EQ(walked.Name(i), mapped.Name(i));
    }
  }
  std::remove(path.c_str());
}
