#include <windows.h>

#include "InputFile.h"
#include "OutputFile.h"
#include "SystemError.h"

namespace rdbtool {

bool InputFile::Open(const NativePath& path, std::string& error) {
  Close();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = LastSystemError();
    return false;
  }
  handle_ = h;
  return true;
}

bool InputFile::Size(uint64_t& size, std::string& error) const {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &value)) {
    error = LastSystemError();
    return false;
  }
  size = static_cast<uint64_t>(value.QuadPart);
  return true;
}

int64_t InputFile::Read(uint8_t* buffer, size_t size, std::string& error) {
  size_t done = 0;
  while (done < size) {
    const size_t want = size - done;
    const DWORD chunk = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer + done, chunk, &got, nullptr)) {
      error = LastSystemError();
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<int64_t>(done);
}

void InputFile::Close() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

OutputFile::~OutputFile() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
  if (!committed_ && !temp_.empty()) DeleteFileW(temp_.c_str());
}

bool OutputFile::Create(const NativePath& path, std::string& error) {
  path_ = path;
  temp_ = path + L".tmp-" + std::to_wstring(GetCurrentProcessId());
  HANDLE h = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = "cannot create '" + DisplayPath(temp_) + "': " + LastSystemError();
    temp_.clear();
    return false;
  }
  handle_ = h;
  return true;
}

bool OutputFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size, std::string& error) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(static_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN)) {
    error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
    return false;
  }
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), data, chunk, &written, nullptr) || written == 0) {
      error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool OutputFile::Commit(std::string& error) {
  HANDLE h = static_cast<HANDLE>(handle_);
  handle_ = nullptr;
  if (!CloseHandle(h)) {
    error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
    return false;
  }
  if (!MoveFileExW(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = "cannot put the package in place as '" + DisplayPath(path_) + "': " + LastSystemError();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace rdbtool
