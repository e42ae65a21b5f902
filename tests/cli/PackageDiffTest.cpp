// The package comparison against a plain model of its rules (pair by name in order, compare
// bytes, pair leftovers with equal bytes), on random package pairs full of repeated names,
// both separators, shared contents, unchosen entries and data outside the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cli/PackageDiff.h"
#include "package/PackageFormat.h"
#include "package/PackageWriter.h"

using namespace rdbtool;

namespace {

struct Package {
  std::vector<uint8_t> bytes;
  IndexInPlace index;
  std::vector<RESENTRY> entries;  // the same, as the shared reader gives them
  std::vector<bool> chosen;
  // With `reading`, contents come through reads of the bytes (as from the file).
  DiffSide Side(bool choosing, bool reading = false) const {
    DiffSide side;
    side.index = &index;
    side.view = bytes.data();
    side.viewSize = bytes.size();
    side.chosen = choosing ? &chosen : nullptr;
    if (reading) {
      side.read = [this](uint64_t offset, uint8_t* buffer, size_t size) {
        if (offset > bytes.size() || size > bytes.size() - offset) return false;
        std::memcpy(buffer, bytes.data() + offset, size);
        return true;
      };
    }
    return side;
  }
};

Package Make(std::mt19937& rng, size_t count, size_t namePool) {
  static const std::vector<std::vector<uint8_t>> kContents = {
      {}, {'a'}, {'b'}, {'a', 'b'}, {'b', 'a'}, {'x', 'y', 'z'}, {'x', 'y', 'Z'}};
  sorv::pkg::PackageWriter w;
  for (size_t i = 0; i < count; ++i) {
    const size_t n = rng() % namePool;
    std::u16string name = u"dir" + sorv::pkg::Utf16(std::to_string(n % 7)) + u"/f" + sorv::pkg::Utf16(std::to_string(n));
    if (rng() % 2) std::replace(name.begin(), name.end(), u'/', u'\\');
    const size_t k = w.Add(name, kContents[rng() % kContents.size()]);
    if (rng() % 23 == 0) {
      w.At(k).overrideOffset = true;
      w.At(k).offset = 1u << 30;
    }
  }
  Package p;
  p.bytes = w.Build();
  EXPECT_TRUE(sorv::pkg::ReadIndex(p.bytes.data(), p.bytes.size(), p.entries));
  EXPECT_TRUE(p.index.Read(p.bytes.data(), p.bytes.size()));
  for (size_t i = 0; i < count; ++i) p.chosen.push_back(rng() % 4 != 0);
  return p;
}

std::u16string Key(const RESENTRY& e) {
  std::u16string name(reinterpret_cast<const char16_t*>(e.pszName));
  std::replace(name.begin(), name.end(), u'\\', u'/');
  return name;
}

bool Readable(const Package& p, const RESENTRY& e) {
  return e.pData && e.nSize >= 0 && e.pData + e.nSize <= p.bytes.data() + p.bytes.size();
}

bool SameBytes(const RESENTRY& a, const RESENTRY& b) {
  return a.nSize == b.nSize && std::memcmp(a.pData, b.pData, static_cast<size_t>(a.nSize)) == 0;
}

// The rules, written as plainly as they are stated.
DiffResult Model(const Package& o, const Package& n, bool choosing, bool renames) {
  auto chosen = [&](const Package& p, size_t i) { return !choosing || p.chosen[i]; };
  std::vector<std::u16string> oldKeys, newKeys;
  for (const RESENTRY& e : o.entries) oldKeys.push_back(Key(e));
  for (const RESENTRY& e : n.entries) newKeys.push_back(Key(e));
  DiffResult r;
  std::vector<bool> paired(o.entries.size(), false);
  for (uint32_t j = 0; j < n.entries.size(); ++j) {
    uint32_t i = 0;
    while (i < o.entries.size() && (paired[i] || oldKeys[i] != newKeys[j])) ++i;
    if (i == o.entries.size()) {
      if (chosen(n, j)) r.differences.push_back({Difference::kAdded, kNoEntry, j});
      continue;
    }
    paired[i] = true;
    if (!chosen(o, i) && !chosen(n, j)) continue;
    if (!Readable(o, o.entries[i]) || !Readable(n, n.entries[j])) ++r.unreadablePairs;
    else if (!SameBytes(o.entries[i], n.entries[j])) r.differences.push_back({Difference::kModified, i, j});
  }
  std::vector<bool> taken(o.entries.size(), false);
  for (Difference& d : r.differences) {
    if (!renames || d.kind != Difference::kAdded) continue;
    const RESENTRY& e = n.entries[d.newEntry];
    if (!Readable(n, e) || e.nSize == 0) continue;
    for (uint32_t i = 0; i < o.entries.size(); ++i) {
      if (paired[i] || taken[i] || !chosen(o, i) || !Readable(o, o.entries[i]) || !SameBytes(o.entries[i], e)) continue;
      taken[i] = true;
      d = {Difference::kRenamed, i, d.newEntry};
      break;
    }
  }
  for (uint32_t i = 0; i < o.entries.size(); ++i)
    if (!paired[i] && !taken[i] && chosen(o, i)) r.differences.push_back({Difference::kRemoved, i, kNoEntry});

  // Repeated names, by their first entry in the new package, then in the old one.
  std::vector<std::u16string> keys = newKeys;
  keys.insert(keys.end(), oldKeys.begin(), oldKeys.end());
  std::set<std::u16string> done;
  for (const std::u16string& key : keys) {
    if (!done.insert(key).second) continue;
    RepeatedName name = {kNoEntry, kNoEntry, 0, 0};
    bool anyChosen = false;
    for (uint32_t i = 0; i < o.entries.size(); ++i)
      if (oldKeys[i] == key) {
        if (!name.oldCount++) name.firstOld = i;
        anyChosen = anyChosen || chosen(o, i);
      }
    for (uint32_t j = 0; j < n.entries.size(); ++j)
      if (newKeys[j] == key) {
        if (!name.newCount++) name.firstNew = j;
        anyChosen = anyChosen || chosen(n, j);
      }
    if (anyChosen && (name.oldCount > 1 || name.newCount > 1)) r.repeated.push_back(name);
  }
  return r;
}

std::vector<std::tuple<char, uint32_t, uint32_t>> Rows(const std::vector<Difference>& ds) {
  std::vector<std::tuple<char, uint32_t, uint32_t>> rows;
  for (const Difference& d : ds) rows.emplace_back(static_cast<char>(d.kind), d.oldEntry, d.newEntry);
  return rows;
}

std::vector<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> Rows(const std::vector<RepeatedName>& rs) {
  std::vector<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> rows;
  for (const RepeatedName& r : rs) rows.emplace_back(r.firstOld, r.firstNew, r.oldCount, r.newCount);
  return rows;
}

}  // namespace

TEST(PackageDiff, AgreesWithThePlainRulesOnRandomPackages) {
  std::mt19937 rng(27);
  struct Shape {
    size_t oldCount, newCount, namePool;
  };
  // Small pools repeat names often; the large ones fill the name table far beyond a few slots.
  const Shape shapes[] = {{0, 0, 1}, {0, 5, 3}, {5, 0, 3}, {8, 8, 3}, {40, 40, 12}, {60, 30, 200}, {3000, 3000, 4000}};
  for (const Shape& shape : shapes) {
    for (int round = 0; round < (shape.oldCount > 1000 ? 1 : 20); ++round) {
      const Package o = Make(rng, shape.oldCount, shape.namePool);
      const Package n = Make(rng, shape.newCount, shape.namePool);
      for (const bool choosing : {false, true}) {
        for (const bool renames : {false, true}) {
          const bool reading = (round + renames) % 2 == 0;
          const DiffResult got = DiffPackages(o.Side(choosing, reading), n.Side(choosing, reading), renames);
          const DiffResult want = Model(o, n, choosing, renames);
          const std::string where = std::to_string(shape.oldCount) + "/" + std::to_string(shape.newCount) +
                                    " round " + std::to_string(round) + (choosing ? " choosing" : "") +
                                    (renames ? " renames" : "");
          ASSERT_EQ(Rows(got.differences), Rows(want.differences)) << where;
          ASSERT_EQ(Rows(got.repeated), Rows(want.repeated)) << where;
          ASSERT_EQ(got.unreadablePairs, want.unreadablePairs) << where;
        }
      }
    }
  }
}

TEST(PackageDiff, LargeEntriesInAnyOrderAreComparedToTheLastByte) {
  const std::vector<uint8_t> a(300000, 'a'), c(70000, 'c');
  std::vector<uint8_t> b(1500000, 'b'), b2 = b;
  b2.back() = 'B';
  std::vector<uint8_t> b3 = b;
  b3[b3.size() / 2] = 'B';  // inside a later block than the first
  auto make = [](const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& entries) {
    sorv::pkg::PackageWriter w;
    for (const auto& e : entries) w.Add(e.first, e.second);
    Package p;
    p.bytes = w.Build();
    EXPECT_TRUE(p.index.Read(p.bytes.data(), p.bytes.size()));
    return p;
  };
  const Package o = make({{u"a", a}, {u"b", b}, {u"c", c}, {u"d", b}});
  const Package n = make({{u"c", c}, {u"d", b3}, {u"b", b2}, {u"a", a}});
  const std::vector<std::tuple<char, uint32_t, uint32_t>> want = {{'M', 3, 1}, {'M', 1, 2}};
  for (const bool reading : {false, true}) {
    EXPECT_EQ(Rows(DiffPackages(o.Side(false, reading), n.Side(false, reading), false).differences), want) << reading;
    EXPECT_TRUE(DiffPackages(o.Side(false, reading), o.Side(false, reading), false).differences.empty());
  }
  // A read that fails: the bytes are compared where they lie.
  DiffSide failing = n.Side(false);
  failing.read = [](uint64_t, uint8_t*, size_t) { return false; };
  EXPECT_EQ(Rows(DiffPackages(o.Side(false, true), failing, false).differences), want);
}
