// The reader on real files, real mappings and real streams (Windows, run under Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "package/CSorvResFile.h"
#include "package/PackageWriter.h"

using sorv::pkg::PackageWriter;

namespace {

std::vector<uint8_t> Bytes(const char* s, size_t n) { return std::vector<uint8_t>(s, s + n); }
const std::vector<uint8_t> kPng = Bytes("\x89PNG\r\n\x1a\nIHDR-pixels", 19);

class TempDir {
 public:
  TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"sorvres-pkg-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter_++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempDir() {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path_ + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((path_ + L"\\" + fd.cFileName).c_str());
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryW(path_.c_str());
  }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
  static int counter_;
};
int TempDir::counter_ = 0;

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_EQ(written, bytes.size());
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  std::vector<uint8_t> out;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  out.resize(GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!out.empty()) ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
  CloseHandle(h);
  out.resize(got);
  return out;
}

// Whether another process-like writer could open the file right now.
bool WriterRefused(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(h);
  return false;
}

std::vector<uint8_t> ReadStream(IStream* stream) {
  std::vector<uint8_t> out;
  STATSTG st = {};
  if (FAILED(stream->Stat(&st, STATFLAG_NONAME))) return out;
  out.resize(static_cast<size_t>(st.cbSize.QuadPart));
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG got = 0;
  stream->Read(out.data(), static_cast<ULONG>(out.size()), &got);
  out.resize(got);
  return out;
}

class ReaderTest : public ::testing::Test {
 protected:
  TempDir dir;
  CSorvResFile reader;

  std::wstring MakePackage(const std::wstring& name, const PackageWriter& w) {
    std::wstring path = dir / name;
    WriteBytes(path, w.Build());
    return path;
  }
  const RESENTRY* Entry(size_t i) { return &reader.Entries().at(i); }
};

}  // namespace

TEST_F(ReaderTest, OpensMapsAndIndexesARealFile) {
  PackageWriter w;
  w.Add(u"Skin\\Logo.png", kPng);
  w.Add(u"界面.xml", Bytes("<a/>", 4));
  std::wstring path = MakePackage(L"two.rdb", w);
  ASSERT_TRUE(reader.Open(path.c_str(), FILE_SHARE_READ));
  ASSERT_EQ(reader.Entries().size(), 2u);
  EXPECT_STREQ(Entry(0)->pszName, L"Skin\\Logo.png");
  EXPECT_STREQ(Entry(1)->pszName, L"界面.xml");
  EXPECT_EQ(Entry(1)->nSize, 4);
  EXPECT_EQ(0, memcmp(Entry(1)->pData, "<a/>", 4));
}

TEST_F(ReaderTest, HeldPackageRefusesWritersUntilClosed) {
  PackageWriter w;
  w.Add(u"a", Bytes("x", 1));
  std::wstring path = MakePackage(L"held.rdb", w);
  ASSERT_TRUE(reader.Open(path.c_str(), FILE_SHARE_READ));
  EXPECT_TRUE(WriterRefused(path));
  reader.Close();
  EXPECT_FALSE(WriterRefused(path));
  EXPECT_TRUE(reader.Entries().empty());
}

TEST_F(ReaderTest, FailedOpens) {
  std::wstring empty = dir / L"empty.rdb";
  WriteBytes(empty, {});
  PackageWriter w;
  w.Add(u"a", Bytes("x", 1));
  std::vector<uint8_t> shortBytes = w.Build();
  shortBytes.resize(30);
  std::wstring shortFile = dir / L"short.rdb";
  WriteBytes(shortFile, shortBytes);

  for (const std::wstring& path : {dir / L"missing.rdb", empty, shortFile}) {
    EXPECT_FALSE(reader.Open(path.c_str(), FILE_SHARE_READ));
    EXPECT_TRUE(reader.Entries().empty());
  }
  // A missing or empty file leaves the reader closed.
  EXPECT_FALSE(reader.Open(empty.c_str(), FILE_SHARE_READ));
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_FALSE(WriterRefused(empty));
}

TEST_F(ReaderTest, WrongSignatureKeepsTheFileMappedWithNoEntries) {
  PackageWriter w;
  w.Add(u"a", Bytes("x", 1));
  std::vector<uint8_t> bytes = w.Build();
  bytes[0] = 'x';
  std::wstring path = dir / L"foreign.rdb";
  WriteBytes(path, bytes);
  EXPECT_FALSE(reader.Open(path.c_str(), FILE_SHARE_READ));
  EXPECT_TRUE(reader.Entries().empty());
  EXPECT_TRUE(reader.IsOpen());
  EXPECT_TRUE(WriterRefused(path));
}

TEST_F(ReaderTest, ReopeningClosesTheFirstPackageEvenWhenTheSecondFails) {
  PackageWriter w;
  w.Add(u"a", Bytes("x", 1));
  std::wstring first = MakePackage(L"first.rdb", w);
  ASSERT_TRUE(reader.Open(first.c_str(), FILE_SHARE_READ));
  EXPECT_FALSE(reader.Open((dir / L"nothing-here.rdb").c_str(), FILE_SHARE_READ));
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_FALSE(WriterRefused(first));
}

TEST_F(ReaderTest, StreamHoldsTheExactImageBytesAndOutlivesTheReader) {
  PackageWriter w;
  w.Add(u"plain.png", kPng);
  w.AddWrapped(u"wrapped.gft", kPng, 32);
  w.Add(u"text.xml", Bytes("<a/>", 4));
  size_t outside = w.Add(u"outside.png", kPng);
  w.At(outside).overrideSize = true;
  w.At(outside).size = 1 << 20;
  std::wstring path = MakePackage(L"streams.rdb", w);
  ASSERT_TRUE(reader.Open(path.c_str(), FILE_SHARE_READ));

  CComPtr<IStream> plain = reader.CreateStream(Entry(0));
  CComPtr<IStream> wrapped = reader.CreateStream(Entry(1));
  ASSERT_NE(plain.Get(), nullptr);
  ASSERT_NE(wrapped.Get(), nullptr);
  EXPECT_EQ(reader.CreateStream(Entry(2)).Get(), nullptr);  // not an image
  EXPECT_EQ(reader.CreateStream(Entry(3)).Get(), nullptr);  // data past the end of the file
  EXPECT_EQ(reader.CreateStream(nullptr).Get(), nullptr);

  reader.Close();
  EXPECT_EQ(ReadStream(plain), kPng);
  EXPECT_EQ(ReadStream(wrapped), kPng);
  // The caller's reference is the only one.
  EXPECT_EQ(plain.Detach()->Release(), 0u);
  EXPECT_EQ(wrapped.Detach()->Release(), 0u);
  EXPECT_EQ(reader.CreateStream(nullptr).Get(), nullptr);
}

TEST_F(ReaderTest, SaveEntryWritesPlainBytesAndUnwrapsWithTheImageExtension) {
  PackageWriter w;
  w.Add(u"data.bin", Bytes("TGF\0short", 9));           // marker but too short: plain
  w.AddWrapped(u"logo.gft", kPng);                        // wrapped png
  w.AddWrapped(u"notes.gft", Bytes("plain text", 10));    // wrapped, unknown payload
  w.AddWrapped(u"empty.gft", {});                         // wrapped, empty payload
  std::wstring path = MakePackage(L"save.rdb", w);
  ASSERT_TRUE(reader.Open(path.c_str(), FILE_SHARE_READ));

  EXPECT_EQ(reader.SaveEntry(dir / L"data.out", Entry(0)), 9u);
  EXPECT_EQ(ReadBytes(dir / L"data.out"), Bytes("TGF\0short", 9));

  EXPECT_EQ(reader.SaveEntry(dir / L"logo.gft", Entry(1)), kPng.size());
  EXPECT_EQ(ReadBytes(dir / L"logo.gft.png"), kPng);
  EXPECT_FALSE(Exists(dir / L"logo.gft"));

  EXPECT_EQ(reader.SaveEntry(dir / L"notes.gft", Entry(2)), 10u);
  EXPECT_EQ(ReadBytes(dir / L"notes.gft"), Bytes("plain text", 10));

  // An empty payload makes an empty file and is a failure for the caller.
  EXPECT_EQ(reader.SaveEntry(dir / L"empty.gft", Entry(3)), 0u);
  EXPECT_TRUE(Exists(dir / L"empty.gft"));

  // Saving again replaces the earlier file.
  WriteBytes(dir / L"data.out", std::vector<uint8_t>(100, 'z'));
  EXPECT_EQ(reader.SaveEntry(dir / L"data.out", Entry(0)), 9u);
  EXPECT_EQ(ReadBytes(dir / L"data.out").size(), 9u);
}

TEST_F(ReaderTest, SaveEntryFailsWithoutWritingForBrokenEntriesAndBadPaths) {
  PackageWriter w;
  w.Add(u"good", Bytes("abc", 3));
  size_t past = w.Add(u"past", Bytes("abc", 3));
  w.At(past).overrideSize = true;
  w.At(past).size = 4096;
  size_t negative = w.Add(u"negative", Bytes("abc", 3));
  w.At(negative).overrideSize = true;
  w.At(negative).size = -3;
  std::wstring path = MakePackage(L"broken.rdb", w);
  ASSERT_TRUE(reader.Open(path.c_str(), FILE_SHARE_READ));
  ASSERT_EQ(reader.Entries().size(), 3u);  // broken entries stay listed

  EXPECT_EQ(reader.SaveEntry(dir / L"past.out", Entry(1)), 0u);
  EXPECT_EQ(reader.SaveEntry(dir / L"negative.out", Entry(2)), 0u);
  EXPECT_FALSE(Exists(dir / L"past.out"));
  EXPECT_FALSE(Exists(dir / L"negative.out"));
  EXPECT_EQ(reader.SaveEntry(dir / L"no-such-dir\\good.out", Entry(0)), 0u);
  EXPECT_EQ(reader.SaveEntry(dir / L"x.out", nullptr), 0u);

  reader.Close();
  CSorvResFile closed;
  RESENTRY fake = {L"fake", reinterpret_cast<const uint8_t*>("abc"), 3};
  EXPECT_EQ(closed.SaveEntry(dir / L"closed.out", &fake), 0u);
  EXPECT_FALSE(Exists(dir / L"closed.out"));
}

TEST(ReaderSniff, NamesTheExtensionOfTheFirstBytes) {
  EXPECT_EQ(CSorvResFile::SniffExtension(kPng.data(), kPng.size()), L".png");
  EXPECT_EQ(CSorvResFile::SniffExtension(reinterpret_cast<const BYTE*>("BMxx"), 4), L".bmp");
  EXPECT_EQ(CSorvResFile::SniffExtension(reinterpret_cast<const BYTE*>("<xml"), 4), L"");
}
