// The package reader's record of one index entry, and the browser window's record of one
// listed entry. A RESENTRY points into the mapped package and lives until the next open.
#pragma once
#include <cstdint>

#if defined(_WIN32)
typedef wchar_t ResChar;  // UTF-16 on Windows
#define RES_TEXT(s) L##s
#else
typedef char16_t ResChar;
#define RES_TEXT(s) u##s
#endif

struct RESENTRY {
  const ResChar* pszName;  // stored name, inside the view
  const uint8_t* pData;    // first data byte, inside the view; null when the offset lies past the file
  int64_t nSize;           // size field as stored
};

struct RESITEM {
  wchar_t szName[260];   // file name and extension: the tree item's text
  wchar_t szFName[260];  // file-name part without directory and extension
  wchar_t szExt[256];    // extension with its dot, or empty
  RESENTRY* pEntry;      // borrowed from the reader
};
