#include "rules/ExportFolderWin.h"

#include <winternl.h>

#include <atomic>

#include "rules/ShortName.h"

namespace sorv {
namespace rules {

namespace {

// The native calls that open a name relative to a folder handle and rename relative to one;
// kernel32 has neither. Looked up once, as the name fold looks up its table.
constexpr NTSTATUS kObjectNameCollision = static_cast<NTSTATUS>(0xC0000035L);
constexpr NTSTATUS kNotADirectory = static_cast<NTSTATUS>(0xC0000103L);
constexpr ULONG kFileRenameInformation = 10;
constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kCreate = 2, kOpen = 1, kOpenIf = 3;  // FILE_CREATE, FILE_OPEN, FILE_OPEN_IF
constexpr ULONG kDirectoryFile = 0x1, kNonDirectoryFile = 0x40, kSynchronousIo = 0x20, kSequentialOnly = 0x4;

struct NtCalls {
  using CreateFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                    ULONG, ULONG, ULONG, PVOID, ULONG);
  using SetInformationFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
  using ToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
  CreateFn create = nullptr;
  SetInformationFn setInformation = nullptr;
  ToDosErrorFn toDosError = nullptr;
  NtCalls() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    create = reinterpret_cast<CreateFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtCreateFile")));
    setInformation =
        reinterpret_cast<SetInformationFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtSetInformationFile")));
    toDosError = reinterpret_cast<ToDosErrorFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  }
};

const NtCalls& Nt() {
  static const NtCalls calls;
  return calls;
}

DWORD ErrorOf(NTSTATUS status) { return Nt().toDosError ? Nt().toDosError(status) : ERROR_GEN_FAILURE; }

std::atomic<uint64_t> g_faultAfter{kNoWriteFault};

WriteResult Result(WriteOutcome outcome, DWORD error = ERROR_SUCCESS) {
  WriteResult r;
  r.outcome = outcome;
  r.error = error;
  return r;
}

// Opens `name` below the folder `root`, never following a link at that name.
NTSTATUS OpenBelow(HANDLE root, std::u16string_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                   ULONG options, HANDLE& handle, ULONG_PTR* information = nullptr) {
  if (!Nt().create || name.size() > 0x7FFF) return static_cast<NTSTATUS>(0xC0000002L);  // not implemented
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(reinterpret_cast<PCWSTR>(name.data()));
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK io = {};
  handle = nullptr;
  const NTSTATUS status = Nt().create(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                      share, disposition, options | kSynchronousIo | kOpenReparsePoint, nullptr, 0);
  if (status < 0) handle = nullptr;
  if (information) *information = io.Information;
  return status;
}

// The name the system gives an open handle, from its volume's root ("\\dir\\file"), into
// `name`; empty when it has none to give (under some layers, once its folder was moved).
// The normalized name where the system has one (a short name in the path reads back in its
// long form); else the name as the file system keeps it, which is what layers without it
// give (and cheaper there than the final-path call, which builds the same name with more).
void ReadBackName(HANDLE handle, std::u16string& name) {
  thread_local std::vector<uint8_t> buffer(sizeof(FILE_NAME_INFO) + 0x10000 * sizeof(WCHAR));
  FILE_NAME_INFO* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
  const DWORD size = static_cast<DWORD>(buffer.size());
  constexpr auto kNormalizedNameInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(24);  // FileNormalizedNameInfo
  thread_local bool normalizedKnown = true;  // false once the system said it has no such call
  bool read = normalizedKnown && ::GetFileInformationByHandleEx(handle, kNormalizedNameInfo, info, size);
  if (!read && normalizedKnown) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SUPPORTED)
      normalizedKnown = false;
  }
  if (!read) read = ::GetFileInformationByHandleEx(handle, FileNameInfo, info, size);
  if (!read) {
    name.clear();
    return;
  }
  name.assign(reinterpret_cast<const char16_t*>(info->FileName), info->FileNameLength / sizeof(WCHAR));
}

bool SameFolded(std::u16string_view a, std::u16string_view b, std::u16string& scratchA, std::u16string& scratchB) {
  if (a.size() != b.size()) return false;
  scratchA.assign(a);
  scratchB.assign(b);
  if (const FileNameFold fold = PlatformFileNameFold()) {
    fold(&scratchA[0], scratchA.size());
    fold(&scratchB[0], scratchB.size());
  }
  return scratchA == scratchB;
}

// Whether the object at `handle`, opened below folder `parent` (as read back) under
// `name`, has that name there. `made`: it was made just now, so it cannot be elsewhere but
// by its folder being moved.
class NameCheck {
 public:
  WriteOutcome Check(HANDLE handle, std::u16string_view parent, std::u16string_view name, bool made) {
    ReadBackName(handle, actual_);
    if (actual_.empty()) return WriteOutcome::kMoved;
    const size_t cut = parent.size();
    const bool sameParent = actual_.size() > cut && actual_[cut] == u'\\' &&
                            actual_.find(u'\\', cut + 1) == std::u16string::npos &&
                            SameFolded(std::u16string_view(actual_).substr(0, cut), parent, a_, b_);
    if (!sameParent) return made ? WriteOutcome::kMoved : WriteOutcome::kLink;
    if (SameFolded(std::u16string_view(actual_).substr(cut + 1), name, a_, b_)) return WriteOutcome::kWritten;
    return HasShortNameShape(name) ? WriteOutcome::kAlias : WriteOutcome::kNameChanged;
  }

 private:
  std::u16string actual_, a_, b_;
};

bool WriteAll(HANDLE file, const void* data, uint64_t size, DWORD& error) {
  const uint64_t faultAfter = g_faultAfter.load();
  const uint8_t* at = static_cast<const uint8_t*>(data);
  uint64_t done = 0;
  while (done < size) {
    uint64_t chunk = size - done > (1u << 30) ? (1u << 30) : size - done;
    const bool fault = faultAfter != kNoWriteFault && done + chunk > faultAfter;
    if (fault) chunk = faultAfter - done;
    DWORD written = 0;
    if (chunk > 0 && !::WriteFile(file, at + done, static_cast<DWORD>(chunk), &written, nullptr)) {
      error = ::GetLastError();
      return false;
    }
    done += written;
    if (fault) {
      error = ERROR_DISK_FULL;
      return false;
    }
    if (written == 0) {
      error = ERROR_WRITE_FAULT;
      return false;
    }
  }
  return true;
}

void DeleteOpenFile(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Renames the open `file` to `name` in `folder`, replacing what has that name.
DWORD RenameOver(HANDLE file, HANDLE folder, std::u16string_view name) {
  std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(WCHAR));
  FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = folder;
  info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(WCHAR));
  memcpy(info->FileName, name.data(), name.size() * sizeof(WCHAR));
  IO_STATUS_BLOCK io = {};
  if (!Nt().setInformation) return ERROR_CALL_NOT_IMPLEMENTED;
  const NTSTATUS status =
      Nt().setInformation(file, &io, info, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
  return status < 0 ? ErrorOf(status) : ERROR_SUCCESS;
}

// Writes a file `name` in the open `folder`, whose read-back name is `*folderName` ("" for
// a drive's root; null: names are not checked).
WriteResult WriteInFolder(HANDLE folder, const std::u16string* folderName, std::u16string_view name, const void* data,
                          uint64_t size, bool keepExisting) {
  static std::atomic<unsigned> counter{0};
  thread_local NameCheck check;
  const bool checkNames = folderName != nullptr;
  const ACCESS_MASK access = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES;
  const ULONG options = kNonDirectoryFile | kSequentialOnly;
  HANDLE file = nullptr;
  NTSTATUS status = OpenBelow(folder, name, access, FILE_SHARE_READ, kCreate, options, file);
  bool replacing = false;
  std::u16string tempName;
  if (status == kObjectNameCollision) {
    if (keepExisting) return Result(WriteOutcome::kKept);
    // Something has the name: only a plain file of exactly that name is replaced.
    HANDLE existing = nullptr;
    status = OpenBelow(folder, name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kOpen,
                       0, existing);
    if (status < 0) return Result(WriteOutcome::kFailed, ErrorOf(status));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    WriteOutcome outcome = WriteOutcome::kWritten;
    DWORD error = ERROR_SUCCESS;
    if (!::GetFileInformationByHandleEx(existing, FileAttributeTagInfo, &tag, sizeof tag)) {
      outcome = WriteOutcome::kFailed;
      error = ::GetLastError();
    } else if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      outcome = WriteOutcome::kLink;
    } else if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      outcome = WriteOutcome::kFailed;
      error = ERROR_ACCESS_DENIED;  // as creating a file over a folder says
    } else if (checkNames) {
      outcome = check.Check(existing, *folderName, name, false);
    }
    ::CloseHandle(existing);
    if (outcome != WriteOutcome::kWritten) return Result(outcome, error);
    // The new content goes into a temporary file beside it first.
    for (int tries = 0; tries < 100; ++tries) {
      const std::wstring temp = L".sorv-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(counter.fetch_add(1)) + L".tmp";
      tempName.assign(temp.begin(), temp.end());
      status = OpenBelow(folder, tempName, access, FILE_SHARE_READ, kCreate, options, file);
      if (status != kObjectNameCollision) break;
    }
    replacing = true;
  }
  if (status < 0) return Result(WriteOutcome::kFailed, ErrorOf(status));

  // The file is ours from here: it is removed again on every way out but success. Only a
  // file whose name reads back as planned is removed by its handle: some layers remove by
  // path, which a moved folder no longer leads to.
  WriteOutcome outcome = WriteOutcome::kWritten;
  // A temporary is made a moment after its folder was read back through the existing file.
  if (checkNames && !replacing) outcome = check.Check(file, *folderName, name, true);
  DWORD error = ERROR_SUCCESS;
  const bool removable = outcome == WriteOutcome::kWritten || outcome == WriteOutcome::kAlias ||
                   outcome == WriteOutcome::kNameChanged;
  if (outcome == WriteOutcome::kWritten && !WriteAll(file, data, size, error)) outcome = WriteOutcome::kFailed;
  if (outcome == WriteOutcome::kWritten && replacing) {
    error = RenameOver(file, folder, name);
    if (error != ERROR_SUCCESS) outcome = WriteOutcome::kFailed;
  }
  if (outcome != WriteOutcome::kWritten && removable) DeleteOpenFile(file);
  if (!::CloseHandle(file) && outcome == WriteOutcome::kWritten) {
    outcome = WriteOutcome::kFailed;
    error = ::GetLastError();
  }
  return Result(outcome, error);
}

// The folder in the system's long form ("\\?\C:\..." or "\\?\UNC\server\share\..."), so
// that it is opened whatever its length.
std::wstring LongForm(const std::u16string& folder) {
  const std::wstring text(folder.begin(), folder.end());
  if (text.compare(0, 4, L"\\\\?\\") == 0 || text.compare(0, 4, L"\\\\.\\") == 0) return text;
  const DWORD n = ::GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (n == 0) return text;
  std::wstring full(n, L'\0');
  full.resize(::GetFullPathNameW(text.c_str(), n, &full[0], nullptr));
  if (full.size() < 3) return text;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  if (full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  return text;
}

// A folder held while the export runs: others may read and write in it, not rename or remove it.
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

}  // namespace

ExportFolderWin::ExportFolderWin(const ExportPlan& plan) : plan_(plan), folders_(plan.FolderCount()) {
  const std::wstring folder = LongForm(plan.FolderText());
  root_ = ::CreateFileW(folder.c_str(), kFolderAccess | SYNCHRONIZE, kFolderShare, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (root_ == INVALID_HANDLE_VALUE) {
    root_ = nullptr;
    rootResult_ = Result(WriteOutcome::kFailed, ::GetLastError());
    rootResult_.atFolder = true;
    return;
  }
  ReadBackName(root_, rootName_);
  if (rootName_.empty()) {
    rootResult_ = Result(WriteOutcome::kMoved);
    rootResult_.atFolder = true;
    return;
  }
  if (rootName_.back() == u'\\') rootName_.pop_back();  // a drive's root: "" from here
  rootResult_ = Result(WriteOutcome::kWritten);
  folders_[0].handle = root_;
  folders_[0].known = true;
  folders_[0].result = rootResult_;
}

ExportFolderWin::~ExportFolderWin() {
  for (size_t i = 1; i < folders_.size(); ++i)
    if (folders_[i].handle) ::CloseHandle(folders_[i].handle);
  if (root_) ::CloseHandle(root_);
}

WriteResult ExportFolderWin::OpenFolders(size_t entry, const std::u16string& relative, HANDLE& handle) {
  uint32_t folder = plan_.Folder(entry);
  chain_.clear();
  while (!folders_[folder].known) {
    chain_.push_back(folder);
    folder = plan_.Parent(folder);
  }
  if (chain_.empty()) {
    handle = folders_[folder].handle;
    return folders_[folder].result;
  }
  // The end of each level's text in `relative`: the separator after it.
  const uint32_t depth = plan_.Depth(chain_.front());
  ends_.assign(1, 0);
  for (size_t i = 0; i < relative.size() && ends_.size() <= depth; ++i)
    if (relative[i] == plan_.Separator()) ends_.push_back(i);

  NameCheck check;
  std::u16string parentName;
  WriteResult result = folders_[folder].result;
  for (size_t k = chain_.size(); k-- > 0;) {
    const uint32_t f = chain_[k];
    Folder& here = folders_[f];
    here.known = true;
    if (!result.Written()) {
      here.result = result;
      continue;
    }
    const uint32_t d = plan_.Depth(f);
    const size_t begin = d == 1 ? 0 : ends_[d - 1] + 1;
    const std::u16string_view name(relative.data() + begin, ends_[d] - begin);
    parentName = rootName_;
    if (d > 1) parentName.append(u"\\").append(relative, 0, ends_[d - 1]);
    ULONG_PTR information = 0;
    const NTSTATUS status = OpenBelow(folders_[plan_.Parent(f)].handle, name, kFolderAccess, kFolderShare, kOpenIf,
                                      kDirectoryFile, here.handle, &information);
    if (status == kNotADirectory) {
      result = Result(WriteOutcome::kNotFolder);
    } else if (status < 0) {
      result = Result(WriteOutcome::kFailed, ErrorOf(status));
    } else {
      const bool made = information == FILE_CREATED;
      FILE_ATTRIBUTE_TAG_INFO tag = {};
      if (!made && (!::GetFileInformationByHandleEx(here.handle, FileAttributeTagInfo, &tag, sizeof tag) ||
                    (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        result = Result(WriteOutcome::kLink);
      } else {
        result = Result(check.Check(here.handle, parentName, name, made));
      }
      if (!result.Written()) {
        ::CloseHandle(here.handle);
        here.handle = nullptr;
      }
    }
    result.atFolder = true;
    here.result = result;
  }
  handle = folders_[plan_.Folder(entry)].handle;
  return result;
}

WriteResult ExportFolderWin::Write(size_t entry, const void* data, uint64_t size, bool keepExisting) {
  if (!root_ || !rootResult_.Written()) return rootResult_;
  const std::u16string target = plan_.TargetPath(entry);
  const std::u16string relative = target.substr(plan_.FolderText().size());
  HANDLE folder = nullptr;
  const WriteResult made = OpenFolders(entry, relative, folder);
  if (!made.Written()) return made;
  const size_t slash = relative.rfind(plan_.Separator());
  const size_t begin = slash == std::u16string::npos ? 0 : slash + 1;
  std::u16string folderName = rootName_;
  if (begin > 0) folderName.append(u"\\").append(relative, 0, begin - 1);
  return WriteInFolder(folder, &folderName, std::u16string_view(relative).substr(begin), data, size, keepExisting);
}

WriteResult WriteFileReplacing(const std::wstring& path, const void* data, uint64_t size) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash + 1 == path.size()) return Result(WriteOutcome::kFailed, ERROR_INVALID_NAME);
  const std::wstring folderPath = LongForm(std::u16string(path.begin(), path.begin() + static_cast<ptrdiff_t>(slash) + 1));
  const HANDLE folder = ::CreateFileW(folderPath.c_str(), kFolderAccess | SYNCHRONIZE, kFolderShare, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return Result(WriteOutcome::kFailed, ::GetLastError());
  const std::u16string name(path.begin() + static_cast<ptrdiff_t>(slash) + 1, path.end());
  const WriteResult result = WriteInFolder(folder, nullptr, name, data, size, false);
  ::CloseHandle(folder);
  return result;
}

void InjectWriteFault(uint64_t afterBytes) { g_faultAfter.store(afterBytes); }

}  // namespace rules
}  // namespace sorv
