// Shared by the tests that run the built rdbtool: a scratch folder, files, trees, packages.
#pragma once
#include <gtest/gtest.h>

#include <chrono>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "package/PackageWriter.h"
#include "tests/cli/ToolRunner.h"

#if !defined(_WIN32)
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace fs = std::filesystem;
using sorv::pkg::PackageWriter;
using Bytes = std::vector<uint8_t>;

namespace {

int ProcessId() {
#if defined(_WIN32)
  return static_cast<int>(GetCurrentProcessId());
#else
  return static_cast<int>(getpid());
#endif
}

class Sandbox {
 public:
  Sandbox() {
    // Named after the running test: several test files share this header.
    static int counter = 0;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // The start time too: Wine gives the same process ids run after run, and links left by
    // an earlier run must never be found under a new sandbox's name.
    static const long long started = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = fs::temp_directory_path() /
            ("rdbtool-test-" + std::to_string(ProcessId()) + "-" + std::to_string(started) + "-" +
             (test ? std::string(test->test_suite_name()) + "." + test->name() : "x") + "-" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  ~Sandbox() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path operator/(const std::string& utf8) const { return root_ / fs::u8path(utf8); }
  const fs::path& Root() const { return root_; }

 private:
  fs::path root_;
};

std::string U8(const fs::path& p) { return p.u8string(); }

void WriteFile(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(f.good()) << U8(path);
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Every file and folder below `root`: relative path ("/"-separated, folders ending in "/")
// to content (empty for folders).
std::map<std::string, Bytes> ReadTree(const fs::path& root) {
  std::map<std::string, Bytes> tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string rel = fs::relative(it->path(), root).generic_u8string();
    if (it->is_symlink()) tree[rel + "@"] = {};
    else if (it->is_directory()) tree[rel + "/"] = {};
    else tree[rel] = ReadFile(it->path());
  }
  return tree;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A stored name as list shows it: with "/" on the host, "\" on Windows.
std::string Listed(std::string name) {
#if !defined(_WIN32)
  for (char& c : name)
    if (c == '\\') c = '/';
#endif
  return name;
}

const Bytes kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 'I', 'H', 'D', 'R', 1, 2, 3};
const Bytes kJpg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 7, 7};
const Bytes kGif = {'G', 'I', 'F', '8', '9', 'a', 9, 9};

Bytes Random(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

fs::path WritePackage(const Sandbox& box, const std::string& name, const PackageWriter& w) {
  const fs::path path = box / name;
  WriteFile(path, w.Build());
  return path;
}

}  // namespace

