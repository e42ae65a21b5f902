// The package reader: one package file at a time, mapped read-only; its index is turned
// into RESENTRY records that point straight into the view.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

#include "framework/CComPtr.h"
#include "package/ResEntry.h"
#include "platform/KernelHandle.h"

// Not in every SDK's headers: "The create operation stopped after reaching a symbolic link."
#ifndef ERROR_STOPPED_ON_SYMLINK
#define ERROR_STOPPED_ON_SYMLINK 681L
#endif

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
  // Returns the byte count written, 0 on any failure -- and 0 for an empty payload written
  // in full, so callers that must tell those apart use WriteEntry. Kept as the reader's
  // writer of one entry that the program's design names; the window writes through
  // GetContent (a file replaced only when complete), so only tests call it.
  UINT SaveEntry(std::wstring path, const RESENTRY* entry);

  // How WriteEntry makes its file.
  enum WriteFlags : DWORD {
    kAppendExtension = 1,  // a wrapped entry's payload extension is appended, as SaveEntry does
  };
  // Writes the entry's content (unwrapped) to `path`. TRUE when the file was made with the
  // full content, 0 bytes included; FALSE with GetLastError() saying why.
  BOOL WriteEntry(std::wstring path, const RESENTRY* entry, DWORD flags);
  // The entry's content (unwrapped) inside the mapped file, for writers of their own. FALSE
  // when it lies outside the file or is too large for one write.
  BOOL GetContent(const RESENTRY* entry, const BYTE*& data, DWORD& size) const;
  // The text a wrapped entry's file name gets appended (".png", ...); "" otherwise.
  const wchar_t* AppendedExtension(const RESENTRY* entry) const;
  // A stream over a copy of the entry's image bytes, which the stream owns. Null when the
  // entry is not a recognised image or lies outside the file.
  CComPtr<IStream> CreateStream(const RESENTRY* entry);

  const std::vector<RESENTRY>& Entries() const { return m_entries; }
  bool IsOpen() const { return !m_pView.IsNull(); }

 protected:
  BOOL ParseIndex();

 private:
  // Declared in the order they are opened, so they are given back in the reverse one.
  sorv::FileHandle m_hFile;
  sorv::KernelHandle m_hMapping;
  sorv::MappedView m_pView;
  std::vector<RESENTRY> m_entries;   // index order; records are stored in one block
  ULONGLONG m_nViewSize;             // true size of the view: every bounds check uses it
};
