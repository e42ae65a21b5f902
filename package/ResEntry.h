// The package reader's record of one index entry. A RESENTRY points into the mapped package
// and lives until the next open.
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
