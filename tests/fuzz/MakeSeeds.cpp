// Writes the seed corpora of the package fuzzers: a few small packages made by the writer.
// Run by hand when the format helpers change: make_fuzz_seeds tests/fuzz/corpus
#include <cstdio>
#include <string>
#include <vector>

#include "package/PackageWriter.h"

using sorv::pkg::PackageWriter;

static void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) { std::perror(path.c_str()); return; }
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

int main(int argc, char** argv) {
  if (argc != 2) { std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_DIR\n"); return 2; }
  const std::string dir = argv[1];
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const std::vector<uint8_t> jpg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0};
  const std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 16, 16};

  Save(dir + "/package/empty.rdb", PackageWriter().Build());
  PackageWriter a;
  a.Add(u"Skin\\Main\\Logo.PNG", png);
  a.AddWrapped(u"icons\\app.gft", ico);
  a.Add(u"ui.xml", {'<', 'a', '/', '>'});
  a.Add(u"", {});
  Save(dir + "/package/mixed.rdb", a.Build());
  PackageWriter b;
  b.Add(u"a.jpg", jpg);
  b.SetDataBaseParts(20, 0);
  Save(dir + "/package/split-base.rdb", b.Build());
  PackageWriter c;
  size_t i = c.Add(u"past", png);
  c.At(i).overrideSize = true;
  c.At(i).size = -1;
  Save(dir + "/package/negative-size.rdb", c.Build());

  std::vector<uint8_t> wrapped = PackageWriter::Wrap(png);
  wrapped.insert(wrapped.begin(), 0);
  Save(dir + "/content/wrapped-png", wrapped);
  std::vector<uint8_t> plain = jpg;
  plain.insert(plain.begin(), 0);
  Save(dir + "/content/plain-jpg", plain);
  std::vector<uint8_t> longHeader = PackageWriter::Wrap(png, 40);
  longHeader.insert(longHeader.begin(), 2 + 4 * 3);
  Save(dir + "/content/short-size", longHeader);
  return 0;
}
