#include <windows.h>

#include "cli/system/InputFile.h"
#include "cli/system/MappedFile.h"
#include "cli/system/OutputFile.h"
#include "cli/system/SystemError.h"

namespace rdbtool {

bool InputFile::Open(const NativePath& path, std::string& error, bool) {
  Close();
  file_.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_.IsValid()) {
    error = LastSystemError();
    return false;
  }
  return true;
}

bool InputFile::Size(uint64_t& size, std::string& error) const {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(file_, &value)) {
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
    if (!ReadFile(file_, buffer + done, chunk, &got, nullptr)) {
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
  if (!ReadFile(file_, buffer, size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size), &got,
                nullptr)) {
    error = LastSystemError();
    return -1;
  }
  return static_cast<int64_t>(got);
}

void InputFile::Close() { file_.Reset(); }

OutputFile::~OutputFile() {
  // Standard output is the process's: let go of it unclosed. Our own file is closed before
  // its temporary name can be removed.
  if (!ownsHandle_) file_.Detach();
  file_.Reset();
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
    file_.Reset(out);
    ownsHandle_ = false;
    seekable_ = false;
    display_ = "standard output";
    return true;
  }
  path_ = ToNativePath(argument);
  display_ = argument;
  // Opening follows links; the final path names the file that will be replaced.
  sorv::FileHandle existing(CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (existing.IsValid()) {
    const DWORD type = GetFileType(existing);
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool disk = type == FILE_TYPE_DISK && GetFileInformationByHandle(existing, &info);
    if (disk && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      error = "'" + argument + "' is a folder";
      return false;
    }
    if (disk) {
      wchar_t final[32768];
      const DWORD n = GetFinalPathNameByHandleW(existing, final, 32768, FILE_NAME_NORMALIZED);
      if (n > 0 && n < 32768) path_.assign(final, n);
    }
    existing.Reset();
    if (!disk) {
      // A device or a pipe: written through, never replaced.
      file_.Reset(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file_.IsValid()) {
        error = "cannot write to '" + argument + "': " + LastSystemError();
        return false;
      }
      seekable_ = false;
      return true;
    }
  }
  temp_ = path_ + L".tmp-" + std::to_wstring(GetCurrentProcessId());
  file_.Reset(CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_.IsValid()) {
    error = "cannot create '" + DisplayPath(temp_) + "': " + LastSystemError();
    temp_.clear();
    return false;
  }
  return true;
}

bool OutputFile::WriteThrough(const uint8_t* data, size_t size, std::string& error) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) {
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
  if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) {
    error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
    return false;
  }
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) {
      error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
      return false;
    }
    data += written;
    size -= written;
    offset += written;
  }
  MoveEnd(offset);
  return true;
}

bool OutputFile::TwoWriters() const { return false; }

bool OutputFile::SetSize(uint64_t size, std::string& error) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(size);
  if (SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) && SetEndOfFile(file_)) {
    position_ = size;
    return true;
  }
  error = "cannot write '" + DisplayPath(temp_) + "': " + LastSystemError();
  return false;
}

int OutputFile::CopyFrom(const MappedFile&, uint64_t, uint64_t, uint64_t, std::string&) {
  return 0;  // the caller writes from its mapping
}

bool OutputFile::Commit(std::string& error) {
  if (!ownsHandle_) {
    file_.Detach();  // standard output stays open
    committed_ = true;
    return true;
  }
  if (!file_.Close()) {
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
