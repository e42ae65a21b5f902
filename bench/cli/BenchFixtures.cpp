// Fixtures for the rdbtool benchmark:
//   tree DIR COUNT [MAXKIB]    COUNT files of 1 to MAXKIB (default 64) KiB of random bytes
//                              in nested folders (10 x 10 folders, COUNT / 100 files each)
//   names-package FILE COUNT [TOP]  a package of COUNT empty entries with generated names
//                              (TOP: their first folder, default "res")
//   names-tar FILE COUNT       a ustar archive of COUNT empty files with the same names
//   small-tree DIR COUNT       COUNT files of 0 to 1023 bytes with those names below DIR
//   flat-tree DIR COUNT FOLDERS  COUNT files of 0 to 255 bytes spread over FOLDERS folders
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "package/PackageWriter.h"

namespace {

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

int MakeTree(const std::string& dir, int count, int maxKib) {
  std::mt19937_64 rng(20261210);
  std::uniform_int_distribution<int> size(1024, maxKib * 1024);
  mkdir(dir.c_str(), 0777);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    const int a = i % 10, b = (i / 10) % 10;
    const std::string level1 = dir + "/level" + std::to_string(a);
    const std::string level2 = level1 + "/group" + std::to_string(b);
    mkdir(level1.c_str(), 0777);
    mkdir(level2.c_str(), 0777);
    bytes.resize(static_cast<size_t>(size(rng)));
    for (size_t k = 0; k + 8 <= bytes.size(); k += 8) {
      const uint64_t v = rng();
      std::memcpy(&bytes[k], &v, 8);
    }
    if (!WriteAll(level2 + "/file" + std::to_string(i) + ".dat", bytes)) return 1;
  }
  return 0;
}

// Names like "res/ab/cdef/0123456_window_button.xml": three levels, about 36 characters.
std::string Name(int i, const char* top = "res") {
  char text[64];
  std::snprintf(text, sizeof text, "%s/%02d/%04d/%07d_window_button.xml", top, i % 97, i % 1009, i);
  return text;
}

int MakeNamesPackage(const std::string& path, int count, const char* top) {
  sorv::pkg::PackageWriter w;
  for (int i = 0; i < count; ++i) {
    std::string name = Name(i, top);
    for (char& c : name)
      if (c == '/') c = '\\';
    w.Add(sorv::pkg::Utf16(name), {});
  }
  return WriteAll(path, w.Build()) ? 0 : 1;
}

int MakeSmallTree(const std::string& dir, int count) {
  std::mt19937_64 rng(20261211);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    const std::string path = dir + "/" + Name(i);
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
      mkdir(path.substr(0, slash).c_str(), 0777);
    bytes.resize(rng() % 1024);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    if (!WriteAll(path, bytes)) return 1;
  }
  return 0;
}

int MakeFlatTree(const std::string& dir, int count, int folders) {
  std::mt19937_64 rng(20261212);
  mkdir(dir.c_str(), 0777);
  for (int k = 0; k < folders; ++k) mkdir((dir + "/folder" + std::to_string(k)).c_str(), 0777);
  std::vector<uint8_t> bytes;
  char name[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "/folder%d/entry%07d.dat", i % folders, i);
    bytes.resize(rng() % 256);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    if (!WriteAll(dir + name, bytes)) return 1;
  }
  return 0;
}

void Octal(char* field, size_t width, uint64_t value) {
  std::snprintf(field, width, "%0*llo", static_cast<int>(width - 1), static_cast<unsigned long long>(value));
}

int MakeNamesTar(const std::string& path, int count) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 1;
  char header[512];
  for (int i = 0; i < count; ++i) {
    std::memset(header, 0, sizeof header);
    const std::string name = Name(i);
    std::memcpy(header, name.data(), name.size());
    Octal(header + 100, 8, 0644);
    Octal(header + 108, 8, 0);
    Octal(header + 116, 8, 0);
    Octal(header + 124, 12, 0);
    Octal(header + 136, 12, 1700000000);
    header[156] = '0';
    std::memcpy(header + 257, "ustar", 6);
    std::memcpy(header + 263, "00", 2);
    std::memset(header + 148, ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : header) sum += c;
    std::snprintf(header + 148, 8, "%06o", sum);
    if (std::fwrite(header, 1, sizeof header, f) != sizeof header) return 1;
  }
  std::memset(header, 0, sizeof header);
  for (int k = 0; k < 2; ++k) std::fwrite(header, 1, sizeof header, f);
  return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 || (argc == 5 && (std::string(argv[1]) == "tree" || std::string(argv[1]) == "names-package"))) {
    const std::string what = argv[1];
    const int count = std::atoi(argv[3]);
    if (what == "tree") return MakeTree(argv[2], count, argc == 5 ? std::atoi(argv[4]) : 64);
    if (what == "names-package") return MakeNamesPackage(argv[2], count, argc == 5 ? argv[4] : "res");
    if (what == "names-tar") return MakeNamesTar(argv[2], count);
    if (what == "small-tree") return MakeSmallTree(argv[2], count);
  }
  if (argc == 5 && std::string(argv[1]) == "flat-tree") return MakeFlatTree(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  std::fprintf(stderr, "usage: %s tree|names-package|names-tar|small-tree|flat-tree PATH COUNT [MAXKIB|TOP|FOLDERS]\n",
               argv[0]);
  return 2;
}
