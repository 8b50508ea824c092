#include "components/Cab32.h"

#include <fci.h>
#include <fcntl.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "base/Handles.h"
#include "base/Text.h"

namespace kv {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A name stored relative to the base folder: no drive, no leading "\" or "/".
bool IsRelativeName(const std::wstring& name) {
  return !name.empty() && name.find(L':') == std::wstring::npos && name.front() != L'\\' && name.front() != L'/';
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  return folder + L'\\' + name;
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The open files of one compression, closed with it whatever happens.
struct FciSession {
  std::map<INT_PTR, UniqueFile> files;
};

FciSession& SessionOf(void* pv) { return *static_cast<FciSession*>(pv); }

FNFCIALLOC(FciAlloc) { return std::malloc(cb); }
FNFCIFREE(FciFree) { std::free(memory); }

FNFCIOPEN(FciOpen) {
  (void)pmode;
  DWORD access = GENERIC_READ;
  if ((oflag & 3) == _O_WRONLY) access = GENERIC_WRITE;
  if ((oflag & 3) == _O_RDWR) access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  if ((oflag & _O_CREAT) && (oflag & _O_TRUNC)) {
    disposition = CREATE_ALWAYS;
  } else if (oflag & _O_CREAT) {
    disposition = OPEN_ALWAYS;
  } else if (oflag & _O_TRUNC) {
    disposition = TRUNCATE_EXISTING;
  }
  // Names come in the ANSI code page; the wide call keeps them exactly.
  UniqueFile file(CreateFileW(FromAnsi(pszFile).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *err = static_cast<int>(GetLastError());
    return -1;
  }
  const INT_PTR key = reinterpret_cast<INT_PTR>(file.get());
  SessionOf(pv).files[key] = std::move(file);
  return key;
}

// Wine's compressor reads and seeks the data of a folder without data blocks (only empty files)
// through the handle -1, a temporary file it never created: it is answered as an empty file.
constexpr INT_PTR kNoFile = -1;

FNFCIREAD(FciRead) {
  (void)pv;
  if (hf == kNoFile) return 0;
  DWORD done = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr)) {*err = static_cast<int>(GetLastError());
    return static_cast<UINT>(-1);
  }
  return done;
}

FNFCIWRITE(FciWrite) {
  (void)pv;
  DWORD done = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr)) {*err = static_cast<int>(GetLastError());
    return static_cast<UINT>(-1);
  }
  return done;
}

FNFCICLOSE(FciClose) {
  (void)err;
  SessionOf(pv).files.erase(hf);
  return 0;
}

FNFCISEEK(FciSeek) {
  (void)pv;
  if (hf == kNoFile) return 0;
  const DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
  const DWORD position = SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, method);
  if (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
    *err = static_cast<int>(GetLastError());return -1;
  }
  return static_cast<long>(position);
}

FNFCIDELETE(FciDelete) {
  (void)pv;
  if (!DeleteFileW(FromAnsi(pszFile).c_str())) {
    *err = static_cast<int>(GetLastError());
    return -1;
  }
  return 0;
}

FNFCIGETTEMPFILE(FciGetTempFile) {
  (void)pv;
  char folder[MAX_PATH];
  char name[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH || !GetTempFileNameA(folder, "kvc", 0, name)) return FALSE;
  // GetTempFileName creates the file; the compressor wants to create it itself.
  DeleteFileA(name);
  if (std::strlen(name) >= static_cast<std::size_t>(cbTempName)) return FALSE;
  std::strcpy(pszTempName, name);
  return TRUE;
}

FNFCIFILEPLACED(FciFilePlaced) {
  (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
  return 0;
}

FNFCIGETNEXTCABINET(FciGetNextCabinet) {
  (void)pccab, (void)cbPrevCab, (void)pv;
  return FALSE;  // one cabinet only; its size limit is never reached
}

FNFCISTATUS(FciStatus) {
  (void)typeStatus, (void)cb1, (void)cb2, (void)pv;
  return 0;
}

FNFCIGETOPENINFO(FciGetOpenInfo) {
  const std::wstring path = FromAnsi(pszName);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    *err = static_cast<int>(GetLastError());
    return -1;
  }
  FILETIME local{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, pdate, ptime);
  // Names stay in the ANSI code page: never flagged as UTF-8.
  *pattribs = static_cast<USHORT>(data.dwFileAttributes &
                                  (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE));
  return FciOpen(pszName, _O_RDONLY | _O_BINARY, 0, err, pv);
}

bool CopyAnsi(const std::wstring& text, char* buffer, std::size_t size) {
  const std::string bytes = ToAnsi(text);
  if (bytes.size() >= size) return false;
  std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
  return true;
}

struct FciDestroyer {
  void operator()(void* hfci) const { FCIDestroy(hfci); }
};

std::int32_t Compress(const CabCommand& command) {
  const std::size_t slash = command.cabinetPath.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : command.cabinetPath.substr(0, slash + 1);
  const std::wstring name = command.cabinetPath.substr(slash == std::wstring::npos ? 0 : slash + 1);

  CCAB ccab{};
  ccab.cb = 0x7FFFFFFF;
  ccab.cbFolderThresh = 0x7FFFFFFF;
  ccab.setID = 1;
  if (name.empty() || !CopyAnsi(folder, ccab.szCabPath, sizeof(ccab.szCabPath)) ||
      !CopyAnsi(name, ccab.szCab, sizeof(ccab.szCab))) {
    return kCabErrorCommandLine;
  }

  FciSession session;
  ERF erf{};
  {
    std::unique_ptr<void, FciDestroyer> fci(FCICreate(&erf, FciFilePlaced, FciAlloc, FciFree, FciOpen, FciRead,
                                                      FciWrite, FciClose, FciSeek, FciDelete, FciGetTempFile, &ccab,
                                                      &session));
    if (!fci) return kCabErrorCreate;
    for (const std::wstring& fileName : command.fileNames) {
      std::string source = ToAnsi(JoinPath(command.baseFolder, fileName));
      std::string stored = ToAnsi(fileName);
      if (!FCIAddFile(fci.get(), source.data(), stored.data(), FALSE, FciGetNextCabinet, FciStatus, FciGetOpenInfo,
                      tcompTYPE_MSZIP)) {
        return kCabErrorCompress;
      }
    }
    if (!FCIFlushCabinet(fci.get(), FALSE, FciGetNextCabinet, FciStatus)) return kCabErrorCompress;
  }
  return kCabOk;
}

}  // namespace

std::optional<CabCommand> ParseCabCommand(std::string_view commandLine) {
  bool add = false;
  bool relative = false;
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (true) {
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i == commandLine.size()) break;
    if (commandLine[i] == '"') {
      // A double quote never occurs inside a character of the ANSI code page, so a byte scan is safe.
      const std::size_t close = commandLine.find('"', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      if (close + 1 < commandLine.size() && !IsBlank(commandLine[close + 1])) return std::nullopt;
      fields.emplace_back(commandLine.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    std::size_t end = i;
    while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
    const std::string_view option = commandLine.substr(i, end - i);
    if (!fields.empty()) return std::nullopt;  // options come before the fields
    if (option == "-a" && !add) {
      add = true;
    } else if (option == "-r" && !relative) {
      relative = true;
    } else {
      return std::nullopt;
    }
    i = end;
  }
  if (!add || !relative || fields.size() < 3) return std::nullopt;

  CabCommand command;
  command.cabinetPath = FromAnsi(fields[0]);
  command.baseFolder = FromAnsi(fields[1]);
  if (command.cabinetPath.empty() || command.baseFolder.empty()) return std::nullopt;
  for (std::size_t k = 2; k < fields.size(); ++k) {
    std::wstring name = FromAnsi(fields[k]);
    if (!IsRelativeName(name)) return std::nullopt;
    command.fileNames.push_back(std::move(name));
  }
  return command;
}

std::int32_t Cab(HWND hwnd, const char* szCmdLine, char* szOutput, DWORD dwSize) {
  (void)hwnd;
  if (szOutput && dwSize > 0) szOutput[0] = '\0';
  const std::optional<CabCommand> command = ParseCabCommand(szCmdLine ? szCmdLine : "");
  if (!command) return kCabErrorCommandLine;

  // A new cabinet: whatever was at the path goes first, so no failure leaves an old or partial one.
  DeleteFileW(command->cabinetPath.c_str());
  for (const std::wstring& fileName : command->fileNames) {
    if (!IsExistingFile(JoinPath(command->baseFolder, fileName))) return kCabErrorSourceMissing;
  }
  const std::int32_t result = Compress(*command);
  if (result != kCabOk) DeleteFileW(command->cabinetPath.c_str());
  return result;
}

}  // namespace kv
