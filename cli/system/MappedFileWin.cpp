#include <windows.h>

#include "cli/system/MappedFile.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

bool MappedFile::Open(const NativePath& path, std::string& error) {
  Close();
  // The mapping keeps the file: its own handle is closed on every way out.
  const sorv::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    error = LastSystemError();
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    error = LastSystemError();
    return false;
  }
  if (size.QuadPart > 0) {
    mapping_.Reset(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping_.IsValid()) view_.Reset(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    if (view_.IsNull()) {
      error = LastSystemError();
      Close();
      return false;
    }
    data_ = view_.Get();
    size_ = static_cast<uint64_t>(size.QuadPart);
  }
  return true;
}

bool MappedFile::OpenStandardInput(std::string& error) {
  Close();
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE) {
    error = "there is no standard input";
    return false;
  }
  if (GetFileType(in) == FILE_TYPE_CHAR) {
    error = "standard input is a terminal: pipe a package into it or give a file";
    return false;
  }
  uint8_t buffer[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(in, buffer, sizeof buffer, &n, nullptr)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) break;  // the writer is done
      error = "cannot read standard input: " + LastSystemError();
      read_.clear();
      return false;
    }
    if (n == 0) break;
    read_.insert(read_.end(), buffer, buffer + n);
  }
  data_ = read_.empty() ? nullptr : read_.data();
  size_ = read_.size();
  return true;
}

void MappedFile::AdviseSequential() {}

bool MappedFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) const {
  if (offset > size_ || size > size_ - offset) return false;
  CopyMemory(buffer, data_ + offset, size);
  return true;
}

void MappedFile::ReleasePages(uint64_t, uint64_t) {}

void MappedFile::Close() {
  view_.Reset();
  std::vector<uint8_t>().swap(read_);
  mapping_.Reset();
  data_ = nullptr;
  size_ = 0;
}

}  // namespace rdbtool
