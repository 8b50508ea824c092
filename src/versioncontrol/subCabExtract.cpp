#include "versioncontrol/subCabExtract.h"

#include <cstring>
#include <optional>
#include <vector>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv {
namespace {

constexpr UINT_PTR kContext = 2;
// The cabinet format's attribute bit of a member name stored in UTF-8.
constexpr WORD kNameIsUtf8 = 0x80;

// One extraction at a time. Wine goes on iterating whatever the handler answers, so the handler
// keeps its own failure state and skips every file after a failure.
struct Extraction {
  std::wstring cabinetPath;
  std::wstring destFolder;
  bool failed = false;                    // an extraction error or an unsafe name
  std::optional<RuntimeError> raised;     // a failure of the handler, raised after the iteration
};
Extraction g_extraction;

std::int32_t MkDir(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  return ErrorNumberFromWin32(GetLastError());
}

std::vector<std::wstring> SplitAtBackslash(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (;;) {
    const auto slash = path.find(L'\\', start);
    parts.push_back(path.substr(start, slash - start));
    if (slash == std::wstring::npos) return parts;
    start = slash + 1;
  }
}

std::wstring Join(const std::vector<std::wstring>& parts, std::size_t last) {
  std::wstring joined;
  for (std::size_t i = 0; i <= last; ++i) {
    if (i > 0) joined += L'\\';
    joined += parts[i];
  }
  if (joined.size() >= 2 && joined.front() == L'\\') joined.erase(0, 1);
  return joined;
}

// gcab stores every non-ASCII name in UTF-8 and flags it; the maker's archiver stores the ANSI
// code page unflagged. Wine's setup function hands over the stored bytes and attributes unchanged.
// A flagged name that is not UTF-8 is read as the ANSI code page, as an unflagged one.
std::wstring ReadNameInCabinet(const FILE_IN_CABINET_INFO_A& info) {
  if ((info.DosAttribs & kNameIsUtf8) && info.NameInCabinet) {
    if (auto name = FromUtf8Exact(info.NameInCabinet)) return *name;
  }
  return AnsiPtrToString(info.NameInCabinet);
}

UINT OnFileExtracted(const FILEPATHS_A& paths) {
  const auto code = static_cast<UINT>(static_cast<std::int32_t>(static_cast<std::int16_t>(paths.Win32Error & 0xFFFF)));
  if (code != 0) g_extraction.failed = true;
  return code;
}

}  // namespace

bool IsContainedRelativePath(const std::wstring& name) {
  if (name.empty() || name.find(L':') != std::wstring::npos) return false;
  std::wstring normal = name;
  for (auto& c : normal) {
    if (c == L'/') c = L'\\';
  }
  for (const auto& part : SplitAtBackslash(normal)) {
    if (part.empty() || part == L"." || part == L"..") return false;
  }
  return true;
}

bool CabExtract(const std::wstring& cabinetPath, const std::wstring& destFolder) {
  if (cabinetPath.empty()) return false;
  g_extraction = Extraction{};
  g_extraction.cabinetPath = cabinetPath;
  g_extraction.destFolder = destFolder;
  // The setup function opens its paths through the ANSI code page, which writes a character it
  // lacks as a look-alike ("¥" as the byte of "\", "é" as "e") or as "?": another file or folder.
  const auto cabinet = ToAnsiExact(cabinetPath);
  if (!cabinet) return false;
  const BOOL done = SetupIterateCabinetA(cabinet->c_str(), 0, CabExtractCallback, reinterpret_cast<PVOID>(kContext));
  Extraction finished = std::move(g_extraction);
  g_extraction = Extraction{};
  if (finished.raised) throw *finished.raised;
  return done != FALSE && !finished.failed;
}

UINT CALLBACK CabExtractCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  switch (notification) {
    case SPFILENOTIFY_FILEINCABINET: {
      if (reinterpret_cast<UINT_PTR>(context) != kContext) return 0;
      if (g_extraction.failed || g_extraction.raised) return FILEOP_SKIP;
      try {
        return OnFileInCabinet(*reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1));
      } catch (const RuntimeError& e) {
        g_extraction.raised = e;
        return FILEOP_SKIP;
      }
    }
    case SPFILENOTIFY_NEEDNEWCABINET:
      return 0;
    case SPFILENOTIFY_FILEEXTRACTED:
      return OnFileExtracted(*reinterpret_cast<const FILEPATHS_A*>(param1));
    default:
      return 0;
  }
}

UINT OnFileInCabinet(FILE_IN_CABINET_INFO_A& info) {
  const std::wstring name = ReadNameInCabinet(info);
  const std::wstring target = GetCabTargetPath(name);
  // The whole target, converted once: the bytes checked are the bytes the setup function opens.
  const auto targetBytes = IsContainedRelativePath(name) ? ToAnsiExact(target) : std::nullopt;
  if (!targetBytes) {
    g_extraction.failed = true;
    return FILEOP_SKIP;
  }
  std::wstring folder, fileName;
  SplitPath(target, folder, fileName);
  if (!CreateFolderTree(folder)) return FILEOP_SKIP;
  CopyToAnsiBuffer(*targetBytes, info.FullTargetName);
  return FILEOP_DOIT;
}

std::wstring GetCabTargetPath(const std::wstring& nameInCabinet) {
  const std::wstring folder =
      g_extraction.destFolder.empty() ? GetFolderPart(g_extraction.cabinetPath) : g_extraction.destFolder;
  return AddBackslash(folder) + nameInCabinet;
}

bool CreateFolderTree(const std::wstring& folder) {
  if (folder.empty()) return false;
  std::wstring path = folder;
  if (path.back() == L'\\') path.pop_back();

  const std::int32_t first = MkDir(path);
  if (first == 0 || first == err::PathFileAccess) return true;
  if (first != err::PathNotFound) return false;

  const auto parts = SplitAtBackslash(path);
  const std::size_t n = parts.size() - 1;
  std::size_t existing = 0;
  bool found = false;
  for (std::size_t i = n; i-- > 0;) {
    const std::int32_t result = MkDir(Join(parts, i));
    if (result == 0 || result == err::PathFileAccess) {
      existing = i;
      found = true;
      break;
    }
    if (result != err::PathNotFound) return false;
  }
  if (!found) return false;

  std::wstring level = Join(parts, existing);
  for (std::size_t i = existing + 1; i <= n; ++i) {
    level += L'\\';
    level += parts[i];
    if (MkDir(level) != 0) return false;
  }
  return true;
}

std::wstring AnsiPtrToString(const char* ptr) {
  if (!ptr) return {};
  return FromAnsi(std::string(ptr, static_cast<std::size_t>(lstrlenA(ptr))));
}

void CopyToAnsiBuffer(const std::string& bytes, char (&buffer)[MAX_PATH]) {
  if (bytes.size() > MAX_PATH - 1) Raise(err::SubscriptOutOfRange);
  std::memcpy(buffer, bytes.data(), bytes.size());
  buffer[bytes.size()] = '\0';
}

void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& fileName) {
  const auto slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) {
    folder.clear();
    fileName = path;
    return;
  }
  folder = path.substr(0, slash + 1);
  fileName = path.substr(slash + 1);
}

std::wstring GetFolderPart(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring AddBackslash(const std::wstring& text) { return EndsWith(text, L"\\") ? text : text + L"\\"; }

}  // namespace kv
