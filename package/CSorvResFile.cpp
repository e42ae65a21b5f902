#include "package/CSorvResFile.h"

#include <string>
#include <new>
#include <utility>

#include "framework/CGlobalMemory.h"
#include "package/PackageFormat.h"

using sorv::pkg::EntryContent;
using sorv::pkg::ResolveContent;

CSorvResFile::CSorvResFile() : m_nViewSize(0) {}

CSorvResFile::~CSorvResFile() { Close(); }

BOOL CSorvResFile::Open(LPCWSTR path, DWORD shareMode) {
  Close();
  // Any failure below leaves the reader closed: Close gives back whatever was made.
  m_hFile.Reset(CreateFileW(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
  if (!m_hFile.IsValid()) return FALSE;
  m_hMapping.Reset(CreateFileMappingW(m_hFile, nullptr, PAGE_READONLY, 0, 0, nullptr));
  LARGE_INTEGER size;
  if (!m_hMapping.IsValid() || !GetFileSizeEx(m_hFile, &size) || size.QuadPart <= 0) {
    Close();
    return FALSE;
  }
  m_nViewSize = static_cast<ULONGLONG>(size.QuadPart);
  m_pView.Reset(MapViewOfFile(m_hMapping, FILE_MAP_READ, 0, 0, 0));
  if (m_pView.IsNull()) {
    Close();
    return FALSE;
  }
  return ParseIndex();
}

BOOL CSorvResFile::ParseIndex() {
  m_entries.clear();
  if (!m_hFile.IsValid() || m_pView.IsNull()) return FALSE;
  if (!sorv::pkg::HasSignature(m_pView.Get(), m_nViewSize)) return FALSE;
  try {
    return sorv::pkg::ReadIndex(m_pView.Get(), m_nViewSize, m_entries) ? TRUE : FALSE;
  } catch (const std::bad_alloc&) {
    m_entries.clear();
    return FALSE;
  }
}

void CSorvResFile::Close() {
  m_pView.Reset();
  m_hMapping.Reset();
  m_hFile.Reset();
  m_nViewSize = 0;
  m_entries.clear();
  m_entries.shrink_to_fit();
}

std::wstring CSorvResFile::SniffExtension(const BYTE* data, ULONGLONG size) {
  return sorv::pkg::SniffExtension(data, size);
}

UINT CSorvResFile::SaveEntry(std::wstring path, const RESENTRY* entry) {
  if (!WriteEntry(std::move(path), entry, kAppendExtension)) return 0;
  // The byte count handed to the write: the low 32 bits of the size, checked to fit.
  return static_cast<UINT>(ResolveContent(m_pView.Get(), m_nViewSize, *entry).size);
}

const wchar_t* CSorvResFile::AppendedExtension(const RESENTRY* entry) const {
  if (m_pView.IsNull() || !entry) return L"";
  const EntryContent c = ResolveContent(m_pView.Get(), m_nViewSize, *entry);
  return c.valid && c.wrapped ? c.ext : L"";
}

BOOL CSorvResFile::WriteEntry(std::wstring path, const RESENTRY* entry, DWORD flags) {
  if (m_pView.IsNull() || !entry) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const EntryContent c = ResolveContent(m_pView.Get(), m_nViewSize, *entry);
  // Outside the file, negative, or too large for one write and for SaveEntry's result.
  if (!c.valid || c.size > 0xFFFFFFFFull) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  if (c.wrapped && (flags & kAppendExtension)) path += c.ext;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  const DWORD size = static_cast<DWORD>(c.size);
  DWORD written = 0;
  const BOOL ok = size == 0 || WriteFile(file, c.data, size, &written, nullptr);
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  const BOOL closed = CloseHandle(file);
  if (ok && !closed) error = GetLastError();
  if (ok && closed && written != size) error = ERROR_WRITE_FAULT;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

BOOL CSorvResFile::GetContent(const RESENTRY* entry, const BYTE*& data, DWORD& size) const {
  if (m_pView.IsNull() || !entry) return FALSE;
  const EntryContent c = ResolveContent(m_pView.Get(), m_nViewSize, *entry);
  if (!c.valid || c.size > 0xFFFFFFFFull) return FALSE;
  data = c.data;
  size = static_cast<DWORD>(c.size);
  return TRUE;
}

CComPtr<IStream> CSorvResFile::CreateStream(const RESENTRY* entry) {
  if (m_pView.IsNull() || !entry) return {};
  const EntryContent c = ResolveContent(m_pView.Get(), m_nViewSize, *entry);
  if (!c.valid || c.ext[0] == 0 || c.size > 0xFFFFFFFFull) return {};
  const DWORD size = static_cast<DWORD>(c.size);
  CGlobalMemory block;
  if (!block.Assign(c.data, size)) return {};
  // The imaging library decodes icon directories only; a cursor's differs from one in its
  // type word alone (its hot spot sits where an icon keeps planes and depth, which the
  // pictures' own headers give again). Only the copy is changed.
  if (std::char_traits<ResChar>::compare(c.ext, RES_TEXT(".cur"), 5) == 0) {
    CGlobalMemory::Lock lock(block.Get());
    if (!lock.Data() || size < 3) return {};
    static_cast<uint8_t*>(lock.Data())[2] = 1;
  }
  CComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(block.Get(), TRUE, &stream))) return {};
  block.Detach();  // the stream frees it
  // The block may be larger than asked for; the stream holds exactly the entry.
  ULARGE_INTEGER exact;
  exact.QuadPart = size;
  stream->SetSize(exact);
  return stream;
}
