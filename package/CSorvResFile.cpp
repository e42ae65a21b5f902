#include "package/CSorvResFile.h"

#include <string>
#include <new>
#include <utility>

#include "framework/CGlobalMemory.h"
#include "package/PackageFormat.h"

using sorv::pkg::EntryContent;
using sorv::pkg::ResolveContent;

CSorvResFile::CSorvResFile() : m_nFileSize(-1), m_nViewSize(0) {}

CSorvResFile::~CSorvResFile() { Close(); }

BOOL CSorvResFile::Open(LPCWSTR path, DWORD shareMode) {
  Close();
  // Any failure below leaves the reader closed: Close gives back whatever was made.
  m_hFile.Reset(CreateFileW(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
  if (!m_hFile.IsValid()) return FALSE;
  m_nFileSize = static_cast<LONG>(GetFileSize(m_hFile, nullptr));
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
  m_nFileSize = -1;
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

namespace {

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// The name the system resolves an open handle to, without the "\\?\" form's prefix.
std::wstring FinalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
  if (n >= path.size()) {
    path.resize(n + 1);
    n = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
  }
  path.resize(n < path.size() ? n : 0);
  return path;
}

// True when `file`, opened by `path`, is the file of that name in that folder: not a
// link's target and not reached through another name, as a host link seen through a
// compatibility layer is (it shows no reparse point there).
bool IsNamedFile(HANDLE file, const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  std::wstring expected;
  {
    const CFileHandle folder(CreateFileW(path.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.IsValid()) return false;
    expected = FinalPath(folder);
  }
  if (expected.empty()) return false;
  if (expected.back() != L'\\') expected += L'\\';
  expected.append(path, slash + 1, std::wstring::npos);
  const std::wstring actual = FinalPath(file);
  return CompareStringOrdinal(actual.c_str(), static_cast<int>(actual.size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

HANDLE CSorvResFile::CreateEntryFile(const std::wstring& path, bool noLinks) {
  if (!noLinks) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  }
  // Creating a new file never goes through anything of that name; only when something is
  // there is it looked at, and it is replaced (emptied and rewritten in place) only when
  // it is a plain file reached by exactly this name. Nothing is ever deleted: on some
  // layers deleting a host link removes its target.
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, flags, nullptr);
  if (file != INVALID_HANDLE_VALUE) return file;
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return Fail(error);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return Fail(ERROR_STOPPED_ON_SYMLINK);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Fail(ERROR_ACCESS_DENIED);  // as creating over a folder says
  CFileHandle existing(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!existing.IsValid()) return INVALID_HANDLE_VALUE;
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  DWORD refusal = ERROR_SUCCESS;
  if (!GetFileInformationByHandleEx(existing, FileAttributeTagInfo, &tag, sizeof tag)) refusal = GetLastError();
  else if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) refusal = ERROR_STOPPED_ON_SYMLINK;
  else if (!IsNamedFile(existing, path)) refusal = ERROR_STOPPED_ON_SYMLINK;
  else if (!SetEndOfFile(existing)) refusal = GetLastError();  // the file pointer is at 0
  if (refusal != ERROR_SUCCESS) {
    existing.Reset();
    return Fail(refusal);
  }
  return existing.Detach();
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
  HANDLE file = CreateEntryFile(path, (flags & kNoLinks) != 0);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  const DWORD size = static_cast<DWORD>(c.size);
  DWORD written = 0;
  const BOOL ok = size == 0 || WriteFile(file, c.data, size, &written, nullptr);
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  const BOOL closed = CloseHandle(file);
  if (ok && !closed) error = GetLastError();
  if (ok && closed && written != size) error = ERROR_WRITE_FAULT;
  if (error != ERROR_SUCCESS) {
    // No half-written file is left looking like an exported one. Only a file made or
    // checked here is removed: a path the user chose may be a link.
    if (flags & kNoLinks) DeleteFileW(path.c_str());
    SetLastError(error);
    return FALSE;
  }
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
