// The package reader: one package file at a time, mapped read-only; its index is turned
// into RESENTRY records that point straight into the view.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

#include "ResEntry.h"

class CSorvResFile {
 public:
  CSorvResFile();
  virtual ~CSorvResFile();
  CSorvResFile(const CSorvResFile&) = delete;
  CSorvResFile& operator=(const CSorvResFile&) = delete;

  // Closes whatever was open, then opens, maps and indexes `path`.
  BOOL Open(LPCWSTR path, DWORD shareMode);
  void Close();

  // One of ".png", ".bmp", ".gif", ".jpg", ".ico", ".cur", or empty. Looks at no more than
  // `size` bytes.
  static std::wstring SniffExtension(const BYTE* data, ULONGLONG size);
  // Writes the entry (unwrapped, with the payload's extension appended when it was wrapped).
  // Returns the byte count written, 0 on any failure.
  UINT SaveEntry(std::wstring path, const RESENTRY* entry);
  // A stream over a copy of the entry's image bytes; the caller releases it. Null when the
  // entry is not a recognised image or lies outside the file.
  IStream* CreateStream(const RESENTRY* entry);

  const std::vector<RESENTRY>& Entries() const { return m_entries; }
  bool IsOpen() const { return m_pView != nullptr; }

 protected:
  BOOL ParseIndex();

 private:
  LONG m_nFileSize;                  // low 32 bits, as the system reports them; -1 when closed
  HANDLE m_hFile;
  HANDLE m_hMapping;
  const BYTE* m_pView;
  std::vector<RESENTRY> m_entries;   // index order; records are stored in one block
  ULONGLONG m_nViewSize;             // true size of the view: every bounds check uses it
};
