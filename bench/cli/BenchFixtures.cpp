// Fixtures for the rdbtool benchmark:
//   tree DIR COUNT [MAXKIB]    COUNT files of 1 to MAXKIB (default 64) KiB of random bytes
//                              in nested folders (10 x 10 folders, COUNT / 100 files each)
//   names-package FILE COUNT [TOP]  a package of COUNT empty entries with generated names
//                              (TOP: their first folder, default "res")
//   names-tar FILE COUNT       a ustar archive of COUNT empty files with the same names
//   small-tree DIR COUNT       COUNT files of 0 to 1023 bytes with those names below DIR
//   flat-tree DIR COUNT FOLDERS  COUNT files of 0 to 255 bytes spread over FOLDERS folders
//   million-package FILE COUNT a package of COUNT entries of 0 to 255 random bytes in 1,000
//                              folders (res\f000 to res\f999, COUNT / 1000 entries each, one
//                              folder's entries together, as a packed folder tree gives them)
//   million-zip FILE COUNT     a stored zip (Zip64 end records) of the same files and bytes
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

// The entries of million-package and million-zip: the name ("/" separated) and bytes of
// entry `i` of `count`, from one generator walked in order.
class MillionEntries {
 public:
  explicit MillionEntries(int count) : perFolder_(count < 1000 ? 1 : count / 1000) {}
  void Next(int i, std::string& name, std::vector<uint8_t>& bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "res/f%03d/item_%07d.dat", (i / perFolder_) % 1000, i);
    name = text;
    bytes.resize(rng_() % 256);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng_());
  }

 private:
  int perFolder_;
  std::mt19937_64 rng_{20261212};
};

int MakeMillionPackage(const std::string& path, int count) {
  sorv::pkg::PackageWriter w;
  MillionEntries entries(count);
  std::string name;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    entries.Next(i, name, bytes);
    for (char& c : name)
      if (c == '/') c = '\\';
    w.Add(sorv::pkg::Utf16(name), bytes);
  }
  return WriteAll(path, w.Build()) ? 0 : 1;
}

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
  static uint32_t table[256];
  if (!table[1]) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

// Stored (uncompressed) members; more than 65,535 of them need the Zip64 end records.
int MakeMillionZip(const std::string& path, int count) {
  MillionEntries entries(count);
  std::string name;
  std::vector<uint8_t> bytes, out, central;
  for (int i = 0; i < count; ++i) {
    entries.Next(i, name, bytes);
    const uint32_t crc = Crc32(bytes);
    const uint64_t offset = out.size();
    for (std::vector<uint8_t>* header : {&out, &central}) {
      const bool local = header == &out;
      Put(*header, local ? 0x04034b50 : 0x02014b50, 4);
      if (!local) Put(*header, 0x031E, 2);  // made on Unix
      Put(*header, 10, 2);                  // version needed: stored
      Put(*header, 0, 2);                   // flags
      Put(*header, 0, 2);                   // method: stored
      Put(*header, 0, 2);                   // time
      Put(*header, 0x5B8C, 2);              // date: 2025-12-12
      Put(*header, crc, 4);
      Put(*header, bytes.size(), 4);
      Put(*header, bytes.size(), 4);
      Put(*header, name.size(), 2);
      Put(*header, 0, 2);  // extra
      if (!local) {
        Put(*header, 0, 2);                 // comment
        Put(*header, 0, 2);                 // disk
        Put(*header, 0, 2);                 // internal attributes
        Put(*header, 0100644u << 16, 4);    // external: a plain file, rw-r--r--
        Put(*header, offset, 4);
      }
      header->insert(header->end(), name.begin(), name.end());
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  const uint64_t centralOffset = out.size();
  out.insert(out.end(), central.begin(), central.end());
  const uint64_t zip64End = out.size();
  Put(out, 0x06064b50, 4);
  Put(out, 44, 8);
  Put(out, 45, 2);
  Put(out, 45, 2);
  Put(out, 0, 4);
  Put(out, 0, 4);
  Put(out, static_cast<uint64_t>(count), 8);
  Put(out, static_cast<uint64_t>(count), 8);
  Put(out, central.size(), 8);
  Put(out, centralOffset, 8);
  Put(out, 0x07064b50, 4);
  Put(out, 0, 4);
  Put(out, zip64End, 8);
  Put(out, 1, 4);
  Put(out, 0x06054b50, 4);
  Put(out, 0, 2);
  Put(out, 0, 2);
  Put(out, count > 0xFFFF ? 0xFFFF : count, 2);
  Put(out, count > 0xFFFF ? 0xFFFF : count, 2);
  Put(out, central.size(), 4);
  Put(out, centralOffset, 4);
  Put(out, 0, 2);
  return WriteAll(path, out) ? 0 : 1;
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
    if (what == "million-package") return MakeMillionPackage(argv[2], count);
    if (what == "million-zip") return MakeMillionZip(argv[2], count);
  }
  if (argc == 5 && std::string(argv[1]) == "flat-tree") return MakeFlatTree(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  std::fprintf(stderr, "usage: %s tree|names-package|names-tar|small-tree|flat-tree|million-package|million-zip PATH COUNT [MAXKIB|TOP|FOLDERS]\n",
               argv[0]);
  return 2;
}
