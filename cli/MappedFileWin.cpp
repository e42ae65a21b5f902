#include <windows.h>

#include "cli/MappedFile.h"
#include "cli/SystemError.h"

namespace rdbtool {

bool MappedFile::Open(const NativePath& path, std::string& error) {
  Close();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = LastSystemError();
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    error = LastSystemError();
    CloseHandle(file);
    return false;
  }
  if (size.QuadPart > 0) {
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (!view) {
      error = LastSystemError();
      if (mapping) CloseHandle(mapping);
      CloseHandle(file);
      return false;
    }
    mapping_ = mapping;
    data_ = static_cast<const uint8_t*>(view);
    size_ = static_cast<uint64_t>(size.QuadPart);
  }
  CloseHandle(file);  // the mapping keeps the file
  return true;
}

void MappedFile::AdviseSequential() {}

void MappedFile::ReleasePages() {}

void MappedFile::Close() {
  if (data_) UnmapViewOfFile(data_);
  if (mapping_) CloseHandle(static_cast<HANDLE>(mapping_));
  data_ = nullptr;
  mapping_ = nullptr;
  size_ = 0;
}

}  // namespace rdbtool
