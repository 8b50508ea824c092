#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Handles.h"

#include "base/Text.h"
#include "support/TempDir.h"

namespace {

// A string of the program's Japanese (Unicode) version block; "(missing)" when it has none.
std::wstring VersionText(const std::wstring& program, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  if (size == 0) return L"(missing)";
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(program.c_str(), 0, size, block.data())) return L"(missing)";
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
  if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
    return L"(missing)";
  }
  return value;
}

TEST(PelorinProgram, CarriesItsVersionResource) {
  const std::wstring program = kvtest::TestProgramFolder() + L"\\Pelorin.exe";
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
  } cases[] = {
      {L"FileVersion", L"6.03.0427"},     {L"ProductVersion", L"6.03.0427"}, {L"ProductName", L"バロネル"},
      {L"FileDescription", L"バロネル"}, {L"InternalName", L"Pelorin"},     {L"OriginalFilename", L"Pelorin.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionText(program, c.name), c.value) << kv::ToUtf8(c.name);
}

TEST(PelorinProgram, AsksToRunAsInvoked) {
  const std::wstring program = kvtest::TestProgramFolder() + L"\\Pelorin.exe";
  const kv::UniqueModule module(LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module.get(), found)));
  const std::string manifest(bytes, SizeofResource(module.get(), found));
  EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos) << manifest;
}

}  // namespace
