// What each deliverable carries, read from its file without running it: a 32-bit Windows GUI
// program, the product name that titles its messages and names its operation log, and the
// manifest that keeps Windows from elevating it.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/Text.h"
#include "support/TempDir.h"

namespace {

struct Program {
  const wchar_t* file;
  const wchar_t* productName;
};

const Program kPrograms[] = {
    {L"KanvoloUpdate2.exe", L"バロネル アップデート2"},
    {L"KanvoloUpdate.exe", L"バロネル アップデート"},
};
const Program kPelorin{L"Pelorin.exe", L"バロネル"};

// The 32-bit deliverables, also where this suite is of the x86_64 build.
std::wstring ProgramPath(const Program& program) { return std::wstring(KV_DELIVERABLES_DIR) + L"\\" + program.file; }

// A text of the Japanese string block, or nullopt when the block or the text is missing.
std::optional<std::wstring> VersionText(const std::wstring& path, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
  if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
    return std::nullopt;
  }
  return std::wstring(value);
}

struct LoadedImage {
  explicit LoadedImage(const std::wstring& path)
      : module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~LoadedImage() {
    if (module) FreeLibrary(module);
  }
  HMODULE module;
};

BOOL CALLBACK CollectManifest(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  HRSRC found = FindResourceW(module, name, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes) {
    reinterpret_cast<std::vector<std::string>*>(param)->emplace_back(static_cast<const char*>(bytes),
                                                                      SizeofResource(module, found));
  }
  return TRUE;
}

// Every manifest resource of the file, as text.
std::vector<std::string> Manifests(const std::wstring& path) {
  LoadedImage image(path);
  std::vector<std::string> manifests;
  if (image.module) EnumResourceNamesW(image.module, RT_MANIFEST, CollectManifest, reinterpret_cast<LONG_PTR>(&manifests));
  return manifests;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

struct PeHeader {
  WORD machine = 0;
  WORD subsystem = 0;
};

// The machine and subsystem fields of the file's PE header; zero when it is none. Both lie at the
// same offsets in a 32-bit and a 64-bit optional header.
PeHeader ReadPeHeader(const std::wstring& path) {
  const std::string bytes = kvtest::ReadBytes(path);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  if (bytes.size() < sizeof(IMAGE_DOS_HEADER) || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
      bytes.size() < static_cast<std::size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32)) {
    return {};
  }
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return {};
  return {nt->FileHeader.Machine, nt->OptionalHeader.Subsystem};
}

TEST(UpdatePrograms, ProductNameAndCopyrightInTheJapaneseBlock) {
  for (const auto& program : kPrograms) {
    const std::wstring path = ProgramPath(program);
    SCOPED_TRACE(kv::ToUtf8(program.file));
    EXPECT_EQ(VersionText(path, L"ProductName"), std::optional<std::wstring>(program.productName));
    const auto copyright = VersionText(path, L"LegalCopyright");
    ASSERT_TRUE(copyright.has_value());
    EXPECT_FALSE(copyright->empty());
  }
}

TEST(UpdatePrograms, ManifestAsksOnlyToRunAsTheInvoker) {
  for (const auto& program : kPrograms) {
    SCOPED_TRACE(kv::ToUtf8(program.file));
    const auto manifests = Manifests(ProgramPath(program));
    ASSERT_EQ(manifests.size(), 1u);
    const std::string& manifest = manifests[0];
    EXPECT_EQ(Count(manifest, "<requestedExecutionLevel"), 1u) << manifest;
    EXPECT_EQ(Count(manifest, "level=\"asInvoker\""), 1u) << manifest;
    EXPECT_EQ(Count(manifest, "uiAccess=\"true\""), 0u) << manifest;
    EXPECT_EQ(Count(manifest, "Microsoft.Windows.Common-Controls"), 0u) << manifest;
    EXPECT_EQ(Count(manifest, "supportedOS"), 0u) << manifest;
  }
}

TEST(Deliverables, Are32BitWindowsPrograms) {
  for (const auto& program : {kPrograms[0], kPrograms[1], kPelorin}) {
    const PeHeader header = ReadPeHeader(ProgramPath(program));
    EXPECT_EQ(header.machine, IMAGE_FILE_MACHINE_I386)
        << kv::ToUtf8(program.file) << " in " << kv::ToUtf8(KV_DELIVERABLES_DIR)
        << ": KV_DELIVERABLES_DIR must name the i686 build's bin folder";
    EXPECT_EQ(header.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << kv::ToUtf8(program.file);
  }
}

TEST(Deliverables, PelorinCarriesItsVersionAndAsksToRunAsInvoked) {
  const std::wstring path = ProgramPath(kPelorin);
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } cases[] = {
      {L"FileVersion", L"6.03.0427"},     {L"ProductVersion", L"6.03.0427"}, {L"ProductName", L"バロネル"},
      {L"FileDescription", L"バロネル"}, {L"InternalName", L"Pelorin"},     {L"OriginalFilename", L"Pelorin.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionText(path, c.name), std::optional<std::wstring>(c.value)) << kv::ToUtf8(c.name);
  }
  const auto manifests = Manifests(path);
  ASSERT_EQ(manifests.size(), 1u);
  EXPECT_EQ(Count(manifests[0], "level=\"asInvoker\""), 1u) << manifests[0];
}

}  // namespace
