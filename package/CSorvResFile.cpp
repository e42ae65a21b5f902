#include "CSorvResFile.h"

#include <cstring>
#include <string>
#include <new>

#include "PackageFormat.h"

using sorv::pkg::EntryContent;
using sorv::pkg::ResolveContent;

CSorvResFile::CSorvResFile()
    : m_nFileSize(-1), m_hFile(INVALID_HANDLE_VALUE), m_hMapping(nullptr), m_pView(nullptr), m_nViewSize(0) {}

CSorvResFile::~CSorvResFile() { Close(); }

BOOL CSorvResFile::Open(LPCWSTR path, DWORD shareMode) {
  Close();
  m_hFile = CreateFileW(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr);
  if (m_hFile == INVALID_HANDLE_VALUE) return FALSE;
  m_nFileSize = static_cast<LONG>(GetFileSize(m_hFile, nullptr));
  m_hMapping = CreateFileMappingW(m_hFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!m_hMapping) {
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    return FALSE;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_hFile, &size) || size.QuadPart <= 0) {
    Close();
    return FALSE;
  }
  m_nViewSize = static_cast<ULONGLONG>(size.QuadPart);
  m_pView = static_cast<const BYTE*>(MapViewOfFile(m_hMapping, FILE_MAP_READ, 0, 0, 0));
  if (!m_pView) {
    Close();
    return FALSE;
  }
  return ParseIndex();
}

BOOL CSorvResFile::ParseIndex() {
  m_entries.clear();
  if (m_hFile == INVALID_HANDLE_VALUE || !m_pView) return FALSE;
  if (!sorv::pkg::HasSignature(m_pView, m_nViewSize)) return FALSE;
  try {
    return sorv::pkg::ReadIndex(m_pView, m_nViewSize, m_entries) ? TRUE : FALSE;
  } catch (const std::bad_alloc&) {
    m_entries.clear();
    return FALSE;
  }
}

void CSorvResFile::Close() {
  if (m_pView) UnmapViewOfFile(m_pView);
  if (m_hMapping) CloseHandle(m_hMapping);
  m_pView = nullptr;
  m_hMapping = nullptr;
  if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_nFileSize = -1;
  m_nViewSize = 0;
  m_entries.clear();
  m_entries.shrink_to_fit();
}

std::wstring CSorvResFile::SniffExtension(const BYTE* data, ULONGLONG size) {
  return sorv::pkg::SniffExtension(data, size);
}

UINT CSorvResFile::SaveEntry(std::wstring path, const RESENTRY* entry) {
  if (!m_pView || !entry) return 0;
  const EntryContent c = ResolveContent(m_pView, m_nViewSize, *entry);
  // Outside the file, negative, or too large for one write and for the 32-bit result.
  if (!c.valid || c.size > 0xFFFFFFFFull) return 0;
  if (c.wrapped) path += c.ext;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const DWORD size = static_cast<DWORD>(c.size);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, c.data, size, &written, nullptr);
  const BOOL closed = CloseHandle(file);
  if (!ok || !closed || written != size) return 0;
  return size;
}

IStream* CSorvResFile::CreateStream(const RESENTRY* entry) {
  if (!m_pView || !entry) return nullptr;
  const EntryContent c = ResolveContent(m_pView, m_nViewSize, *entry);
  if (!c.valid || c.ext[0] == 0 || c.size > 0xFFFFFFFFull) return nullptr;
  const DWORD size = static_cast<DWORD>(c.size);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
  if (!block) return nullptr;
  IStream* stream = nullptr;
  if (void* p = GlobalLock(block)) {
    std::memcpy(p, c.data, size);
    // The imaging library decodes icon directories only; a cursor's differs from one in its
    // type word alone (its hot spot sits where an icon keeps planes and depth, which the
    // pictures' own headers give again). Only the copy is changed.
    if (std::char_traits<ResChar>::compare(c.ext, RES_TEXT(".cur"), 5) == 0) static_cast<uint8_t*>(p)[2] = 1;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) stream = nullptr;
    if (stream) {
      // The block may be larger than asked for; the stream holds exactly the entry.
      ULARGE_INTEGER exact;
      exact.QuadPart = size;
      stream->SetSize(exact);
    }
  }
  GlobalUnlock(block);
  if (!stream) GlobalFree(block);
  return stream;
}
