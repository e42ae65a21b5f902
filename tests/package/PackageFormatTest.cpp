// Index reading, entry bounds, unwrapping and type recognition on bytes made by the writer.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "package/ContentTypes.h"
#include "package/PackageFormat.h"
#include "package/PackageWriter.h"

using namespace sorv::pkg;

namespace {

std::u16string NameOf(const RESENTRY& e) {
  return std::u16string(reinterpret_cast<const char16_t*>(e.pszName));
}

std::u16string Ext(const ResChar* e) { return std::u16string(reinterpret_cast<const char16_t*>(e)); }

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> v;
  for (int b : list) v.push_back(static_cast<uint8_t>(b));
  return v;
}

const std::vector<uint8_t> kPng = Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});

// A vector's buffer is aligned like a mapping, so names can be read as UTF-16 in place.
struct Parsed {
  std::vector<uint8_t> bytes;
  std::vector<RESENTRY> entries;
  IndexDamage damage;
  bool ok;
  explicit Parsed(std::vector<uint8_t> b) : bytes(std::move(b)) {
    ok = ReadIndex(bytes.data(), bytes.size(), entries, &damage);
  }
  uint64_t OffsetOf(const RESENTRY& e) const { return static_cast<uint64_t>(e.pData - bytes.data()); }
  EntryContent Content(size_t i) const { return ResolveContent(bytes.data(), bytes.size(), entries.at(i)); }
};

}  // namespace

TEST(PackageIndex, ReadsNamesDataAndSizesInIndexOrder) {
  PackageWriter w;
  w.Add(u"Skin\\Main\\Logo.PNG", Bytes({1, 2, 3}));
  w.Add(u"界面\\按钮.xml", Bytes({4, 5}));
  w.Add(u"", {});
  w.Add(u"c", Bytes({6}));
  Parsed p(w.Build());
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.entries.size(), 4u);
  EXPECT_EQ(NameOf(p.entries[0]), u"Skin\\Main\\Logo.PNG");
  EXPECT_EQ(NameOf(p.entries[1]), u"界面\\按钮.xml");
  EXPECT_EQ(NameOf(p.entries[2]), u"");
  EXPECT_EQ(NameOf(p.entries[3]), u"c");
  EXPECT_EQ(p.entries[0].nSize, 3);
  EXPECT_EQ(p.entries[2].nSize, 0);
  EXPECT_EQ(0, std::memcmp(p.entries[1].pData, "\x04\x05", 2));
  EXPECT_EQ(p.entries[3].pData[0], 6);
  // The empty name takes 18 bytes of index: the record behind it starts right after.
  const uint8_t* afterEmpty = reinterpret_cast<const uint8_t*>(p.entries[2].pszName) + 18;
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(p.entries[3].pszName), afterEmpty);
}

TEST(PackageIndex, CountZeroGivesAnEmptyList) {
  Parsed p(PackageWriter().Build());
  EXPECT_TRUE(p.ok);
  EXPECT_TRUE(p.entries.empty());
}

TEST(PackageIndex, SignatureMustMatchByteForByte) {
  const std::vector<uint8_t> good = PackageWriter().Build();
  EXPECT_TRUE(HasSignature(good.data(), good.size()));
  std::vector<uint8_t> lower = good;
  for (int i = 0; i < 16; ++i) lower[i] = static_cast<uint8_t>(std::tolower(lower[i]));
  EXPECT_FALSE(HasSignature(lower.data(), lower.size()));
  for (size_t i = 0; i < 16; ++i) {
    std::vector<uint8_t> one = good;
    one[i] ^= 0x01;
    EXPECT_FALSE(HasSignature(one.data(), one.size())) << "byte " << i;
  }
  EXPECT_FALSE(HasSignature(good.data(), 15));
}

TEST(PackageIndex, FieldsAreReadUnalignedAndOnlyTheLowOffsetHalfCounts) {
  PackageWriter w;
  // A 2-unit name puts the offset field at 36 + 6 = 42: not a multiple of 4 or 8.
  size_t i = w.Add(u"ab", Bytes({7, 8}));
  w.At(i).overrideOffset = true;
  w.At(i).offset = 0xABCD000000000000ull;  // high half ignored: offset 0
  w.At(i).overrideSize = true;
  w.At(i).size = 0x0000000100000002ll;  // all 8 bytes kept
  Parsed p(w.Build());
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.OffsetOf(p.entries[0]), w.IndexEnd());
  EXPECT_EQ(p.entries[0].nSize, 0x0000000100000002ll);
}

TEST(PackageIndex, DataAreaStartIsTheSumOfTheHeaderParts) {
  struct Case {
    uint32_t part1, part2;
    uint64_t expected;
  } cases[] = {
      {100, 36, 136},
      {36, 100, 136},
      {0xFFFFFFF0u, 0x20u, 0x10},  // 32-bit wrap-around
  };
  for (const Case& c : cases) {
    PackageWriter w;
    w.Add(u"x", {});
    w.SetDataBaseParts(c.part1, c.part2);
    w.SetGap(200);
    Parsed p(w.Build());
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.OffsetOf(p.entries[0]), c.expected) << c.part1 << "+" << c.part2;
  }
}

TEST(PackageIndex, HeaderOrIndexPastTheEndIsRefused) {
  PackageWriter w;
  w.Add(u"first.png", kPng);
  w.Add(u"second", Bytes({1}));
  const std::vector<uint8_t> full = w.Build();
  const size_t indexEnd = static_cast<size_t>(w.IndexEnd());

  const uint64_t second = 36 + 2 * (9 + 1) + 16;  // "first.png", its terminator and fields

  // The damage says where the reader gave up: the first record that does not fit.
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    IndexDamage::Kind kind;
    uint32_t record;
    uint64_t offset;
  };
  std::vector<Case> cases;
  cases.push_back({"header only 35 bytes", std::vector<uint8_t>(full.begin(), full.begin() + 35), IndexDamage::kNone, 0, 0});
  cases.push_back({"index cut inside a name", std::vector<uint8_t>(full.begin(), full.begin() + 40), IndexDamage::kCount, 0, 0});
  cases.push_back({"index cut inside the last size field", std::vector<uint8_t>(full.begin(), full.begin() + indexEnd - 1),
                   IndexDamage::kFields, 1, second});
  std::vector<uint8_t> big = full;
  PatchU32(big, 16, 3);  // one record more: its "name" is the data, which has no zero unit
  cases.push_back({"count one too many", big, IndexDamage::kName, 2, indexEnd});
  std::vector<uint8_t> huge = full;
  PatchU32(huge, 16, 0xFFFFFFFFu);
  cases.push_back({"count 0xFFFFFFFF", huge, IndexDamage::kCount, 0, 0});
  std::vector<uint8_t> noTerminator(full.begin(), full.begin() + 36);
  PatchU32(noTerminator, 16, 1);
  for (int k = 0; k < 40; ++k) noTerminator.push_back('A');
  cases.push_back({"name without terminator", noTerminator, IndexDamage::kName, 0, 36});

  for (const Case& c : cases) {
    Parsed p(c.bytes);
    EXPECT_FALSE(p.ok) << c.what;
    EXPECT_TRUE(p.entries.empty()) << c.what;
    EXPECT_EQ(p.damage.kind, c.kind) << c.what;
    if (c.kind == IndexDamage::kName || c.kind == IndexDamage::kFields) {
      EXPECT_EQ(p.damage.record, c.record) << c.what;
      EXPECT_EQ(p.damage.offset, c.offset) << c.what;
    }
  }
  const Parsed huge2(huge);
  EXPECT_EQ(huge2.damage.count, 0xFFFFFFFFu);
  EXPECT_EQ(huge2.damage.room, (huge.size() - 36) / 18);
  EXPECT_EQ(Parsed(full).damage.kind, IndexDamage::kNone);
  // The index exactly filling the file (no data) still opens.
  Parsed exact(std::vector<uint8_t>(full.begin(), full.begin() + indexEnd));
  EXPECT_TRUE(exact.ok);
}

TEST(EntryContent, DataOutsideTheFileOrNegativeSizeIsNotUsable) {
  PackageWriter w;
  w.Add(u"ok.png", kPng);
  size_t past = w.Add(u"past", Bytes({1, 2}));
  w.At(past).overrideOffset = true;
  w.At(past).offset = 0xFFFFFF00u;  // starts far beyond the file
  size_t longer = w.Add(u"longer", Bytes({1, 2}));
  w.At(longer).overrideSize = true;
  w.At(longer).size = 1000;  // runs past the end
  size_t negative = w.Add(u"negative", Bytes({1, 2}));
  w.At(negative).overrideSize = true;
  w.At(negative).size = -1;
  size_t hugeSize = w.Add(u"huge", Bytes({1, 2}));
  w.At(hugeSize).overrideSize = true;
  w.At(hugeSize).size = INT64_MAX;  // start + size would overflow
  Parsed p(w.Build());
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.entries.size(), 5u);  // broken entries stay listed
  EXPECT_TRUE(p.Content(0).valid);
  EXPECT_EQ(Ext(p.Content(0).ext), u".png");
  for (size_t i = 1; i < 5; ++i) {
    EXPECT_FALSE(p.Content(i).valid) << NameOf(p.entries[i]).size();
    EXPECT_EQ(Ext(p.Content(i).ext), u"");
  }
  EXPECT_EQ(p.entries[1].pData, nullptr);
}

TEST(EntryContent, Unwrapping) {
  std::vector<uint8_t> shortMarker = Bytes({'T', 'G', 'F', 0, 0x89, 'P', 'N', 'G'});  // < 20 bytes
  std::vector<uint8_t> tooLong = PackageWriter::Wrap(kPng);
  PatchU32(tooLong, 16, 1000);  // header length beyond the entry
  std::vector<uint8_t> notZero = PackageWriter::Wrap(kPng);
  notZero[3] = 1;  // "TGF" followed by a byte other than zero
  std::vector<uint8_t> exactLength = PackageWriter::Wrap({});  // header only: empty payload

  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    bool wrapped;
    uint64_t size;
    std::u16string ext;
  } cases[] = {
      {"wrapped png", PackageWriter::Wrap(kPng), true, kPng.size(), u".png"},
      {"longer header", PackageWriter::Wrap(kPng, 64), true, kPng.size(), u".png"},
      {"wrapped text", PackageWriter::Wrap(Bytes({'<', 'x', '/', '>'})), true, 4, u""},
      {"empty payload", exactLength, true, 0, u""},
      {"marker on short data", shortMarker, false, shortMarker.size(), u""},
      {"header length past the end", tooLong, false, tooLong.size(), u""},
      {"TGF without zero", notZero, false, notZero.size(), u""},
      {"plain png", kPng, false, kPng.size(), u".png"},
  };
  for (const Case& c : cases) {
    PackageWriter w;
    w.Add(u"e", c.data);
    Parsed p(w.Build());
    ASSERT_TRUE(p.ok);
    EntryContent content = p.Content(0);
    EXPECT_TRUE(content.valid) << c.what;
    EXPECT_EQ(content.wrapped, c.wrapped) << c.what;
    EXPECT_EQ(content.size, c.size) << c.what;
    EXPECT_EQ(Ext(content.ext), c.ext) << c.what;
    if (c.ext == u".png") EXPECT_EQ(0, std::memcmp(content.data, kPng.data(), kPng.size())) << c.what;
  }
}

// Pack decides from a file's first 20 bytes: the header length is measured against the
// whole entry, never against the bytes at hand.
TEST(EntryContent, WrapHeaderFromTheFirstBytes) {
  const std::vector<uint8_t> head = PackageWriter::Wrap({}, 64);  // a 64-byte header
  struct Case {
    const char* what;
    uint64_t available, size;
    bool usable;
  } cases[] = {
      {"all of it", 64, 64, true},
      {"20 bytes of a larger entry", 20, 1000, true},
      {"19 bytes at hand", 19, 1000, false},
      {"an entry shorter than the header", 20, 63, false},
      {"an entry shorter than the length field", 20, 19, false},
  };
  for (const Case& c : cases) {
    uint64_t length = 0;
    EXPECT_EQ(ReadWrapHeader(head.data(), c.available, c.size, length), c.usable) << c.what;
    if (c.usable) EXPECT_EQ(length, 64u) << c.what;
  }
  uint64_t length = 0;
  std::vector<uint8_t> notMarked = head;
  notMarked[2] = 'X';
  EXPECT_FALSE(ReadWrapHeader(notMarked.data(), 64, 64, length));
  EXPECT_FALSE(ReadWrapHeader(nullptr, 64, 64, length));
}

TEST(Sniff, FirstMatchingSignatureDecides) {
  struct Case {
    std::vector<uint8_t> data;
    std::u16string ext;
  } cases[] = {
      {kPng, u".png"},
      {Bytes({0x89, 'P', 'N'}), u""},  // too short to match
      {Bytes({'B', 'M'}), u".bmp"},
      {Bytes({'B'}), u""},
      {Bytes({'G', 'I', 'F'}), u".gif"},
      {Bytes({'G', 'I', 'F', '8', '9', 'a'}), u".gif"},
      // JPEG: start of image and the next marker's first byte, whatever segment follows.
      {Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}), u".jpg"},
      {Bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f'}), u".jpg"},  // camera (Exif)
      {Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x11, 'J', 'F', 'I', 'F'}), u".jpg"},  // APP0 of another length
      {Bytes({0xFF, 0xD8, 0xFF, 0xDB}), u".jpg"},                                // tables first
      {Bytes({0xFF, 0xD8, 0xFF}), u".jpg"},
      {Bytes({0xFF, 0xD8, 0xFE}), u""},
      {Bytes({0xFF, 0xD8}), u""},
      // Icon and cursor directories with one or more images.
      {Bytes({0, 0, 1, 0, 1, 0}), u".ico"},
      {Bytes({0, 0, 1, 0, 2, 0}), u".ico"},
      {Bytes({0, 0, 1, 0, 0, 1}), u".ico"},  // 256 images
      {Bytes({0, 0, 1, 0, 0, 0}), u""},      // no image
      {Bytes({0, 0, 2, 0, 1, 0}), u".cur"},
      {Bytes({0, 0, 2, 0, 3, 0}), u".cur"},
      {Bytes({0, 0, 2, 0, 0, 0}), u""},
      {Bytes({0, 0, 3, 0, 1, 0}), u""},      // neither icon nor cursor
      {Bytes({0, 0, 1, 1, 1, 0}), u""},      // type word not 1
      {Bytes({0, 1, 1, 0, 1, 0}), u""},      // reserved word not 0
      {Bytes({0, 0, 2, 0, 1}), u""},
      {Bytes({'<', '?', 'x', 'm', 'l'}), u""},
      {{}, u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Ext(SniffExtension(c.data.data(), c.data.size())), c.ext) << c.data.size();
  }
}

// Every row of the content-type table: a sample of its content is taken for that row and
// by no other row's test (so the rows' order decides nothing), its extension is its name
// behind a dot, and it is found again by its extension. A new row needs its sample here.
TEST(ContentTypes, EachRowKnowsItsOwnContentOnly) {
  const std::map<std::string, std::vector<uint8_t>> samples = {
      {"png", kPng},
      {"jpg", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'})},
      {"bmp", Bytes({'B', 'M', 0x36, 0, 0, 0})},
      {"gif", Bytes({'G', 'I', 'F', '8', '9', 'a'})},
      {"ico", Bytes({0, 0, 1, 0, 1, 0})},
      {"cur", Bytes({0, 0, 2, 0, 1, 0})},
  };
  auto accepts = [](const ContentType& type, const std::vector<uint8_t>& data) {
    return data.size() >= type.magicLength && std::memcmp(data.data(), type.magic, type.magicLength) == 0 &&
           (!type.more || type.more(data.data(), data.size()));
  };
  std::set<std::string> names;
  for (size_t i = 0; i < kContentTypeCount; ++i) {
    const ContentType& type = kContentTypes[i];
    SCOPED_TRACE(type.name);
    EXPECT_TRUE(names.insert(type.name).second);
    EXPECT_STRNE(type.name, kNoContentTypeName);
    EXPECT_EQ(Ext(type.ext), u"." + std::u16string(type.name, type.name + std::strlen(type.name)));
    const auto sample = samples.find(type.name);
    ASSERT_NE(sample, samples.end()) << "no sample for this type";
    EXPECT_EQ(SniffContentType(sample->second.data(), sample->second.size()), &type);
    for (size_t j = 0; j < kContentTypeCount; ++j)
      if (j != i) EXPECT_FALSE(accepts(kContentTypes[j], sample->second)) << kContentTypes[j].name;
    EXPECT_EQ(ContentTypeOfExtension(type.ext), &type);
    EXPECT_STREQ(ContentTypeName(type.ext), type.name);
  }
  EXPECT_EQ(samples.size(), kContentTypeCount);
  for (const ResChar* other : {RES_TEXT(""), RES_TEXT(".pn"), RES_TEXT(".pngx"), RES_TEXT(".PNG"), RES_TEXT("png")})
    EXPECT_STREQ(ContentTypeName(other), kNoContentTypeName);
  EXPECT_STREQ(ContentTypeName(nullptr), kNoContentTypeName);
  // The order rdbtool lists them in (info's rows, the help).
  EXPECT_EQ(ContentTypeNames(", ", true), "png, jpg, bmp, gif, ico, cur, none");
}

// Names are scanned several units at a time: every name length against every place the file
// may end must either read the whole record or refuse the index.
TEST(PackageIndex, NameScanAtEveryLengthAndFileEnd) {
  for (size_t length = 0; length < 40; ++length) {
    // Units with a zero byte of either half are no terminator.
    std::u16string name;
    for (size_t i = 0; i < length; ++i) name += (i % 3 == 0) ? u'\u0100' : (i % 3 == 1) ? u'\u0001' : u'n';
    PackageWriter w;
    w.Add(name, {});
    const std::vector<uint8_t> full = w.Build();
    for (size_t cut = 0; cut <= 20; ++cut) {
      Parsed p(std::vector<uint8_t>(full.begin(), full.end() - cut));
      EXPECT_EQ(p.ok, cut == 0) << "length " << length << " cut " << cut;
      if (p.ok) EXPECT_EQ(NameOf(p.entries[0]), name);
    }
  }
}

namespace {

// Bytes put together by hand, so that nothing here comes from the reader's or the writer's
// constants.
struct HandBytes {
  std::vector<uint8_t> b;
  void Text(const char* s, size_t n) { b.insert(b.end(), s, s + n); }
  void U16(uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Name(const char* ascii) {
    for (const char* p = ascii; *p; ++p) U16(static_cast<uint8_t>(*p));
    U16(0);
  }
};

const char kLiteralSignature[] = "531E98204F8542F0";

}  // namespace

// The format as it stands in a file: the 16 signature bytes, a 36-byte header whose data
// start is the sum of bytes 20-23 and 28-31, records of 2 x (n + 1) + 16 bytes with only the
// low half of the offset used, and wrapped images behind "TGF\0" with the header length at
// 16 (a marker on fewer than 20 bytes is no wrapper).
TEST(PackageFormatPinned, AHandWrittenPackageReadsAsTheFormatSays) {
  HandBytes h;
  h.Text(kLiteralSignature, 16);
  h.U32(4);                                 // entry count
  h.U64(0x0000000100000000ull | 100);       // bytes 20-23: 100; 24-27 not read
  h.U64(0x000000AB00000000ull | 16);        // bytes 28-31: 16; 32-35 not read
  ASSERT_EQ(h.b.size(), 36u);
  h.Name("ab");                             // at 36
  h.U64(0x0000007700000000ull);             // offset 0: the high half does not count
  h.U64(3);
  h.Name("w");                              // at 58
  h.U64(3);
  h.U64(28);
  h.Name("s");                              // at 78
  h.U64(31);
  h.U64(19);
  h.Name("");                               // at 98: an empty name takes 18 bytes
  h.U64(51);
  h.U64(20);
  ASSERT_EQ(h.b.size(), 116u);              // the data area: 100 + 16
  h.b.insert(h.b.end(), {1, 2, 3});         // entry 0 at 116
  h.Text("TGF", 4);                         // entry 1 at 119: marker with its zero byte,
  for (int i = 0; i < 12; ++i) h.b.push_back(0xAA);  // 12 bytes not read,
  h.U32(20);                                // the header length,
  h.b.insert(h.b.end(), kPng.begin(), kPng.end());   // and a PNG at 139
  h.Text("TGF", 4);                         // entry 2 at 147: 19 bytes, too few for a header,
  for (int i = 0; i < 12; ++i) h.b.push_back(0);
  h.b.insert(h.b.end(), {19, 0, 0});        // though the length would fit with the byte after
  h.b.push_back(0);
  h.Text("TGF", 4);                         // entry 3 at 167: exactly a header, no payload
  for (int i = 0; i < 12; ++i) h.b.push_back(0);
  h.U32(20);
  ASSERT_EQ(h.b.size(), 187u);

  Parsed p(h.b);
  ASSERT_TRUE(HasSignature(p.bytes.data(), p.bytes.size()));
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.entries.size(), 4u);
  const uint8_t* view = p.bytes.data();
  struct Want {
    size_t name;
    std::u16string text;
    size_t data;
    int64_t size;
    bool wrapped;
    size_t content;
    uint64_t contentSize;
    std::u16string ext;
  } want[] = {
      {36, u"ab", 116, 3, false, 116, 3, u""},
      {58, u"w", 119, 28, true, 139, 8, u".png"},
      {78, u"s", 147, 19, false, 147, 19, u""},
      {98, u"", 167, 20, true, 187, 0, u""},
  };
  for (size_t i = 0; i < 4; ++i) {
    const Want& w = want[i];
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(p.entries[i].pszName) - view, static_cast<ptrdiff_t>(w.name)) << i;
    EXPECT_EQ(NameOf(p.entries[i]), w.text) << i;
    EXPECT_EQ(p.entries[i].pData - view, static_cast<ptrdiff_t>(w.data)) << i;
    EXPECT_EQ(p.entries[i].nSize, w.size) << i;
    const EntryContent c = p.Content(i);
    EXPECT_TRUE(c.valid) << i;
    EXPECT_EQ(c.wrapped, w.wrapped) << i;
    EXPECT_EQ(c.data - view, static_cast<ptrdiff_t>(w.content)) << i;
    EXPECT_EQ(c.size, w.contentSize) << i;
    EXPECT_EQ(Ext(c.ext), w.ext) << i;
  }

  // The header is 36 bytes: one byte less is refused, a bare header with no entries opens.
  HandBytes bare;
  bare.Text(kLiteralSignature, 16);
  bare.U32(0);
  bare.U64(36);
  bare.U64(0);
  EXPECT_TRUE(Parsed(bare.b).ok);
  EXPECT_FALSE(Parsed(std::vector<uint8_t>(bare.b.begin(), bare.b.end() - 1)).ok);
}

// What the writers put out (pack, update, the test writer share the header and record
// writer), against bytes put together by hand.
TEST(PackageFormatPinned, TheWriterPutsOutTheFormatByHand) {
  HandBytes hand;
  hand.Text(kLiteralSignature, 16);
  hand.U32(2);
  hand.U64(36 + 2 * 3 + 16 + 2 * 1 + 16);
  hand.U64(0);
  hand.Name("ab");
  hand.U64(0);
  hand.U64(3);
  hand.Name("");
  hand.U64(3);
  hand.U64(1);
  hand.Text("xyzw", 4);
  PackageWriter w;
  w.Add(u"ab", {'x', 'y', 'z'});
  w.Add(u"", {'w'});
  EXPECT_EQ(w.Build(), hand.b);
  EXPECT_EQ(RecordSize(2), 22u);
  EXPECT_EQ(w.IndexEnd(), 36u + RecordSize(2) + RecordSize(0));
}

TEST(PackageFormatPinned, TheSignatureIsTheSixteenLiteralBytes) {
  const std::vector<uint8_t> literal(kLiteralSignature, kLiteralSignature + 16);
  EXPECT_TRUE(HasSignature(literal.data(), literal.size()));
  EXPECT_EQ(0, std::memcmp(kSignature, kLiteralSignature, 16));
  // The writer's packages, which every other test opens, carry the same bytes.
  const std::vector<uint8_t> written = PackageWriter().Build();
  ASSERT_GE(written.size(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.begin() + 16), literal);
  for (size_t i = 0; i < 16; ++i) {
    std::vector<uint8_t> changed = literal;
    changed[i] = static_cast<uint8_t>(std::tolower(changed[i]) == changed[i] ? changed[i] + 1 : std::tolower(changed[i]));
    EXPECT_FALSE(HasSignature(changed.data(), changed.size())) << i;
  }
}
