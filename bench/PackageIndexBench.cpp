// Opening and indexing a package of 1,000,000 entries, beside the limit: a bare pass over
// the same index bytes that only finds each name's terminator and steps over the fields.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "package/PackageFormat.h"
#include "package/PackageWriter.h"

namespace {

const std::vector<uint8_t>& MillionEntryPackage() {
  static const std::vector<uint8_t> bytes = [] {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> length(20, 40);
    std::uniform_int_distribution<int> letter('a', 'z');
    sorv::pkg::PackageWriter w;
    for (int i = 0; i < 1000000; ++i) {
      std::u16string name = u"res\\";
      const int n = length(rng) - 4;
      for (int k = 0; k < n; ++k) name.push_back(static_cast<char16_t>(letter(rng)));
      w.Add(name, {});
    }
    return w.Build();
  }();
  return bytes;
}

void BM_ReadIndex(benchmark::State& state) {
  const std::vector<uint8_t>& file = MillionEntryPackage();
  for (auto _ : state) {
    std::vector<RESENTRY> entries;  // a fresh list, as every open makes one
    bool ok = sorv::pkg::HasSignature(file.data(), file.size()) &&
              sorv::pkg::ReadIndex(file.data(), file.size(), entries);
    if (!ok || entries.size() != 1000000) state.SkipWithError("index not read");
    benchmark::DoNotOptimize(entries.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}

// The limit: find each name's terminator and step over the two 8-byte fields. Kept out of
// line so that an instruction counter (callgrind --toggle-collect) can measure it alone.
__attribute__((noinline)) const uint8_t* BarePass(const uint8_t* p, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    while ((p[0] | p[1]) != 0) p += 2;
    p += 2 + 16;
  }
  return p;
}

// The same pass, scanning four units per step as the reader does: the fair limit for the
// reader's own scanning technique.
__attribute__((noinline)) const uint8_t* BareWordPass(const uint8_t* p, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    for (;;) {
      uint64_t v;
      std::memcpy(&v, p, 8);
      if ((v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull) {
        while ((p[0] | p[1]) != 0) p += 2;
        break;
      }
      p += 8;
    }
    p += 2 + 16;
  }
  return p;
}

void BM_BareIndexPass(benchmark::State& state) {
  const std::vector<uint8_t>& file = MillionEntryPackage();
  for (auto _ : state) benchmark::DoNotOptimize(BarePass(file.data() + 36, 1000000));
  state.SetItemsProcessed(state.iterations() * 1000000);
}

void BM_BareIndexPassWordScan(benchmark::State& state) {
  const std::vector<uint8_t>& file = MillionEntryPackage();
  for (auto _ : state) benchmark::DoNotOptimize(BareWordPass(file.data() + 36, 1000000));
  state.SetItemsProcessed(state.iterations() * 1000000);
}

}  // namespace

BENCHMARK(BM_BareIndexPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareIndexPassWordScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIndex)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
