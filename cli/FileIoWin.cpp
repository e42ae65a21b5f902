#include <windows.h>

#include "cli/InputFile.h"
#include "cli/MappedFile.h"
#include "cli/OutputFile.h"
#include "cli/SystemError.h"

namespace rdbtool {

bool InputFile::Open(const NativePath& path, std::string& error, bool) {
  Close();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = LastSystemError();
    return false;
  }
  file_ = h;
  return true;
}

bool InputFile::Size(uint64_t& size, std::string& error) const {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(static_cast<HANDLE>(file_), &value)) {
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
    if (!ReadFile(static_cast<HANDLE>(file_), buffer + done, chunk, &got, nullptr)) {
      error = LastSystemError();
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<int64_t>(done);
}

int64_t InputFile::ReadSome(uint8_t* buffer, size_t size, std::string& error) {
  DWORD got = 0;
  if (!ReadFile(static_cast<HANDLE>(file_), buffer, size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size), &got,
                nullptr)) {
    error = LastSystemError();
    return -1;
  }
  return static_cast<int64_t>(got);
}

void InputFile::Close() {
  if (file_) CloseHandle(static_cast<HANDLE>(file_));
  file_ = nullptr;
}

OutputFile::~OutputFile() {
  if (file_ && ownsHandle_) CloseHandle(static_cast<HANDLE>(file_));
  if (!committed_ && !temp_.empty()) DeleteFileW(temp_.c_str());
}

bool OutputFile::Create(const std::string& argument, std::string& error) {
  if (argument == "-") {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (out == INVALID_HANDLE_VALUE || out == nullptr) {
      error = "there is no standard output";
      return false;
    }
    if (GetFileType(out) == FILE_TYPE_CHAR && GetConsoleMode(out, &mode)) {
      error = "standard output is a console: refusing to write a package to it (redirect it or give -o FILE)";
      return false;
    }
    file_ = out;
    ownsHandle_ = false;
    seekable_ = false;
    display_ = "standard output";
    return true;
  }
  path_ = ToNativePath(argument);
  display_ = argument;
  // Opening follows links; the final path names the file that will be replaced.
  HANDLE existing = CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    const DWORD type = GetFileType(existing);
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool disk = type == FILE_TYPE_DISK && GetFileInformationByHandle(existing, &info);
    if (disk && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      CloseHandle(existing);
      error = "'" + argument + "' is a folder";
      return false;
    }
    if (disk) {
      wchar_t final[32768];
      const DWORD n = GetFinalPathNameByHandleW(existing, final, 32768, FILE_NAME_NORMALIZED);
      if (n > 0 && n < 32768) path_.assign(final, n);
    }
    CloseHandle(existing);
    if (!disk) {
      // A device or a pipe: written through, never replaced.
      HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        error = "cannot write to '" + argument + "': " + LastSystemError();
        return false;
      }
      file_ = h;
      seekable_ = false;
      return true;
    }
  }
  temp_ = path_ + L".tmp-" + std::to_wstring(GetCurrentProcessId());
  HANDLE h = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = "cannot create '" + DisplayPath(temp_) + "': " + LastSystemError();
    temp_.clear();
    return false;
  }
  file_ = h;
  return true;
}

bool OutputFile::WriteThrough(const uint8_t* data, size_t size, std::string& error) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(file_), data, chunk, &written, nullptr) || written == 0) {
      error = "cannot write to " + (path_.empty() ? display_ : "'" + display_ + "'") + ": " + LastSystemError();
      return false;
    }
    data += written;
    size -= written;
    position_ += written;
  }
  return true;
}

bool OutputFile::WriteAtOffset(uint64_t offset, const uint8_t* data, size_t size, std::string& error) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(static_cast<HANDLE>(file_), to, nullptr, FILE_BEGIN)) {
    error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
    return false;
  }
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(file_), data, chunk, &written, nullptr) || written == 0) {
      error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
      return false;
    }
    data += written;
    size -= written;
    offset += written;
  }
  if (offset > position_) position_ = offset;
  return true;
}

int OutputFile::CopyFrom(const MappedFile&, uint64_t, uint64_t, uint64_t, std::string&) {
  return 0;  // the caller writes from its mapping
}

bool OutputFile::Commit(std::string& error) {
  HANDLE h = static_cast<HANDLE>(file_);
  file_ = nullptr;
  if (!ownsHandle_) {
    committed_ = true;
    return true;
  }
  if (!CloseHandle(h)) {
    error = "cannot write '" + (temp_.empty() ? display_ : DisplayPath(temp_)) + "': " + LastSystemError();
    return false;
  }
  if (!temp_.empty() && !MoveFileExW(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = "cannot put the package in place as '" + DisplayPath(path_) + "': " + LastSystemError();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace rdbtool
